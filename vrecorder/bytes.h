// Big-endian fields of command blocks and drive answers.
#pragma once

#include <cstdint>
#include <vector>

namespace orlix::vrec {

using Bytes = std::vector<uint8_t>;

inline uint32_t Get16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
inline uint32_t Get24(const uint8_t* p) { return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]; }
inline uint32_t Get32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void Put24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 16);
  Put16(p + 1, v);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v >> 16);
  Put16(p + 2, v);
}

// Minutes, seconds and frames of a logical block address (75 frames per
// second, block 0 at 00:02:00).
inline void PutMsf(uint8_t* p, uint32_t lba) {
  uint32_t frames = lba + 150;
  p[0] = static_cast<uint8_t>(frames / 4500);
  p[1] = static_cast<uint8_t>(frames / 75 % 60);
  p[2] = static_cast<uint8_t>(frames % 75);
}

inline uint32_t MsfToLba(uint8_t m, uint8_t s, uint8_t f) { return (m * 60u + s) * 75u + f - 150u; }

inline uint32_t AlignUp(uint32_t v, uint32_t unit) { return (v + unit - 1) / unit * unit; }

}  // namespace orlix::vrec
