// Every wait of the library goes through Sleep, so tests can speed the clock
// up: with a speed-up factor F a Sleep(ms) lasts ms/F milliseconds and
// TickCount advances F times faster than the wall clock.
#pragma once

#include <cstdint>

#include "framework/export.h"

namespace orlix {

ORLIX_API void Sleep(uint32_t milliseconds);
// Milliseconds since an arbitrary start, scaled by the speed-up factor.
ORLIX_API uint64_t TickCount();
ORLIX_API void SetSleepSpeedup(uint32_t factor);  // 1 = real time
ORLIX_API uint32_t SleepSpeedup();

}  // namespace orlix
