#include "platform/module_path.h"

#include <windows.h>

namespace orlix {

std::string ModuleDir(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module))
    return "";
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return "";
  std::string path(buf, n);
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace orlix
