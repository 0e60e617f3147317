#include "vrecorder/media.h"

#include <cstdlib>

namespace orlix::vrec {

namespace {

// Speeds in the drive's kB/s: 1x is 176.4 for CD, 1385 for DVD.
constexpr uint16_t Cd(double x) { return static_cast<uint16_t>(x * 176.4 + 0.5); }
constexpr uint16_t Dvd(double x) { return static_cast<uint16_t>(x * 1385 + 0.5); }

// Capacities: an 80-minute CD (lead-out at 79:59:74), single-layer DVD±R/RW
// and a 4.7 GB DVD-RAM.
constexpr uint32_t kCdBlocks = 359849;
constexpr uint32_t kDvdMinusBlocks = 2298496;
constexpr uint32_t kDvdPlusBlocks = 2295104;
constexpr uint32_t kDvdRamBlocks = 2236704;

}  // namespace

const std::vector<Medium>& AllMedia() {
  static const std::vector<Medium> media = {
      {kProfileDvdPlusR,
       "dvd+r",
       "DVD+R",
       true,
       Recording::kSequential,
       false,
       false,
       kDvdPlusBlocks,
       Dvd(16),
       {Dvd(16), Dvd(12), Dvd(8), Dvd(4)},
       0xA1},
      {kProfileDvdPlusRw,
       "dvd+rw",
       "DVD+RW",
       true,
       Recording::kOverwrite,
       false,
       true,
       kDvdPlusBlocks,
       Dvd(12),
       {Dvd(8), Dvd(4), Dvd(2.4)},
       0x92},
      {kProfileDvdRwSequential,
       "dvd-rw",
       "DVD-RW Sequential Recording",
       true,
       Recording::kSequential,
       true,
       true,
       kDvdMinusBlocks,
       Dvd(12),
       {Dvd(6), Dvd(4), Dvd(2)},
       0x32},
      {kProfileDvdRwRestricted,
       "dvd-rw-ro",
       "DVD-RW Restricted Overwrite",
       true,
       Recording::kOverwrite,
       true,
       true,
       kDvdMinusBlocks,
       Dvd(12),
       {Dvd(6), Dvd(4), Dvd(2)},
       0x32},
      {kProfileDvdRam,
       "dvd-ram",
       "DVD-RAM",
       true,
       Recording::kOverwrite,
       false,
       true,
       kDvdRamBlocks,
       Dvd(5),
       {Dvd(5), Dvd(3), Dvd(2)},
       0x16},
      {kProfileDvdR,
       "dvd-r",
       "DVD-R",
       true,
       Recording::kSequential,
       false,
       false,
       kDvdMinusBlocks,
       Dvd(16),
       {Dvd(16), Dvd(12), Dvd(8), Dvd(4)},
       0x25},
      {kProfileDvdRom,
       "dvd-rom",
       "DVD-ROM",
       true,
       Recording::kPressed,
       false,
       false,
       kDvdPlusBlocks,
       Dvd(16),
       {},
       0x01},
      {kProfileCdRw,
       "cd-rw",
       "CD-RW",
       false,
       Recording::kSequential,
       true,
       false,
       kCdBlocks,
       Cd(40),
       {Cd(24), Cd(16), Cd(10), Cd(4)},
       0},
      {kProfileCdR,
       "cd-r",
       "CD-R",
       false,
       Recording::kSequential,
       false,
       false,
       kCdBlocks,
       Cd(48),
       {Cd(48), Cd(40), Cd(32), Cd(24), Cd(16), Cd(8), Cd(4)},
       0},
      {kProfileCdRom, "cd-rom", "CD-ROM", false, Recording::kPressed, false, false, kCdBlocks, Cd(48), {}, 0},
  };
  return media;
}

const Medium* MediumForProfile(uint16_t profile) {
  for (const Medium& m : AllMedia())
    if (m.profile == profile) return &m;
  return nullptr;
}

const Medium* FindMedium(const std::string& text) {
  for (const Medium& m : AllMedia())
    if (text == m.name) return &m;
  if (text == "dvd-rw-seq") return MediumForProfile(kProfileDvdRwSequential);
  if (text.empty()) return nullptr;
  char* end = nullptr;
  unsigned long number = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0' || number > 0xFFFF) return nullptr;
  return MediumForProfile(static_cast<uint16_t>(number));
}

bool SamePhysicalMedium(uint16_t a, uint16_t b) {
  auto dvd_rw = [](uint16_t p) { return p == kProfileDvdRwRestricted || p == kProfileDvdRwSequential; };
  return a == b || (dvd_rw(a) && dvd_rw(b));
}

std::string MediumNames() {
  std::string names;
  for (auto it = AllMedia().rbegin(); it != AllMedia().rend(); ++it) {
    if (!names.empty()) names += ", ";
    names += it->name;
  }
  return names;
}

}  // namespace orlix::vrec
