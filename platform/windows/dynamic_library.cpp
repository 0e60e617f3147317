#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/windows/wide_names.h"

namespace orlix {

namespace {
thread_local std::string last_error;

std::string SystemMessage(DWORD error) {
  wchar_t buffer[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                           sizeof buffer / sizeof buffer[0], nullptr);
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
  if (n == 0) return "error " + std::to_string(error);
  return WideToUtf8(buffer, n);
}
}  // namespace

TLibHandle LoadSharedLibrary(const std::string& path) {
  // A bare name goes through the system's search, which starts in the
  // program's own folder; a name with a folder is taken as it is.
  HMODULE module = LoadLibraryExW(Utf8ToWide(path).c_str(), nullptr, 0);
  if (!module) last_error = "cannot load " + path + ": " + SystemMessage(GetLastError());
  return reinterpret_cast<TLibHandle>(module);
}

void* SharedLibrarySymbol(TLibHandle library, const std::string& name) {
  if (!library) return nullptr;
  FARPROC symbol = GetProcAddress(static_cast<HMODULE>(library), name.c_str());
  if (!symbol) last_error = "no symbol " + name + ": " + SystemMessage(GetLastError());
  return reinterpret_cast<void*>(symbol);
}

void FreeSharedLibrary(TLibHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string LibraryError() { return last_error; }

std::string LibraryFileName(const std::string& base_name) { return base_name + ".dll"; }

std::string ExecutableDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return ".\\";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return ".\\";
  return WideToUtf8(path.substr(0, slash + 1));
}

}  // namespace orlix
