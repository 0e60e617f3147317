// Run-time loading of shared libraries (the outside ASPI manager, the virtual
// recorder).
#pragma once

#include <string>

namespace orlix {

using TLibHandle = void*;

// Names differ from the Windows API so that its macros cannot clash.
// nullptr when the library cannot be loaded; LibraryError tells why.
TLibHandle LoadSharedLibrary(const std::string& path);
void* SharedLibrarySymbol(TLibHandle library, const std::string& name);
void FreeSharedLibrary(TLibHandle library);
std::string LibraryError();
// Platform file name of a library: "x" -> "libx.so" or "x.dll".
std::string LibraryFileName(const std::string& base_name);
// Folder of the running program, with a trailing separator.
std::string ExecutableDir();

}  // namespace orlix
