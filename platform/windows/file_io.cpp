// File handles over Win32 handles; the system enforces sharing itself.
// Kernel handles fit in 32 bits, so they travel as THandle. Paths are UTF-8
// and reach the system as UTF-16.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include "platform/file_io.h"
#include "platform/windows/wide_names.h"

namespace orlix {
namespace {

thread_local int t_last_error = 0;

HANDLE ToHandle(THandle h) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(h)); }

THandle FromHandle(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) {
    t_last_error = static_cast<int>(GetLastError());
    return kInvalidHandle;
  }
  return static_cast<THandle>(reinterpret_cast<intptr_t>(h));
}

}  // namespace

THandle FileOpen(const std::string& path, uint16_t mode) {
  if (mode == fmCreate) return FileCreate(path);
  static const DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE};
  const int access = mode & 0x3, share = (mode >> 4) & 0x7;
  if (access > 2 || share > 4) {
    t_last_error = ERROR_INVALID_PARAMETER;
    return kInvalidHandle;
  }
  return FromHandle(CreateFileW(Utf8ToWide(path).c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

THandle FileCreate(const std::string& path) {
  return FromHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

void FileClose(THandle handle) {
  if (handle >= 0) CloseHandle(ToHandle(handle));
}

int32_t FileRead(THandle handle, void* buffer, int32_t count) {
  if (handle < 0 || count <= 0) {
    if (handle < 0) t_last_error = ERROR_INVALID_HANDLE;
    return 0;
  }
  DWORD done = 0;
  if (!ReadFile(ToHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) {
    t_last_error = static_cast<int>(GetLastError());
    return static_cast<int32_t>(done);  // what moved before the failure
  }
  return static_cast<int32_t>(done);
}

int32_t FileWrite(THandle handle, const void* buffer, int32_t count) {
  if (handle < 0 || count <= 0) {
    if (handle < 0) t_last_error = ERROR_INVALID_HANDLE;
    return 0;
  }
  DWORD done = 0;
  if (!WriteFile(ToHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) {
    t_last_error = static_cast<int>(GetLastError());
    return static_cast<int32_t>(done);  // what moved before the failure
  }
  return static_cast<int32_t>(done);
}

int64_t FileSeek(THandle handle, int64_t offset, uint16_t origin) {
  static const DWORD kMethod[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (origin > 2) {
    t_last_error = ERROR_INVALID_PARAMETER;
    return -1;
  }
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(ToHandle(handle), distance, &result, kMethod[origin])) {
    t_last_error = static_cast<int>(GetLastError());
    return -1;
  }
  return result.QuadPart;
}

bool FileSetEnd(THandle handle) {
  if (!SetEndOfFile(ToHandle(handle))) {
    t_last_error = static_cast<int>(GetLastError());
    return false;
  }
  return true;
}

bool FileExists(const std::string& path) {
  DWORD attr = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FileDelete(const std::string& path) {
  if (!DeleteFileW(Utf8ToWide(path).c_str())) {
    t_last_error = static_cast<int>(GetLastError());
    return false;
  }
  return true;
}

bool FileRename(const std::string& from, const std::string& to) {
  if (!MoveFileW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str())) {
    t_last_error = static_cast<int>(GetLastError());
    return false;
  }
  return true;
}

int LastOsError() { return t_last_error; }

std::string OsErrorMessage(int error) {
  wchar_t buffer[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(error), 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
  return WideToUtf8(buffer, n);
}

}  // namespace orlix
