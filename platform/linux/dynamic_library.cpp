#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace orlix {

namespace {
thread_local std::string last_error;
}

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
