#include "platform/event.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

namespace orlix {

namespace {

int Fd(TEventHandle event) { return static_cast<int>(reinterpret_cast<intptr_t>(event)); }

}  // namespace

TEventHandle CreateEventObject() {
  int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return nullptr;
  if (fd == 0) {
    // Descriptor 0 would read as "no event" in a request block.
    int other = fcntl(fd, F_DUPFD_CLOEXEC, 1);
    close(fd);
    if (other < 0) return nullptr;
    fd = other;
  }
  return reinterpret_cast<TEventHandle>(static_cast<intptr_t>(fd));
}

void ResetEventObject(TEventHandle event) {
  if (!event) return;
  uint64_t count;
  while (read(Fd(event), &count, sizeof count) == sizeof count) {
  }
}

void SetEventObject(TEventHandle event) {
  if (!event) return;
  // The handle comes from a request block another program filled: eight
  // bytes written to anything but an eventfd (a file open under that number)
  // would damage it.
  const intptr_t value = reinterpret_cast<intptr_t>(event);
  if (value <= 0 || value > INT32_MAX) return;
  char target[64];
  const std::string link = "/proc/self/fd/" + std::to_string(value);
  const ssize_t len = readlink(link.c_str(), target, sizeof target - 1);
  if (len <= 0 || std::string(target, static_cast<size_t>(len)) != "anon_inode:[eventfd]") return;
  uint64_t one = 1;
  ssize_t n;
  do {
    n = write(Fd(event), &one, sizeof one);
  } while (n < 0 && errno == EINTR);
}

bool WaitForEventObject(TEventHandle event, uint32_t milliseconds) {
  if (!event) return false;
  pollfd p{Fd(event), POLLIN, 0};
  int timeout = milliseconds > INT32_MAX ? INT32_MAX : static_cast<int>(milliseconds);
  for (;;) {
    int r = poll(&p, 1, timeout);
    if (r > 0) return (p.revents & POLLIN) != 0;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

void CloseEventObject(TEventHandle event) {
  if (event) close(Fd(event));
}

}  // namespace orlix
