// SCSI fields are big-endian; these move values between host order and the
// bytes of command blocks and drive answers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/bytes.h"

namespace orlix {

// Swap the byte order of a 16-bit and a 32-bit value (host <-> SCSI order).
constexpr uint16_t L2MW(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }
constexpr uint32_t L2MDW(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

// Copies n bytes in reversed order: a little-endian value of any width into a
// big-endian field.
inline void SwapCopy(const void* source, void* dest, size_t n) {
  const auto* s = static_cast<const uint8_t*>(source);
  auto* d = static_cast<uint8_t*>(dest);
  for (size_t i = 0; i < n; ++i) d[i] = s[n - 1 - i];
}

// (hours, minutes, seconds, frames) to a frame count, 75 frames a second.
constexpr uint32_t HMSFToFrames(uint32_t hours, uint32_t minutes, uint32_t seconds, uint32_t frames) {
  return (hours * 60 + minutes) * 4500 + seconds * 75 + frames;
}

}  // namespace orlix
