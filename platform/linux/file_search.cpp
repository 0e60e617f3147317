// Directory search over POSIX folders. A search reads the whole folder's
// names once, sorted as NTFS lists them (case-insensitively, "." and ".."
// first), so that results and the synthesized 8.3 names do not depend on the
// file system's order or on the mask: every name of the folder takes its
// short name in that order, matched or not.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/file_mask.h"
#include "platform/file_search.h"
#include "platform/short_names.h"

namespace orlix {

struct SearchState {
  std::string folder;  // with a trailing separator, or empty for the current folder
  TFileMask mask;
  int dir_fd = -1;
  std::vector<std::string> names;
  size_t next = 0;
  TShortNameGenerator short_names;

  SearchState(std::string f, const std::string& m) : folder(std::move(f)), mask(m) {}
  ~SearchState() {
    if (dir_fd >= 0) close(dir_fd);
  }
  SearchState(const SearchState&) = delete;
  SearchState& operator=(const SearchState&) = delete;
};

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr int32_t kStoredBits = faHidden | faSysFile | faArchive;

// Listing order: "." and ".." first, then case-insensitively, then by bytes.
struct Listed {
  int rank;
  std::string key;
  std::string name;
  bool operator<(const Listed& other) const {
    if (rank != other.rank) return rank < other.rank;
    int c = key.compare(other.key);
    return c != 0 ? c < 0 : name < other.name;
  }
};

Listed MakeListed(std::string name) {
  Listed item{name == "." ? 0 : name == ".." ? 1 : 2, name, std::move(name)};
  for (char& c : item.key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return item;
}

// The DOS attributes recorded in the extended attribute, as the text "0x.."
// that file servers also write at its start; false when none is recorded.
bool ReadStoredAttributes(const std::string& path, int32_t& bits) {
  char value[256];
  ssize_t n = getxattr(path.c_str(), kDosAttrib, value, sizeof value - 1);
  if (n < 3) return false;
  value[n] = '\0';
  if (value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) return false;
  char* end = nullptr;
  unsigned long parsed = std::strtoul(value + 2, &end, 16);
  if (end == value + 2) return false;
  bits = static_cast<int32_t>(parsed) & kStoredBits;
  return true;
}

bool IsDotName(const std::string& name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

int32_t AttributesOf(const std::string& path, const std::string& name, const struct stat& st) {
  int32_t attr = 0;
  const bool dir = S_ISDIR(st.st_mode);
  if (dir) attr |= faDirectory;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
  if (IsDotName(name)) attr |= faHidden;
  int32_t stored = 0;
  if (ReadStoredAttributes(path, stored))
    attr |= stored;
  else if (!dir)
    attr |= faArchive;  // never backed up as far as anyone recorded
  return attr;
}

std::string LastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == PathDelim) p.pop_back();
  size_t slash = p.rfind(PathDelim);
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// Packed FAT date of a modification time in local time; 0 (an invalid date)
// outside the years 1980 to 2107.
int32_t PackedLocalTime(time_t t) {
  tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0;
  int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  uint32_t packed =
      (static_cast<uint32_t>(year - 1980) << 25) | (static_cast<uint32_t>(local.tm_mon + 1) << 21) |
      (static_cast<uint32_t>(local.tm_mday) << 16) | (static_cast<uint32_t>(local.tm_hour) << 11) |
      (static_cast<uint32_t>(local.tm_min) << 5) | static_cast<uint32_t>(std::min(local.tm_sec, 59) / 2);
  return static_cast<int32_t>(packed);
}

int FindMatching(TSearchRec& rec) {
  SearchState& s = *rec.State;
  while (s.next < s.names.size()) {
    const std::string& name = s.names[s.next++];
    std::string alternate = s.short_names.Generate(name);
    if (!s.mask.Matches(name)) continue;
    struct stat st {};
    if (fstatat(s.dir_fd, name.c_str(), &st, 0) != 0 &&
        fstatat(s.dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      continue;  // gone since the folder was read
    int32_t attr = AttributesOf(s.folder + name, name, st);
    if ((attr & rec.ExcludeAttr) != 0) continue;
    const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    rec.Name = name;
    rec.AlternateName = alternate;
    rec.Attr = attr;
    rec.Time = PackedLocalTime(st.st_mtime);
    rec.SizeLow = static_cast<uint32_t>(size);
    rec.SizeHigh = static_cast<uint32_t>(size >> 32);
    rec.Size = static_cast<int32_t>(rec.SizeLow);
    return 0;
  }
  return ENOENT;
}

}  // namespace

int FindFirst(const std::string& pattern, int32_t attr, TSearchRec& rec) {
  FindClose(rec);
  size_t slash = pattern.rfind(PathDelim);
  std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (mask.empty()) return ENOENT;
  auto state = std::make_shared<SearchState>(folder, mask);
  state->dir_fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (state->dir_fd < 0) return errno;
  int list_fd = dup(state->dir_fd);
  DIR* dir = list_fd >= 0 ? fdopendir(list_fd) : nullptr;
  if (dir == nullptr) {
    int error = errno;
    if (list_fd >= 0) close(list_fd);
    return error;
  }
  std::vector<Listed> listed;
  while (dirent* entry = readdir(dir)) listed.push_back(MakeListed(entry->d_name));
  closedir(dir);
  std::sort(listed.begin(), listed.end());
  state->names.reserve(listed.size());
  for (Listed& item : listed) state->names.push_back(std::move(item.name));
  for (const std::string& name : state->names) state->short_names.Reserve(name);
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  rec.State = std::move(state);
  int result = FindMatching(rec);
  if (result != 0) rec.State.reset();
  return result;
}

int FindNext(TSearchRec& rec) {
  if (!rec.State) return EBADF;
  return FindMatching(rec);
}

void FindClose(TSearchRec& rec) { rec.State.reset(); }

std::string FileIdentity(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

int32_t FileGetAttr(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) return -1;
  return AttributesOf(path, LastComponent(path), st);
}

bool FileSetAttr(const std::string& path, int32_t attr) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  const bool dir = S_ISDIR(st.st_mode);
  mode_t mode = st.st_mode & 07777;
  if (attr & faReadOnly)
    mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
  else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    mode |= S_IWUSR;
  if (mode != (st.st_mode & 07777) && chmod(path.c_str(), mode) != 0) return false;

  int32_t bits = attr & kStoredBits;
  char value[16];
  int length = std::snprintf(value, sizeof value, "0x%X", static_cast<unsigned>(bits)) + 1;  // with the NUL
  if (setxattr(path.c_str(), kDosAttrib, value, static_cast<size_t>(length), 0) == 0) return true;
  if (errno != ENOTSUP && errno != EOPNOTSUPP) return false;
  // Without extended attributes only what is implied can hold.
  int32_t implied = (dir ? 0 : faArchive) | (IsDotName(LastComponent(path)) ? faHidden : 0);
  return bits == implied || bits == (implied & ~faHidden);
}

}  // namespace orlix
