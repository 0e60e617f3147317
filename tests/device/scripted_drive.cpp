#include "tests/device/scripted_drive.h"

#include <algorithm>
#include <cstring>

#include "device/byte_order.h"

namespace orlix::test {

namespace {

void Reply(TSRB_ExecSCSICmd& srb, const std::vector<uint8_t>& bytes) {
  std::memset(srb.SRB_BufPointer, 0, srb.SRB_BufLen);
  std::memcpy(srb.SRB_BufPointer, bytes.data(), std::min<size_t>(bytes.size(), srb.SRB_BufLen));
}

}  // namespace

ScriptedDrive::ScriptedDrive() {
  layer.Add(0, 0, 0).identity = "ORLIX   SCRIPTED DRIVE  1.00";
  layer.answer = [this](TSRB_ExecSCSICmd& srb) { Handle(srb); };
}

std::vector<Command> ScriptedDrive::Commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::vector<Command> ScriptedDrive::Commands(uint8_t op) {
  std::vector<Command> all = Commands(), some;
  for (const Command& c : all)
    if (c.op() == op) some.push_back(c);
  return some;
}

void ScriptedDrive::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.clear();
}

void ScriptedDrive::Handle(TSRB_ExecSCSICmd& srb) {
  Command c;
  c.cdb.assign(srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen);
  c.flags = srb.SRB_Flags;
  c.length = srb.SRB_BufLen;
  if ((srb.SRB_Flags & SRB_DIR_OUT) && srb.SRB_BufPointer) {
    const auto* data = static_cast<const uint8_t*>(srb.SRB_BufPointer);
    c.out.assign(data, data + srb.SRB_BufLen);
  }
  std::function<std::optional<Sense>(const Command&)> judge_copy;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(c);
    judge_copy = judge;
  }

  std::optional<Sense> failure;
  if (judge_copy) failure = judge_copy(c);
  const uint8_t op = c.op();
  const std::vector<uint8_t>* data = nullptr;
  if (!failure) {
    if (auto f = fail.find(op); f != fail.end()) failure = f->second;
  }
  if (!failure && (srb.SRB_Flags & SRB_DIR_IN)) {
    auto lookup = [&](auto& table, auto key) {
      auto it = table.find(key);
      data = it == table.end() ? nullptr : &it->second;
    };
    switch (op) {
      case 0x5A:
        if (srb.CDBByte[2] & 0x80)
          lookup(default_page, static_cast<uint8_t>(srb.CDBByte[2] & 0x3F));
        else
          lookup(current_page, static_cast<uint8_t>(srb.CDBByte[2] & 0x3F));
        break;
      case 0x46:
        lookup(feature, GetBE16(srb.CDBByte + 2));
        break;
      case 0x43:
        lookup(toc, static_cast<uint8_t>(srb.CDBByte[2] & 0x0F));
        break;
      case 0x52:
        lookup(track, static_cast<uint8_t>(GetBE32(srb.CDBByte + 2)));
        break;
      default:
        lookup(answer, op);
    }
    if (!data) failure = kInvalidCommand;
  }
  if (failure) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_HaStat = HASTAT_OK;
    srb.SRB_TargStat = STATUS_CHKCOND;
    std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[2] = failure->key;
    srb.SenseArea[7] = 10;
    srb.SenseArea[12] = failure->asc;
    srb.SenseArea[13] = failure->ascq;
    return;
  }
  if (data) Reply(srb, *data);
  srb.SRB_Status = SS_COMP;
}

std::vector<uint8_t> ScriptedDrive::ModeAnswer(std::vector<uint8_t> page, bool block_descriptor) {
  std::vector<uint8_t> a(block_descriptor ? 16 : 8, 0);
  a.insert(a.end(), page.begin(), page.end());
  PutBE16(a.data(), static_cast<uint16_t>(a.size() - 2));
  if (block_descriptor) a[7] = 8;
  return a;
}

std::vector<uint8_t> ScriptedDrive::ConfigAnswer(uint16_t profile, uint16_t feature_code, uint8_t data) {
  std::vector<uint8_t> a(16, 0);
  PutBE32(a.data(), 12);
  PutBE16(a.data() + 6, profile);
  PutBE16(a.data() + 8, feature_code);
  a[11] = 4;
  a[12] = data;
  return a;
}

std::vector<uint8_t> ScriptedDrive::DiscInfoAnswer(uint8_t status, uint8_t last_session, bool erasable,
                                                   uint8_t sessions, uint8_t last_track) {
  std::vector<uint8_t> a(34, 0);
  PutBE16(a.data(), 32);
  a[2] = static_cast<uint8_t>(status | (last_session << 2) | (erasable ? 0x10 : 0));
  a[3] = 1;
  a[4] = sessions;
  a[5] = 1;
  a[6] = last_track;
  return a;
}

std::vector<uint8_t> ScriptedDrive::TrackAnswer(uint32_t start, uint32_t next_writable, uint32_t free_blocks,
                                                uint32_t size) {
  std::vector<uint8_t> a(36, 0);
  PutBE16(a.data(), 34);
  a[2] = 1;
  a[3] = 1;
  PutBE32(a.data() + 8, start);
  PutBE32(a.data() + 12, next_writable);
  PutBE32(a.data() + 16, free_blocks);
  PutBE32(a.data() + 24, size);
  return a;
}

std::vector<uint8_t> ScriptedDrive::AtipAnswer(uint8_t disc_type, uint8_t m, uint8_t s, uint8_t f) {
  std::vector<uint8_t> a(28, 0);
  PutBE16(a.data(), 26);
  a[6] = disc_type;
  a[12] = m;
  a[13] = s;
  a[14] = f;
  return a;
}

std::vector<uint8_t> ScriptedDrive::FormatCapacityAnswer(uint32_t blocks, uint8_t type,
                                                         uint32_t block_length) {
  std::vector<uint8_t> a(12, 0);
  a[3] = 8;
  PutBE32(a.data() + 4, blocks);
  a[8] = type;
  a[9] = static_cast<uint8_t>(block_length >> 16);
  a[10] = static_cast<uint8_t>(block_length >> 8);
  a[11] = static_cast<uint8_t>(block_length);
  return a;
}

std::vector<uint8_t> ScriptedDrive::CapacityAnswer(uint32_t last_lba, uint32_t block_length) {
  std::vector<uint8_t> a(8, 0);
  PutBE32(a.data(), last_lba);
  PutBE32(a.data() + 4, block_length);
  return a;
}

ScriptedDevice::ScriptedDevice(ScriptedDrive& drive) : TSCSIDevice(nullptr) {
  SetDeviceID("0:0:0");
  drive.Clear();
}

}  // namespace orlix::test
