#include "platform/dynamic_library.h"

#include <limits.h>
#include <unistd.h>

#ifndef ORLIX_STATIC_PROGRAM
#include <dlfcn.h>
#endif

namespace orlix {

namespace {
thread_local std::string last_error;
}

#ifdef ORLIX_STATIC_PROGRAM
// A statically linked program has no loader to share: every library is
// "not there", and the pass-through layer is the only one.
TLibHandle LoadSharedLibrary(const std::string& path) {
  last_error = "cannot load " + path + ": this program is statically linked";
  return nullptr;
}

void* SharedLibrarySymbol(TLibHandle, const std::string&) { return nullptr; }

void FreeSharedLibrary(TLibHandle) {}
#else
TLibHandle LoadSharedLibrary(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* e = dlerror();
    last_error = e ? e : "cannot load " + path;
  }
  return handle;
}

void* SharedLibrarySymbol(TLibHandle library, const std::string& name) {
  if (!library) return nullptr;
  dlerror();
  void* symbol = dlsym(library, name.c_str());
  if (!symbol) {
    const char* e = dlerror();
    last_error = e ? e : "no symbol " + name;
  }
  return symbol;
}

void FreeSharedLibrary(TLibHandle library) {
  if (library) dlclose(library);
}
#endif

std::string LibraryError() { return last_error; }

std::string LibraryFileName(const std::string& base_name) { return "lib" + base_name + ".so"; }

std::string ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace orlix
