// A drive at 0:0:0 of the stand-in ASPI layer whose answers the test scripts
// by table. It keeps every command with the data sent along, and may be
// called from a worker thread.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "device/byte_order.h"
#include "device/scsi_device.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {

struct Sense {
  uint8_t key, asc, ascq;
};
inline constexpr Sense kNotReadyInProgress{0x02, 0x04, 0x07};

struct Command {
  std::vector<uint8_t> cdb, out;  // out: the data sent to the drive
  uint8_t flags;
  uint8_t op() const { return cdb[0]; }
};

using Bytes = std::vector<uint8_t>;

class ScriptedDrive {
 public:
  // Data-in answers; a command with data in and no answer fails as unknown
  // to the drive. Commands without data in succeed unless failed.
  std::map<uint8_t, Bytes> answer;    // by operation code
  std::map<uint8_t, Bytes> page;      // MODE SENSE (current or default values) by page
  std::map<uint16_t, Bytes> feature;  // GET CONFIGURATION by starting feature
  std::map<uint8_t, Bytes> toc;       // READ TOC by format
  std::map<uint8_t, Bytes> track;     // READ TRACK INFORMATION by track
  std::map<uint8_t, Sense> fail;      // by operation code
  // Asked first; a sense fails the command.
  std::function<std::optional<Sense>(const Command&)> judge;

  ScriptedDrive() {
    layer_.Add(0, 0, 0);
    layer_.answer = [this](TSRB_ExecSCSICmd& srb) { Handle(srb); };
  }

  std::vector<Command> Commands(int op = -1) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Command> some;
    for (const Command& c : commands_)
      if (op < 0 || c.op() == op) some.push_back(c);
    return some;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.clear();
  }

 private:
  void Handle(TSRB_ExecSCSICmd& srb) {
    Command c{{srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen}, {}, srb.SRB_Flags};
    const auto* data = static_cast<const uint8_t*>(srb.SRB_BufPointer);
    if (srb.SRB_Flags & SRB_DIR_OUT) c.out.assign(data, data + srb.SRB_BufLen);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      commands_.push_back(c);
    }
    std::optional<Sense> failure = judge ? judge(c) : std::nullopt;
    if (!failure && fail.count(c.op())) failure = fail.at(c.op());
    const Bytes* reply = nullptr;
    auto find = [&](auto& table, auto key) {
      if (table.count(key)) reply = &table.at(key);
    };
    if (!failure && (srb.SRB_Flags & SRB_DIR_IN)) {
      if (c.op() == 0x5A)
        find(page, static_cast<uint8_t>(c.cdb[2] & 0x3F));
      else if (c.op() == 0x46)
        find(feature, GetBE16(&c.cdb[2]));
      else if (c.op() == 0x43)
        find(toc, static_cast<uint8_t>(c.cdb[2]));
      else if (c.op() == 0x52)
        find(track, c.cdb[5]);
      else
        find(answer, c.op());
      if (!reply) failure = Sense{0x05, 0x20, 0x00};
    }
    if (failure) {
      CheckCondition(srb, failure->key, failure->asc, failure->ascq);
      return;
    }
    if (reply) {
      std::memset(srb.SRB_BufPointer, 0, srb.SRB_BufLen);
      std::memcpy(srb.SRB_BufPointer, reply->data(), std::min<size_t>(reply->size(), srb.SRB_BufLen));
    }
    srb.SRB_Status = SS_COMP;
  }

  FakeLayer layer_;
  std::mutex mutex_;
  std::vector<Command> commands_;
};

// Answers: big-endian fields at their offsets on a zeroed buffer.
inline Bytes Answer(size_t size, std::initializer_list<std::pair<size_t, uint32_t>> bytes = {},
                    std::initializer_list<std::pair<size_t, uint32_t>> dwords = {}) {
  Bytes a(size, 0);
  for (auto [at, v] : bytes) a[at] = static_cast<uint8_t>(v);
  for (auto [at, v] : dwords) PutBE32(&a[at], v);
  return a;
}
// MODE SENSE (10): header, optionally an 8-byte block descriptor, the page.
inline Bytes ModeAnswer(const Bytes& page, bool block_descriptor) {
  Bytes a(block_descriptor ? 16 : 8, 0);
  a[7] = block_descriptor ? 8 : 0;
  a.insert(a.end(), page.begin(), page.end());
  return a;
}
inline Bytes ConfigAnswer(uint16_t profile, uint16_t feature = 0, uint8_t data = 0) {
  return Answer(16,
                {{6, profile >> 8}, {7, profile & 0xFF}, {8, feature >> 8}, {9, feature & 0xFF}, {12, data}});
}
// Status, state of the last session, erasable bit, sessions, last track.
inline Bytes DiscInfoAnswer(uint8_t status, uint8_t last, bool erasable, uint8_t sessions,
                            uint8_t last_track) {
  return Answer(34, {{2, status | last << 2 | (erasable ? 0x10 : 0)}, {4, sessions}, {6, last_track}});
}
inline Bytes TrackAnswer(uint32_t start, uint32_t next_writable, uint32_t free, uint32_t size) {
  return Answer(36, {}, {{8, start}, {12, next_writable}, {16, free}, {24, size}});
}
inline Bytes AtipAnswer(uint8_t disc_type, uint8_t m, uint8_t s, uint8_t f) {
  return Answer(28, {{6, disc_type}, {12, m}, {13, s}, {14, f}});
}
// READ FORMAT CAPACITIES: blocks, descriptor type, block length 2048.
inline Bytes FormatCapacityAnswer(uint32_t blocks, uint8_t type) {
  return Answer(12, {{8, type}, {10, 0x08}}, {{4, blocks}});
}

// A device selected on the scripted drive, the commands of its selection
// forgotten.
struct ScriptedDevice : TSCSIDevice {
  explicit ScriptedDevice(ScriptedDrive& drive) : TSCSIDevice(nullptr) {
    SetDeviceID("0:0:0");
    drive.Clear();
  }
};

}  // namespace orlix::test
