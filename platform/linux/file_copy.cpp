// File data copies with copy_file_range, falling back to read/write.
#include "platform/file_copy.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace orlix {
namespace {

// Cleared once the kernel or a file system has refused the in-kernel copy,
// so later copies do not try again.
std::atomic<bool> g_kernel_copy{true};

constexpr size_t kBufferSize = 1 << 20;

int64_t CopyByBuffer(int source, int dest, int64_t count) {
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  int64_t done = 0;
  while (done < count) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(count - done, kBufferSize));
    const ssize_t got = ::read(source, buffer.get(), want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = ::write(dest, buffer.get() + put, static_cast<size_t>(got - put));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      put += n;
    }
    done += got;
  }
  return done;
}

}  // namespace

THandle FileOpenForCopy(const std::string& path) {
  int fd;
  do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  // LastOsError tells what FileOpen met, so a failure goes through it once
  // more to leave its reason there (and takes the file if it now opens).
  if (fd < 0) return FileOpen(path, fmOpenRead | fmShareDenyNone);
  return fd;
}

int FileReserve(THandle file, int64_t size) {
  if (size <= 0) return 0;
  int rc;
  do rc = ::fallocate(file, 0, 0, size);
  while (rc != 0 && errno == EINTR);
  if (rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS) return 0;
  return errno;
}

bool FileReadable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

// Handles of platform/file_io are the descriptors themselves.
int64_t FileCopyData(THandle source, THandle dest, int64_t count) {
  if (count <= 0) return 0;
  int64_t done = 0;
  while (g_kernel_copy.load(std::memory_order_relaxed) && done < count) {
    const ssize_t n = ::copy_file_range(source, nullptr, dest, nullptr, static_cast<size_t>(count - done), 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n == 0) return done;  // end of the source
    if (errno == EINTR) continue;
    if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF ||
        errno == ETXTBSY || errno == EPERM) {
      // Refused for this pair of files, not failed: copy through a buffer.
      if (errno == ENOSYS) g_kernel_copy.store(false, std::memory_order_relaxed);
      break;
    }
    return -1;
  }
  if (done >= count) return done;
  const int64_t rest = CopyByBuffer(source, dest, count - done);
  return rest < 0 ? -1 : done + rest;
}

}  // namespace orlix
