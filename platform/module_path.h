// The folder of the loaded module (shared library or program) that holds a
// given address: lets the library find files installed relative to itself,
// wherever it was installed.
#pragma once

#include <string>

namespace orlix {

// With a trailing separator; empty when the system cannot tell.
std::string ModuleDir(const void* address);

}  // namespace orlix
