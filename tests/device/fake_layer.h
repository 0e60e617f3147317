// A stand-in ASPI layer behind the two entry points, with drives whose
// answers a test scripts by table or by hand.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

#include "device/byte_order.h"
#include "device/erase_thread.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"
#include "framework/thread.h"
#include "transport/transport_state.h"

namespace orlix::test {

using Bytes = std::vector<uint8_t>;

struct FakeDrive {
  uint8_t type = 5;
  std::string identity = "VENDOR  PRODUCT NAME    1.00";  // INQUIRY bytes 8-35
  int bios_drive = -1;                                    // answer of get-disk-info
};

struct Sense {
  uint8_t key, asc, ascq;
};

// An execute request as received, with its CDB and the data sent along.
struct Command {
  TSRB_ExecSCSICmd srb;
  Bytes cdb, out;
  uint8_t op() const { return cdb[0]; }
};

inline void CheckCondition(TSRB_ExecSCSICmd& srb, Sense s, uint8_t extra = 10) {
  srb.SRB_Status = SS_ERR;
  srb.SRB_TargStat = STATUS_CHKCOND;
  const uint8_t sense[14] = {0x70, 0, s.key, 0, 0, 0, 0, extra, 0, 0, 0, 0, s.asc, s.ascq};
  std::memcpy(srb.SenseArea, sense, sizeof sense);
}

class FakeLayer {
 public:
  uint8_t adapters = 1;
  std::map<std::tuple<uint8_t, uint8_t, uint8_t>, FakeDrive> drives;
  void* last_abort_target = nullptr;
  // Answers execute requests other than INQUIRY; without it they complete.
  std::function<void(TSRB_ExecSCSICmd&)> answer;

  FakeLayer() {
    current = this;
    SendASPI32Command = &Send;
    GetASPI32SupportInfo = [] { return 0x0100u | current->adapters; };
    ASPIDLLLoaded = true;
    ASPILayerName = "fake layer";
    // Drive-letter look-ups must not see the machine's own drives.
    PassThrough.is_cd_drive = [](int) { return false; };
    PassThrough.open = [](int) { return kNoDriveHandle; };
  }
  virtual ~FakeLayer() {
    ASPIDLLLoaded = false;
    SendASPI32Command = nullptr;
    GetASPI32SupportInfo = nullptr;
    ASPILayerName.clear();
    PassThrough = SystemPassThrough();
    SetSleepSpeedup(1);
  }

  FakeDrive& Add(uint8_t ha, uint8_t target, uint8_t lun = 0) { return drives[{ha, target, lun}]; }
  // The execute requests so far (those with operation code `op`); requests
  // may come from a worker thread.
  std::vector<Command> Commands(int op = -1) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Command> some;
    std::copy_if(commands_.begin(), commands_.end(), std::back_inserter(some),
                 [=](const Command& c) { return op < 0 || c.op() == op; });
    return some;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.clear();
  }

 protected:
  virtual void Respond(TSRB_ExecSCSICmd& srb, const Command&) {
    if (answer) answer(srb);
  }

 private:
  static inline FakeLayer* current = nullptr;

  static uint32_t Send(void* block) {
    FakeLayer& f = *current;
    switch (static_cast<TSRB_Header*>(block)->SRB_Cmd) {
      case SC_HA_INQUIRY: {
        auto* ha = static_cast<TSRB_HAInquiry*>(block);
        ha->HA_Count = f.adapters;
        std::memcpy(ha->HA_ManagerId, "FAKE ASPI LAYER ", 16);
        std::memcpy(ha->HA_Identifier, "FAKE 0", 6);
        return ha->SRB_Status = SS_COMP;
      }
      case SC_ABORT_SRB: {
        auto* abort = static_cast<TSRB_Abort*>(block);
        f.last_abort_target = abort->SRB_ToAbort;
        return abort->SRB_Status = SS_COMP;
      }
      case SC_GET_DISK_INFO: {
        auto* disk = static_cast<TSRB_GetDiskInfo*>(block);
        auto it = f.drives.find({disk->SRB_HaId, disk->SRB_Target, disk->SRB_Lun});
        if (it == f.drives.end() || it->second.bios_drive < 0) return disk->SRB_Status = SS_ERR;
        disk->SRB_Int13HDriveInfo = static_cast<uint8_t>(it->second.bios_drive);
        return disk->SRB_Status = SS_COMP;
      }
      case SC_EXEC_SCSI_CMD:
        break;
      default:
        return static_cast<TSRB_Header*>(block)->SRB_Status = SS_ERR;
    }
    auto& srb = *static_cast<TSRB_ExecSCSICmd*>(block);
    auto* data = static_cast<uint8_t*>(srb.SRB_BufPointer);
    Command c{srb, {srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen}, {}};
    if (srb.SRB_Flags & SRB_DIR_OUT) c.out.assign(data, data + srb.SRB_BufLen);
    {
      std::lock_guard<std::mutex> lock(f.mutex_);
      f.commands_.push_back(c);
    }
    auto it = f.drives.find({srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun});
    if (it == f.drives.end()) return srb.SRB_Status = SS_NO_DEVICE;
    srb.SRB_Status = SS_COMP;
    if (c.op() != 0x12) return f.Respond(srb, c), srb.SRB_Status;
    data[0] = it->second.type;
    std::memcpy(data + 8, it->second.identity.data(), std::min<size_t>(28, it->second.identity.size()));
    return srb.SRB_Status;
  }

