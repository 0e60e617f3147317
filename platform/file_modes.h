// File handles and open modes, apart from the file functions: the
// library's file streams take them, so applications see these without the
// platform's functions. Handles are signed 32-bit; a negative handle means
// no file.
#pragma once

#include <cstdint>

namespace orlix {

using THandle = int32_t;
constexpr THandle kInvalidHandle = -1;

// Open mode words: 0xFFFF creates (truncating an existing file) for writing;
// otherwise the two low bits choose the access and bits 4 to 6 the sharing.
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

}  // namespace orlix
