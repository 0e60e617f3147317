// Where the virtual recorder library is, so that an application (and the
// tool) can load it as its drive wherever the package was installed.
#pragma once

#include <string>

#include "framework/export.h"

namespace orlix {

// The virtual recorder library: in the "orlix" folder beside the installed
// liborlix (or, for a program built with the library inside, in that folder
// of the library directory next to the program's), else beside the running
// program, as in a build tree. When none is there, the path beside the
// program, which a failed load then names.
ORLIX_API std::string VirtualRecorderPath();

// The search behind it: `module_dir` holds the library code (liborlix, or
// the program itself), `exe_dir` the running program; both end in a
// separator.
std::string FindVirtualRecorder(const std::string& module_dir, const std::string& exe_dir);

}  // namespace orlix
