// The drive's write buffer as accounting only: data reaches the disc file as
// it arrives, but the buffer fills by what each WRITE brings and drains at the
// recording speed, so that hosts meet the waits and the fill levels of a real
// drive. Times are the recorder's clock in milliseconds.
#pragma once

#include <cstdint>

namespace orlix::vrec {

class DriveBuffer {
 public:
  static constexpr int64_t kCapacity = 2 * 1024 * 1024;

  // Empties the buffer.
  void Reset(int64_t now);
  // kB/s, which are bytes per millisecond; 0 drains at once. What was
  // drained at the old rate stays drained.
  void SetRate(int64_t kbps, int64_t now);
  int64_t Fill(int64_t now) const;
  int64_t Free(int64_t now) const { return kCapacity - Fill(now); }
  // How long until `bytes` more fit (at most the capacity).
  int64_t WaitForRoom(int64_t bytes, int64_t now) const;
  // How long until the buffer is empty.
  int64_t DrainMs(int64_t now) const;
  // Takes `bytes`; the caller has waited for room.
  void Add(int64_t bytes, int64_t now);

 private:
  int64_t rate_ = 0;  // bytes per millisecond
  int64_t fill_ = 0;  // bytes held at time at_
  int64_t at_ = 0;
};

}  // namespace orlix::vrec
