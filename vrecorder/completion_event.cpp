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
#endif

namespace orlix::vrec {

void SignalCompletionEvent(void* event) {
  if (!event) return;
#ifdef _WIN32
  SetEvent(static_cast<HANDLE>(event));
#else
  const int fd = static_cast<int>(reinterpret_cast<intptr_t>(event));
  const uint64_t one = 1;
  ssize_t n;
  do {
    n = write(fd, &one, sizeof one);
  } while (n < 0 && errno == EINTR);
#endif
}

}  // namespace orlix::vrec
