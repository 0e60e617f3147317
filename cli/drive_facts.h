// What `orlix info` reports about a drive and the disc in it, gathered once
// so that the text and the JSON forms say the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/scsi_device.h"

namespace orlix::cli {

struct SpeedFact {
  uint16_t kbps = 0;
  double multiple = 0;  // of 1x for the medium in the drive (CD without one)
};

struct DriveFacts {
  std::string name;
  std::string address;
  std::vector<std::string> reads, writes, features;
  bool dvd_speeds = false;  // multiples are of 1x DVD (1385 KB/s), else of 1x CD (176.4 KB/s)
  SpeedFact max_read, current_read, max_write, current_write;
  uint32_t buffer_kb = 0;
  std::vector<std::string> write_methods;
};

struct DiscFacts {
  bool ready = false;
  std::string medium;  // the profile's name
  std::string type;    // the medium code's name
  uint16_t profile = 0;
  int status = -1;        // 0 blank, 1 appendable, 2 complete, 3 random access, -1 unknown
  int last_session = -1;  // 0 empty, 1 incomplete, 2 damaged, 3 complete, -1 unknown
  uint16_t sessions = 0;
  uint32_t used = 0, free = 0, total = 0;  // 2048-byte blocks
  bool erasable = false;
};

DriveFacts GatherDriveFacts(TSCSIDevice& device, bool dvd_medium);
DiscFacts GatherDiscFacts(TSCSIDevice& device);

// Worded as the virtual recorder's `vdisc show` words them.
std::string DiscStatusName(int status);
std::string SessionStateName(int state);
// Vendor, product and revision as INQUIRY gives them (8, 16 and 4 bytes
// padded with spaces from `fields` on), each trimmed, one space between: the
// one way every verb names a drive.
std::string DriveName(const char* fields);
// "0x001A", as every verb writes a profile.
std::string ProfileText(uint16_t profile);
// Megabytes (2^20 bytes) of a count of 2048-byte blocks.
double BlocksToMB(uint32_t blocks);

}  // namespace orlix::cli
