// The recorder's configuration: which disc file is loaded, how long long
// operations take, how fast the buffer drains, and the faults to inject.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vrecorder/media.h"
#include "vrecorder/sense.h"

namespace orlix::vrec {

struct FailingCommand {
  uint8_t opcode = 0;
  Sense sense;
};

struct Faults {
  int busy = 0;                         // commands answered with BUSY status
  int not_ready = 0;                    // commands answered NOT READY, BECOMING READY
  std::vector<uint32_t> medium_errors;  // blocks that cannot be read or written
  std::vector<uint32_t> corrupt_blocks;  // blocks stored altered by the writes that cover them
  std::vector<FailingCommand> failing;
  int64_t gone_after = -1;  // commands before the drive disappears; -1 never
};

struct Settings {
  std::string file;                // empty: no disc in the drive
  const Medium* medium = nullptr;  // profile=, when given
  int64_t blocks = 0;              // blocks=, 0 = the medium's usual capacity
  int64_t op_ms = 2000;            // a full blank or format
  int target = 0;
  bool vendor_page = false;  // page30=1
  std::string image;         // image=, content of a new pressed disc
  int64_t speed_kbps = 0;    // speed=N: the buffer drains at N kB/s; 0 at once
  bool speed_drive = false;  // speed=drive: it drains at the selected write speed
  Faults faults;
};

// "FILE[,profile=P][,blocks=N][,op-ms=N][,speed=N|drive][,target=N][,page30=1][,image=PATH][,fault=F]..."
bool ParseSettings(const std::string& spec, Settings& settings, std::string& error);
// Faults separated by ',' or ';', each optionally written "fault=F":
// busy:N, notready:N, medium:LBA, corrupt:LBA, fail:OP[:KEY/ASC/ASCQ] (hexadecimal),
// gone[:N].
bool ParseFaults(const std::string& list, Faults& faults, std::string& error);

}  // namespace orlix::vrec
