#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <string>

#include "platform/file_kind.h"
#include "platform/windows/wide_names.h"

namespace orlix {

TFileKind FileKindOf(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attr = GetFileAttributesW(wide.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) {
    // A name such as NUL or COM1 has no attributes but opens.
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return TFileKind::None;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    if (type == FILE_TYPE_CHAR) return TFileKind::CharDevice;
    if (type == FILE_TYPE_PIPE) return TFileKind::Fifo;
    return TFileKind::Other;
  }
  if (attr & FILE_ATTRIBUTE_DIRECTORY) return TFileKind::Directory;
  if (attr & FILE_ATTRIBUTE_DEVICE) return TFileKind::CharDevice;
  return TFileKind::Regular;
}

bool FileOnKernelFileSystem(const std::string&) { return false; }

bool FileIsLink(const std::string& path) {
  const DWORD attr = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string FileResolveLinks(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  const DWORD used = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  if (used == 0 || used >= n) return {};
  full.resize(used);
  return WideToUtf8(full);
}

// Images are written to volumes with the system's own tools on Windows.
int64_t BlockDeviceSize(const std::string&) { return -1; }

bool FileCopyModeAndOwner(const std::string& from, const std::string& to) {
  const DWORD attr = GetFileAttributesW(Utf8ToWide(from).c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return false;
  // Not read-only: a read-only file could not be renamed over, nor removed
  // when the rename fails.
  const DWORD kept = attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  return SetFileAttributesW(Utf8ToWide(to).c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept) != FALSE;
}

}  // namespace orlix
