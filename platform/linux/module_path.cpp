#include "platform/module_path.h"

#ifndef ORLIX_STATIC_PROGRAM
#include <dlfcn.h>
#endif
#include <limits.h>
#include <stdlib.h>

namespace orlix {

#ifdef ORLIX_STATIC_PROGRAM
// A static program is its own only module.
std::string ModuleDir(const void*) {
  char buf[PATH_MAX];
  if (!realpath("/proc/self/exe", buf)) return "";
  std::string path(buf);
  return path.substr(0, path.rfind('/') + 1);
}
#else
std::string ModuleDir(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return "";
  // The name is as the loader was given it (possibly relative, or a link
  // such as liborlix.so): the real file's folder is where it was installed.
  char buf[PATH_MAX];
  std::string path = realpath(info.dli_fname, buf) ? buf : info.dli_fname;
  // The main program may be named without a folder.
  if (path.find('/') == std::string::npos) {
    if (!realpath("/proc/self/exe", buf)) return "";
    path = buf;
  }
  return path.substr(0, path.rfind('/') + 1);
}
#endif

}  // namespace orlix
