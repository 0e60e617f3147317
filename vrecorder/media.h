// The kinds of medium the recorder can hold, keyed by their MMC profile, with
// the rules and speeds a drive applies to each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orlix::vrec {

constexpr uint16_t kProfileNone = 0x0000;
constexpr uint16_t kProfileCdRom = 0x0008;
constexpr uint16_t kProfileCdR = 0x0009;
constexpr uint16_t kProfileCdRw = 0x000A;
constexpr uint16_t kProfileDvdRom = 0x0010;
constexpr uint16_t kProfileDvdR = 0x0011;
constexpr uint16_t kProfileDvdRam = 0x0012;
constexpr uint16_t kProfileDvdRwRestricted = 0x0013;
constexpr uint16_t kProfileDvdRwSequential = 0x0014;
constexpr uint16_t kProfileDvdPlusRw = 0x001A;
constexpr uint16_t kProfileDvdPlusR = 0x001B;

enum class Recording {
  kPressed,     // read-only content
  kSequential,  // sessions and tracks, written at the next writable address
  kOverwrite,   // written anywhere within the formatted capacity
};

struct Medium {
  uint16_t profile;
  const char* name;   // configuration name, "dvd+r"
  const char* title;  // display name, "DVD+R"
  bool dvd;
  Recording recording;
  bool blankable;    // BLANK applies (CD-RW, DVD-RW)
  bool formattable;  // FORMAT UNIT applies
  uint32_t default_blocks;
  uint16_t max_read_speed;             // kB/s
  std::vector<uint16_t> write_speeds;  // kB/s, fastest first; empty = not writable
  uint8_t book_type;                   // READ DVD STRUCTURE byte 4
};

// Every profile the drive supports, in the order of its profile list.
const std::vector<Medium>& AllMedia();
// nullptr when unknown. Takes a name ("cd-rw", "dvd-rw-ro") or a profile
// number ("0x1a", "26").
const Medium* FindMedium(const std::string& name_or_number);
const Medium* MediumForProfile(uint16_t profile);
// Both DVD-RW recording modes are one physical medium.
bool SamePhysicalMedium(uint16_t a, uint16_t b);
std::string MediumNames();

}  // namespace orlix::vrec
