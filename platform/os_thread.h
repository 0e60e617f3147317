// Thread services of the operating system the framework's threads and waits
// use: priorities, the calling thread's id, sleeping and a monotonic clock.
#pragma once

#include <cstdint>

namespace orlix {

using TOsThreadId = uint64_t;

// Priority levels, idle (0) to time-critical (6); 3 is normal.
constexpr int kOsPriorityIdle = 0;
constexpr int kOsPriorityNormal = 3;
constexpr int kOsPriorityTimeCritical = 6;

TOsThreadId CurrentOsThreadId();
// Applies `level` to the thread as far as the process may. A level the
// process may not take (or could not leave again) is not applied; the thread
// keeps running at the priority it has. Returns true when the level was
// applied exactly.
bool SetOsThreadPriority(TOsThreadId thread, int level);
// The scheduler's view of the calling thread, larger meaning less CPU time
// (Linux: the nice value; Windows: the thread priority negated), for
// diagnostics and tests.
int CurrentOsThreadSchedulingValue();

void OsSleep(uint32_t milliseconds);
void OsSleepMicroseconds(uint64_t microseconds);
// Milliseconds of a monotonic clock since an arbitrary start.
uint64_t OsMonotonicMilliseconds();
uint64_t OsMonotonicMicroseconds();

}  // namespace orlix
