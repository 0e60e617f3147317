#include "framework/sleep.h"

#include <mutex>

#include "platform/os_thread.h"

namespace orlix {
namespace {

// TickCount runs from a base that is moved whenever the factor changes, so
// the count never jumps backwards or leaps forwards.
struct Clock {
  std::mutex mutex;
  uint32_t factor = 1;
  uint64_t real_base = OsMonotonicMicroseconds();
  uint64_t tick_base = 0;  // in microseconds of scaled time
};

Clock& TheClock() {
  static Clock clock;
  return clock;
}

}  // namespace

void Sleep(uint32_t milliseconds) {
  uint32_t factor = SleepSpeedup();
  uint64_t us = static_cast<uint64_t>(milliseconds) * 1000 / factor;
  OsSleepMicroseconds(us);
}

uint64_t TickCount() {
  Clock& c = TheClock();
  std::lock_guard<std::mutex> lock(c.mutex);
  return (c.tick_base + (OsMonotonicMicroseconds() - c.real_base) * c.factor) / 1000;
}

void SetSleepSpeedup(uint32_t factor) {
  if (factor == 0) factor = 1;
  Clock& c = TheClock();
  std::lock_guard<std::mutex> lock(c.mutex);
  uint64_t now = OsMonotonicMicroseconds();
  c.tick_base += (now - c.real_base) * c.factor;
  c.real_base = now;
  c.factor = factor;
}

uint32_t SleepSpeedup() {
  Clock& c = TheClock();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.factor;
}

}  // namespace orlix
