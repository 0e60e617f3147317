#include "vrecorder/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace orlix::vrec {

namespace {
std::atomic<int64_t> offset_ms{0};
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() + offset_ms.load();
}

void AdvanceClock(int64_t ms) {
  if (ms > 0) offset_ms += ms;
}

void SleepMs(int64_t ms) {
  const int64_t end = NowMs() + ms;
  for (int64_t left = ms; left > 0; left = end - NowMs())
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(left, 10)));
}

}  // namespace orlix::vrec
