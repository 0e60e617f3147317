#include "vrecorder/drive_buffer.h"

#include <algorithm>

namespace orlix::vrec {

namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

}  // namespace

void DriveBuffer::Reset(int64_t now) {
  fill_ = 0;
  at_ = now;
}

void DriveBuffer::SetRate(int64_t kbps, int64_t now) {
  fill_ = Fill(now);
  at_ = now;
  rate_ = std::max<int64_t>(kbps, 0);
}

int64_t DriveBuffer::Fill(int64_t now) const {
  if (rate_ == 0) return 0;
  // The wall clock may step back; that drains nothing.
  const int64_t elapsed = std::max<int64_t>(now - at_, 0);
  if (elapsed >= CeilDiv(fill_, rate_)) return 0;
  return fill_ - elapsed * rate_;
}

int64_t DriveBuffer::WaitForRoom(int64_t bytes, int64_t now) const {
  const int64_t excess = Fill(now) + std::min(bytes, kCapacity) - kCapacity;
  return excess > 0 ? CeilDiv(excess, rate_) : 0;
}

int64_t DriveBuffer::DrainMs(int64_t now) const {
  const int64_t fill = Fill(now);
  return fill > 0 ? CeilDiv(fill, rate_) : 0;
}

void DriveBuffer::Add(int64_t bytes, int64_t now) {
  if (rate_ == 0) return;
  fill_ = std::min(Fill(now) + bytes, kCapacity);
  at_ = now;
}

}  // namespace orlix::vrec
