// Thread priorities map onto nice values, which Linux keeps per thread.
// Lowering a priority is always allowed, but an unprivileged thread may not
// lower its nice value again; so a level is applied only when the thread could
// return to normal afterwards, otherwise the thread stays where it is.
#include "platform/os_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orlix {
namespace {

constexpr int kNiceDelta[7] = {19, 10, 5, 0, -5, -10, -20};

bool HasSysNiceCapability() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return geteuid() == 0;
  char line[256];
  bool result = false;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    unsigned long long caps = 0;
    if (std::sscanf(line, "CapEff: %llx", &caps) == 1) {
      result = (caps >> 23) & 1;  // CAP_SYS_NICE
      break;
    }
  }
  std::fclose(f);
  return result;
}

struct NiceLimits {
  int base;   // the process's nice value at start: "normal"
  int floor;  // lowest nice value a thread may take
};

NiceLimits ReadNiceLimits() {
  NiceLimits limits;
  errno = 0;
  int base = getpriority(PRIO_PROCESS, 0);
  limits.base = errno == 0 ? base : 0;
  if (HasSysNiceCapability()) {
    limits.floor = -20;
  } else {
    rlimit rl{};
    long soft = getrlimit(RLIMIT_NICE, &rl) == 0 ? static_cast<long>(std::min<rlim_t>(rl.rlim_cur, 40)) : 0;
    limits.floor = static_cast<int>(20 - soft);
  }
  return limits;
}

// Taken at load time, on the main thread, before any thread changed its nice.
const NiceLimits kLimits = ReadNiceLimits();

}  // namespace

TOsThreadId CurrentOsThreadId() { return static_cast<TOsThreadId>(syscall(SYS_gettid)); }

bool SetOsThreadPriority(TOsThreadId thread, int level) {
  level = std::clamp(level, kOsPriorityIdle, kOsPriorityTimeCritical);
  int target = std::clamp(kLimits.base + kNiceDelta[level], -20, 19);
  int applied;
  if (kLimits.floor > kLimits.base)
    applied = kLimits.base;  // any change would be one-way
  else
    applied = std::max(target, kLimits.floor);
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(thread), applied) != 0) return false;
  return applied == target;
}

int CurrentOsThreadSchedulingValue() {
  errno = 0;
  int value = getpriority(PRIO_PROCESS, 0);
  return errno == 0 ? value : 0;
}

void OsSleepMicroseconds(uint64_t microseconds) {
  timespec req{static_cast<time_t>(microseconds / 1000000), static_cast<long>(microseconds % 1000000) * 1000};
  timespec rem{};
  while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
}

void OsSleep(uint32_t milliseconds) { OsSleepMicroseconds(static_cast<uint64_t>(milliseconds) * 1000); }

uint64_t OsMonotonicMicroseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000 + static_cast<uint64_t>(ts.tv_nsec) / 1000;
}

uint64_t OsMonotonicMilliseconds() { return OsMonotonicMicroseconds() / 1000; }

}  // namespace orlix
