// The one place where the recorder calls the operating system directly: the
// caller's completion event is an OS object (an eventfd on Linux, an event
// handle on Windows) and only the OS can signal it.
#include "vrecorder/completion_event.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#endif

namespace orlix::vrec {

void SignalCompletionEvent(void* event) {
  if (!event) return;
#ifdef _WIN32
  SetEvent(static_cast<HANDLE>(event));
#else
  const intptr_t value = reinterpret_cast<intptr_t>(event);
  if (value <= 0 || value > INT_MAX) return;
  const int fd = static_cast<int>(value);
  // Eight bytes written to anything but an eventfd (a file the caller has
  // open under that number) would damage it.
  std::error_code ec;
  auto target = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
  if (ec || target.string() != "anon_inode:[eventfd]") return;
  const uint64_t one = 1;
  ssize_t n;
  do {
    n = write(fd, &one, sizeof one);
  } while (n < 0 && errno == EINTR);
#endif
}

}  // namespace orlix::vrec
