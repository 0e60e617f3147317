// The medium codes of DiscType and the disc summary GetDiscInformation gives.
#pragma once

#include <cstdint>
#include <string>

#include "framework/export.h"

namespace orlix {

// Medium codes (DiscType, MediumIs); their names are DiscTypeString.
constexpr uint8_t kMediumUnknown = 0;
constexpr uint8_t kMediumCDROM = 1;
constexpr uint8_t kMediumCDR = 2;
constexpr uint8_t kMediumCDRW = 3;
constexpr uint8_t kMediumDVDROM = 4;
constexpr uint8_t kMediumDVDR = 5;
constexpr uint8_t kMediumDVDRAM = 6;
constexpr uint8_t kMediumDVDRW = 7;
constexpr uint8_t kMediumDVDRWAlt = 8;  // never returned by DiscType; treated as DVD-RW
constexpr uint8_t kMediumDVDPlusRW = 9;
constexpr uint8_t kMediumDVDPlusR = 10;
constexpr uint8_t kMediumDDCDROM = 11;
constexpr uint8_t kMediumDDCDR = 12;
constexpr uint8_t kMediumDDCDRW = 13;
constexpr int kMediumCount = 14;

constexpr bool IsDvdRw(uint16_t medium) { return medium == kMediumDVDRW || medium == kMediumDVDRWAlt; }
// DVD media, whose speeds count in 1385 KB/s; all other codes are CDs.
constexpr bool IsDvd(uint16_t medium) { return medium >= kMediumDVDROM && medium <= kMediumDVDPlusR; }

// Medium code of a current profile (GET CONFIGURATION); 0 for unlisted ones.
ORLIX_API uint8_t MediumOfProfile(uint16_t profile);
// The medium name of a current profile, "???????" for unlisted ones; sets
// rewritable for the profiles of rewritable media.
ORLIX_API std::string ProfileName(uint16_t profile, bool& rewritable);

// The most 2048-byte blocks a medium of that code can hold: a count a drive
// reports beyond it is no count. CDs end their lead-out by 99:59:74, double
// density CDs hold twice that, DVDs at most a dual-layer DVD+R; unknown media
// are only bounded far out.
constexpr uint32_t kCdMaxBlocks = (99 * 60 + 59) * 75 + 74 - 150;
constexpr uint32_t kDdcdMaxBlocks = 2 * kCdMaxBlocks;
constexpr uint32_t kDvdMaxBlocks = 4173824;
constexpr uint32_t kAnyMaxBlocks = 0x7F000000;
constexpr uint32_t MediumBlockLimit(uint16_t medium) {
  if (medium >= kMediumCDROM && medium <= kMediumCDRW) return kCdMaxBlocks;
  if (IsDvd(medium)) return kDvdMaxBlocks;
  if (medium >= kMediumDDCDROM && medium <= kMediumDDCDRW) return kDdcdMaxBlocks;
  return kAnyMaxBlocks;
}

// Disc status and last-session state (READ DISC INFORMATION byte 2).
constexpr uint8_t kDiscEmpty = 0;
constexpr uint8_t kDiscIncomplete = 1;
constexpr uint8_t kDiscComplete = 2;
constexpr uint8_t kDiscOther = 3;
constexpr uint8_t kSessionEmpty = 0;
constexpr uint8_t kSessionIncomplete = 1;
constexpr uint8_t kSessionDamaged = 2;
constexpr uint8_t kSessionComplete = 3;

struct TDisc {
  uint8_t Ready = 0;       // 1 when the drive answered; all else is 0 otherwise
  uint32_t Capacity = 0;   // total blocks of the medium
  uint32_t Blocks = 0;     // blocks in use or addressable
  uint32_t BlockSize = 0;  // bytes per block
  uint8_t FirstSession = 0;
  uint8_t LastSession = 0;
  uint8_t LastSessionState = 0;
  uint8_t Status = 0;
  uint16_t Profile = 0;
  std::string Medium;
  uint8_t Rewritable = 0;
};

}  // namespace orlix
