// File handles over POSIX descriptors. Sharing modes are not a POSIX notion;
// they are emulated with open-file-description locks on four bytes far beyond
// any real data: every handle takes shared locks announcing the access it has
// and the access it denies, then looks for locks of other handles that
// conflict. Announcing before looking means two racing openers can both fail,
// never both succeed. Programs that do not take these locks are not held
// back, which is as far as POSIX allows.
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace orlix {
namespace {

thread_local int t_last_error = 0;

constexpr off_t kLockBase = static_cast<off_t>(0x7FFFFFFF00000000LL);
constexpr off_t kHasRead = kLockBase + 0;
constexpr off_t kHasWrite = kLockBase + 1;
constexpr off_t kDenyRead = kLockBase + 2;
constexpr off_t kDenyWrite = kLockBase + 3;

// A write-only descriptor cannot hold shared locks, so such handles keep a
// second, read-only descriptor for them.
std::mutex g_lock_fds_mutex;
std::unordered_map<int, int> g_lock_fds;

int Fail(int error) {
  t_last_error = error;
  return kInvalidHandle;
}

bool Announce(int fd, off_t byte) {
  struct flock fl {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool HeldByOthers(int fd, off_t byte) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

// Applies the sharing rules for a handle `fd` just opened on `path`. On a
// conflict every lock taken is released again and false is returned.
bool ApplySharing(int fd, const std::string& path, int access, int share) {
  const bool wants_read = access != 1, wants_write = access != 0;
  const bool deny_read = share <= 1 || share == 3, deny_write = share <= 2;
  int lock_fd = fd;
  if (access == 1) lock_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool can_announce = lock_fd >= 0;
  const int check_fd = can_announce ? lock_fd : fd;
  bool announced = true;
  if (can_announce) {
    if (wants_read) announced = announced && Announce(lock_fd, kHasRead);
    if (wants_write) announced = announced && Announce(lock_fd, kHasWrite);
    if (deny_read) announced = announced && Announce(lock_fd, kDenyRead);
    if (deny_write) announced = announced && Announce(lock_fd, kDenyWrite);
  }
  // A file system without these locks gets no sharing rules at all.
  if (!announced) {
    if (lock_fd != fd && lock_fd >= 0) close(lock_fd);
    return true;
  }
  bool conflict = (wants_read && HeldByOthers(check_fd, kDenyRead)) ||
                  (wants_write && HeldByOthers(check_fd, kDenyWrite)) ||
                  (deny_read && HeldByOthers(check_fd, kHasRead)) ||
                  (deny_write && HeldByOthers(check_fd, kHasWrite));
  if (conflict) {
    // Closing a descriptor drops its locks; the caller closes `fd`.
    if (lock_fd != fd && lock_fd >= 0) close(lock_fd);
    return false;
  }
  if (lock_fd != fd && lock_fd >= 0) {
    std::lock_guard<std::mutex> lock(g_lock_fds_mutex);
    g_lock_fds[fd] = lock_fd;
  }
  return true;
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do fd = open(path.c_str(), flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens, refuses folders and applies the sharing rules; kInvalidHandle on failure.
THandle OpenChecked(const std::string& path, int flags, int access, int share) {
  int fd = OpenRetrying(path, flags, 0666);
  if (fd < 0) return Fail(errno);
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    return Fail(error);
  }
  if (!ApplySharing(fd, path, access, share)) {
    close(fd);
    return Fail(EBUSY);
  }
  return fd;
}

}  // namespace

THandle FileOpen(const std::string& path, uint16_t mode) {
  if (mode == fmCreate) return FileCreate(path);
  const int access = mode & 0x3;
  const int share = (mode >> 4) & 0x7;
  if (access > 2 || share > 4) return Fail(EINVAL);
  static const int kFlags[3] = {O_RDONLY, O_WRONLY, O_RDWR};
  return OpenChecked(path, kFlags[access], access, share);
}

THandle FileCreate(const std::string& path) {
  // Not O_TRUNC: a file another handle holds exclusively must survive the
  // refused attempt, so it is emptied only once the sharing check passed.
  THandle fd = OpenChecked(path, O_RDWR | O_CREAT, 2, 1);
  if (fd < 0) return fd;
  // An empty file is left alone: truncating it would make ext4 flush all
  // that is written to it when it is closed, which costs as much as writing.
  struct stat st {};
  if (fstat(fd, &st) == 0 && st.st_size == 0) return fd;
  if (ftruncate(fd, 0) != 0) {
    int error = errno;
    FileClose(fd);
    return Fail(error);
  }
  return fd;
}

void FileClose(THandle handle) {
  if (handle < 0) return;
  {
    std::lock_guard<std::mutex> lock(g_lock_fds_mutex);
    auto it = g_lock_fds.find(handle);
    if (it != g_lock_fds.end()) {
      close(it->second);
      g_lock_fds.erase(it);
    }
  }
  close(handle);
}

namespace {

// Moves `count` bytes with `step` (read or write), going on after short
// transfers and interruptions; the bytes moved, never negative.
template <typename Step>
int32_t TransferAll(THandle handle, int32_t count, Step step) {
  if (handle < 0) {
    t_last_error = EBADF;
    return 0;
  }
  int32_t done = 0;
  while (done < count) {
    ssize_t n = step(done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      t_last_error = errno;
      break;
    }
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

}  // namespace

int32_t FileRead(THandle handle, void* buffer, int32_t count) {
  return TransferAll(handle, count,
                     [&](int32_t at, size_t n) { return read(handle, static_cast<char*>(buffer) + at, n); });
}

int32_t FileWrite(THandle handle, const void* buffer, int32_t count) {
  return TransferAll(handle, count, [&](int32_t at, size_t n) {
    return write(handle, static_cast<const char*>(buffer) + at, n);
  });
}

int64_t FileSeek(THandle handle, int64_t offset, uint16_t origin) {
  static const int kWhence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (origin > 2) {
    t_last_error = EINVAL;
    return -1;
  }
  off_t result = lseek(handle, static_cast<off_t>(offset), kWhence[origin]);
  if (result < 0) {
    t_last_error = errno;
    return -1;
  }
  return result;
}

bool FileSetEnd(THandle handle) {
  off_t position = lseek(handle, 0, SEEK_CUR);
  if (position < 0 || ftruncate(handle, position) != 0) {
    t_last_error = errno;
    return false;
  }
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FileDelete(const std::string& path) {
  if (unlink(path.c_str()) != 0) {
    t_last_error = errno;
    return false;
  }
  return true;
}

bool FileRename(const std::string& from, const std::string& to) {
  // Like the Windows call, never replace an existing target.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) {
    t_last_error = errno;
    return false;
  }
  struct stat st {};
  if (lstat(to.c_str(), &st) == 0) {
    t_last_error = EEXIST;
    return false;
  }
  if (rename(from.c_str(), to.c_str()) != 0) {
    t_last_error = errno;
    return false;
  }
  return true;
}

int LastOsError() { return t_last_error; }

std::string OsErrorMessage(int error) {
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace orlix
