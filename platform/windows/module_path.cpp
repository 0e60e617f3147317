#include "platform/module_path.h"

#include <windows.h>

#include <vector>

#include "platform/windows/wide_names.h"

namespace orlix {

std::string ModuleDir(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module))
    return "";
  // Wide, and as long as a path may be: an installation folder outside the
  // ANSI code page or deeper than MAX_PATH is still found.
  std::vector<wchar_t> buf(32768);
  const DWORD n = GetModuleFileNameW(module, buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 || n >= buf.size()) return "";
  std::string path = WideToUtf8(buf.data(), n);
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace orlix
