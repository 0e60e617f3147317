// Directory search over the Win32 find functions, which match masks and
// give the 8.3 alternate names themselves. Names are UTF-8 on our side,
// UTF-16 on the system's.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <string>

#include "platform/file_search.h"
#include "platform/windows/wide_names.h"

namespace orlix {

struct SearchState {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};

  SearchState() = default;
  ~SearchState() {
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  }
  SearchState(const SearchState&) = delete;
  SearchState& operator=(const SearchState&) = delete;
};

namespace {

// Packed FAT date of a file time in local time; 0 when it does not fit.
int32_t PackedLocalTime(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

// Skips what the attribute filter excludes and fills `rec` from the current
// find data.
int FindMatching(TSearchRec& rec) {
  SearchState& s = *rec.State;
  while ((static_cast<int32_t>(s.data.dwFileAttributes) & rec.ExcludeAttr) != 0) {
    if (!FindNextFileW(s.find, &s.data)) return static_cast<int>(GetLastError());
  }
  rec.Name = WideToUtf8(s.data.cFileName);
  rec.AlternateName = WideToUtf8(s.data.cAlternateFileName);
  rec.Attr = static_cast<int32_t>(s.data.dwFileAttributes);
  rec.Time = PackedLocalTime(s.data.ftLastWriteTime);
  rec.SizeHigh = s.data.nFileSizeHigh;
  rec.SizeLow = s.data.nFileSizeLow;
  rec.Size = static_cast<int32_t>(s.data.nFileSizeLow);
  return 0;
}

}  // namespace

int FindFirst(const std::string& pattern, int32_t attr, TSearchRec& rec) {
  FindClose(rec);
  auto state = std::make_shared<SearchState>();
  state->find = FindFirstFileW(Utf8ToWide(pattern).c_str(), &state->data);
  if (state->find == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  rec.State = std::move(state);
  int result = FindMatching(rec);
  if (result != 0) rec.State.reset();
  return result;
}

int FindNext(TSearchRec& rec) {
  if (!rec.State) return ERROR_INVALID_HANDLE;
  if (!FindNextFileW(rec.State->find, &rec.State->data)) return static_cast<int>(GetLastError());
  return FindMatching(rec);
}

void FindClose(TSearchRec& rec) { rec.State.reset(); }

std::string FileIdentity(const std::string& path) {
  HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!ok) return {};
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
         std::to_string(info.nFileIndexLow);
}

int32_t FileGetAttr(const std::string& path) {
  DWORD attr = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attr == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int32_t>(attr);
}

bool FileSetAttr(const std::string& path, int32_t attr) {
  DWORD value = static_cast<DWORD>(attr & (faReadOnly | faHidden | faSysFile | faArchive));
  return SetFileAttributesW(Utf8ToWide(path).c_str(), value == 0 ? FILE_ATTRIBUTE_NORMAL : value) != FALSE;
}

}  // namespace orlix
