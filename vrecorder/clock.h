// Wall-clock milliseconds, which tests may move forward so that a long
// operation ends without waiting for it.
#pragma once

#include <cstdint>

namespace orlix::vrec {

int64_t NowMs();
void AdvanceClock(int64_t ms);
// Sleeps `ms` of the recorder's time: an advance made meanwhile shortens it.
void SleepMs(int64_t ms);

}  // namespace orlix::vrec
