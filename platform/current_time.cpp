// The current instant, which tests may pin, and the zone figures for it.
#include <atomic>
#include <chrono>

#include "platform/time_zone.h"

namespace orlix {
namespace {

std::atomic<bool> g_override_enabled{false};
std::atomic<int64_t> g_override_seconds{0};

}  // namespace

int64_t CurrentUnixTime() {
  if (g_override_enabled) return g_override_seconds;
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void SetCurrentUnixTimeOverride(bool enabled, int64_t unix_seconds) {
  g_override_seconds = unix_seconds;
  g_override_enabled = enabled;
}

bool GetTimeZoneInformation(TTimeZoneInformation& info) {
  return GetTimeZoneInformation(info, static_cast<std::time_t>(CurrentUnixTime()));
}

}  // namespace orlix
