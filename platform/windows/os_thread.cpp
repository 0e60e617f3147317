#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <algorithm>

#include "platform/os_thread.h"

namespace orlix {

TOsThreadId CurrentOsThreadId() { return GetCurrentThreadId(); }

bool SetOsThreadPriority(TOsThreadId thread, int level) {
  static const int kPriorities[7] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                     THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                     THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                     THREAD_PRIORITY_TIME_CRITICAL};
  level = std::clamp(level, kOsPriorityIdle, kOsPriorityTimeCritical);
  HANDLE handle = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(thread));
  if (handle == nullptr) return false;
  BOOL ok = SetThreadPriority(handle, kPriorities[level]);
  CloseHandle(handle);
  return ok != FALSE;
}

int CurrentOsThreadSchedulingValue() { return -GetThreadPriority(GetCurrentThread()); }

void OsSleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

void OsSleepMicroseconds(uint64_t microseconds) {
  // The system sleeps in whole milliseconds; a shorter wait gives up the
  // rest of the time slice.
  ::Sleep(static_cast<DWORD>(std::min<uint64_t>((microseconds + 999) / 1000, 0xFFFFFFFEu)));
}

uint64_t OsMonotonicMicroseconds() {
  static const uint64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<uint64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
  return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

uint64_t OsMonotonicMilliseconds() { return OsMonotonicMicroseconds() / 1000; }

}  // namespace orlix