  std::mutex mutex_;
  std::vector<Command> commands_;
};

// A drive at 0:0:0 answering from tables. Data-in commands without an entry
// fail as unknown to the drive; the others succeed unless failed.
class ScriptedDrive : public FakeLayer {
 public:
  std::map<uint8_t, Bytes> reply;                             // by operation code
  std::map<uint8_t, Bytes> page;                              // MODE SENSE by page
  std::map<uint16_t, Bytes> feature;                          // GET CONFIGURATION by starting feature
  std::map<uint8_t, Bytes> toc;                               // READ TOC by format
  std::map<uint8_t, Bytes> track;                             // READ TRACK INFORMATION by track
  std::map<uint8_t, Sense> fail;                              // by operation code
  std::function<std::optional<Sense>(const Command&)> judge;  // asked first

  ScriptedDrive() { Add(0, 0, 0); }

 protected:
  void Respond(TSRB_ExecSCSICmd& srb, const Command& c) override {
    std::optional<Sense> failure = judge ? judge(c) : std::nullopt;
    if (!failure && fail.count(c.op())) failure = fail.at(c.op());
    if (!failure && (srb.SRB_Flags & SRB_DIR_IN)) {
      auto find = [](auto& table, auto key) { return table.count(key) ? &table.at(key) : nullptr; };
      const Bytes* r = c.op() == 0x5A   ? find(page, uint8_t(c.cdb[2] & 0x3F))
                       : c.op() == 0x46 ? find(feature, GetBE16(&c.cdb[2]))
                       : c.op() == 0x43 ? find(toc, c.cdb[2])
                       : c.op() == 0x52 ? find(track, c.cdb[5])
                                        : find(reply, c.op());
      // Like a drive, only the bytes of the answer are transferred.
      if (!r)
        failure = Sense{0x05, 0x20, 0x00};
      else
        std::copy_n(r->begin(), std::min<size_t>(r->size(), srb.SRB_BufLen),
                    static_cast<uint8_t*>(srb.SRB_BufPointer));
    }
    if (failure) CheckCondition(srb, *failure);
  }
};

// Answers: bytes and big-endian double words at their offsets, zero elsewhere.
inline Bytes Answer(size_t size, std::initializer_list<std::pair<size_t, uint32_t>> bytes = {},
                    std::initializer_list<std::pair<size_t, uint32_t>> dwords = {}) {
  Bytes a(size, 0);
  for (auto [at, v] : bytes) a[at] = static_cast<uint8_t>(v);
  for (auto [at, v] : dwords) PutBE32(&a[at], v);
  return a;
}
// MODE SENSE (10): header, optionally an 8-byte block descriptor, the page.
inline Bytes ModeAnswer(const Bytes& page, bool block_descriptor) {
  Bytes a = Answer(block_descriptor ? 16 : 8, {{7, block_descriptor ? 8 : 0}});
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
// An 80-minute disc: lead-in from 97:26:66, lead-out by 79:59:74.
inline Bytes AtipAnswer(uint8_t disc_type) {
  return Answer(28, {{1, 26}, {6, disc_type}, {8, 97}, {9, 26}, {10, 66}, {12, 79}, {13, 59}, {14, 74}});
}

// A device on the scripted drive, the commands of its selection forgotten.
struct ScriptedDevice : TSCSIDevice {
  explicit ScriptedDevice(ScriptedDrive& drive) : TSCSIDevice(nullptr) {
    SetDeviceID("0:0:0");
    drive.Clear();
  }
};

struct EraseOutcome {
  bool started = false, with_error = false, erasing_at_event = false;
  int events = 0, progress_at_event = -1;
  std::vector<int> progress;  // as seen while the erase thread ran
};

// Starts an erase and pumps the main thread until the erase thread is gone.
inline EraseOutcome RunErase(TSCSIDevice& device, uint8_t type) {
  EraseOutcome o;
  device.OnEraseDone = [&](TComponent*, bool with_error) {
    EXPECT_TRUE(IsMainThread());
    ++o.events;
    o.with_error = with_error;
    o.erasing_at_event = device.Erasing();
    o.progress_at_event = device.EraseProgress();
  };
  o.started = device.EraseDisc(type);
  while (o.started && (o.events == 0 || EraseThreadRunning())) {
    o.progress.push_back(device.EraseProgress());
    CheckSynchronize(2);
  }
  EXPECT_FALSE(device.Erasing());
  return o;
}

}  // namespace orlix::test
