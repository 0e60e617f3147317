// A drive at 0:0:0 of the stand-in ASPI layer whose answers the test
// scripts: mode pages, features, TOC, track and disc information, failures.
// It keeps every command with the data sent along, so tests can check command
// blocks and parameter lists byte for byte; it may be called from a worker
// thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/scsi_device.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {

struct Sense {
  uint8_t key = 0, asc = 0, ascq = 0;
};
inline constexpr Sense kInvalidCommand{0x05, 0x20, 0x00};
inline constexpr Sense kNotReadyInProgress{0x02, 0x04, 0x07};
inline constexpr Sense kNoMedium{0x02, 0x3A, 0x00};

struct Command {
  std::vector<uint8_t> cdb;  // as many bytes as the CDB length
  uint8_t flags = 0;
  uint32_t length = 0;
  std::vector<uint8_t> out;  // data sent to the drive
  uint8_t op() const { return cdb[0]; }
};

class ScriptedDrive {
 public:
  // Installs the layer; a TSCSIDevice can then select "0:0:0".
  ScriptedDrive();

  // Data-in answers. An operation with data in and no answer fails as
  // unknown to the drive; commands without data in succeed unless failed.
  std::map<uint8_t, std::vector<uint8_t>> answer;        // by operation code
  std::map<uint8_t, std::vector<uint8_t>> current_page;  // MODE SENSE, current values, by page
  std::map<uint8_t, std::vector<uint8_t>> default_page;  // MODE SENSE, default values, by page
  std::map<uint16_t, std::vector<uint8_t>> feature;      // GET CONFIGURATION by starting feature
  std::map<uint8_t, std::vector<uint8_t>> toc;           // READ TOC by format
  std::map<uint8_t, std::vector<uint8_t>> track;         // READ TRACK INFORMATION by track
  std::map<uint8_t, Sense> fail;                         // operations that end in a check condition
  // Asked first for every command; a sense makes it fail, std::nullopt lets
  // the tables above answer.
  std::function<std::optional<Sense>(const Command&)> judge;

  std::vector<Command> Commands();
  std::vector<Command> Commands(uint8_t op);
  void Clear();

  // Builders of answers.
  // A MODE SENSE (10) answer: header, optionally an 8-byte block descriptor,
  // then the page.
  static std::vector<uint8_t> ModeAnswer(std::vector<uint8_t> page, bool block_descriptor);
  // A GET CONFIGURATION answer with the current profile and one feature
  // descriptor (code and its first data byte).
  static std::vector<uint8_t> ConfigAnswer(uint16_t profile, uint16_t feature_code = 0, uint8_t data = 0);
  // A READ DISC INFORMATION answer.
  static std::vector<uint8_t> DiscInfoAnswer(uint8_t status, uint8_t last_session, bool erasable,
                                             uint8_t sessions, uint8_t last_track);
  // A READ TRACK INFORMATION answer.
  static std::vector<uint8_t> TrackAnswer(uint32_t start, uint32_t next_writable, uint32_t free_blocks,
                                          uint32_t size);
  // An ATIP answer with disc type byte and lead-out start M:S:F.
  static std::vector<uint8_t> AtipAnswer(uint8_t disc_type, uint8_t m, uint8_t s, uint8_t f);
  // READ FORMAT CAPACITIES with one current/maximum descriptor.
  static std::vector<uint8_t> FormatCapacityAnswer(uint32_t blocks, uint8_t type, uint32_t block_length);
  // READ CAPACITY.
  static std::vector<uint8_t> CapacityAnswer(uint32_t last_lba, uint32_t block_length);

  FakeLayer layer;

 private:
  void Handle(TSRB_ExecSCSICmd& srb);

  std::mutex mutex_;
  std::vector<Command> commands_;
};

// A device selected on the scripted drive, with the commands of its
// selection forgotten.
class ScriptedDevice : public TSCSIDevice {
 public:
  explicit ScriptedDevice(ScriptedDrive& drive);
};

}  // namespace orlix::test
