// The one path every drive command takes, and its log line.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/date_time.h"
#include "framework/sleep.h"
#include "platform/event.h"
#include "transport/transport_state.h"

namespace orlix {

namespace {

constexpr int kMinimumTimeout = 10000;
constexpr uint8_t kSenseRequested = 24;
constexpr uint32_t kLoggedDataBytes = 257;

std::string Hex(uint32_t value, int digits) {
  char s[16];
  std::snprintf(s, sizeof s, "%0*X", digits, value);
  return s;
}

// Operations whose failures are routine (probing, polling, optional
// features): logged only when every command is.
bool QuietOnFailure(uint8_t op) {
  switch (op) {
    case 0x00:
    case 0x01:
    case 0x12:
    case 0x1B:
    case 0x1E:
    case 0x23:
    case 0x35:
    case 0x43:
    case 0x46:
    case 0x51:
    case 0x52:
    case 0x55:
    case 0x5A:
    case 0x5C:
    case 0xB6:
    case 0xBB:
      return true;
  }
  return false;
}

// Waits for the event, `timeout` milliseconds on the library's clock (which
// tests speed up), waking as soon as the layer signals.
bool WaitForCompletion(TEventHandle event, uint32_t timeout) {
  const uint64_t start = TickCount();
  for (;;) {
    uint64_t elapsed = TickCount() - start;
    if (elapsed >= timeout) return false;
    uint32_t real = static_cast<uint32_t>((timeout - elapsed) / SleepSpeedup());
    if (WaitForEventObject(event, std::max<uint32_t>(real, 1))) return true;
  }
}

}  // namespace

int TSCSIDevice::ExecScsiCommand(TSRB_ExecSCSICmd& SRB, int Timeout) {
  last_error_.clear();
  target_busy_ = false;
  std::memset(last_sense_, 0, sizeof last_sense_);
  if (!ASPIDLLLoaded || !SendASPI32Command || ha_id_ == kNoAddress) return SS_ILLEGAL_MODE;

  TEventHandle event = nullptr;
  if (SRB.SRB_Flags & SRB_EVENT_NOTIFY) {
    event = CreateEventObject();
    ResetEventObject(event);
  }
  SRB.SRB_PostProc = event;
  SRB.SRB_Cmd = SC_EXEC_SCSI_CMD;
  SRB.SRB_HaId = ha_id_;
  SRB.SRB_Target = target_;
  SRB.SRB_Lun = lun_;
  SRB.SRB_SenseLen = kSenseRequested;
  if (Timeout <= kMinimumTimeout) Timeout = kMinimumTimeout;
  SRB.CDBByte[1] = static_cast<uint8_t>(((lun_ & 7) << 5) | (SRB.CDBByte[1] & 0x1F));

  SendASPI32Command(&SRB);
  // A layer that answers later writes the request from its own thread and
  // the status last: the status is read as an acquiring load, which orders
  // the rest of its answer before what follows.
  std::atomic_ref<uint8_t> status(SRB.SRB_Status);
  if (event && status.load(std::memory_order_acquire) == SS_PENDING &&
      WaitForCompletion(event, static_cast<uint32_t>(Timeout)))
    ResetEventObject(event);  // taking the signal orders the layer's last touch before the close
  status.load(std::memory_order_acquire);
  if (SRB.SRB_Status != SS_COMP && SRB.SRB_Status != SS_PENDING) DecodeSense(SRB);
  LogCommand(SRB);

  if (SRB.SRB_Status == SS_PENDING) {
    // Abort before the event goes: a layer still holding the request could
    // otherwise signal a descriptor number that has been reused meanwhile.
    AbortSCSICommand(SRB);
    SRB.SRB_Status = SS_ERR;
    SRB.SRB_HaStat = HASTAT_TIMEOUT;
  }
  if (event) CloseEventObject(event);
  SRB.SRB_PostProc = nullptr;
  return 1;
}

bool TSCSIDevice::AbortSCSICommand(TSRB_ExecSCSICmd& SRB) {
  std::memset(&abort_srb_, 0, sizeof abort_srb_);
  abort_srb_.SRB_Cmd = SC_ABORT_SRB;
  abort_srb_.SRB_HaId = ha_id_;
  abort_srb_.SRB_ToAbort = &SRB;
  SendRequest(&abort_srb_);
  return abort_srb_.SRB_Status == SS_COMP;
}

void TSCSIDevice::LogCommand(const TSRB_ExecSCSICmd& SRB) {
  const bool all = GenerateLogs;
  const uint8_t* sense = SRB.SenseArea;
  const uint8_t op = SRB.CDBByte[0];
  if (!all) {
    if (SRB.SRB_Status == SS_COMP || SRB.SRB_Status == SS_PENDING) return;
    if (QuietOnFailure(op)) return;
    if (sense[12] == 0x04 && sense[13] == 0x08) return;  // long write in progress
  }
  std::string address = std::to_string(ha_id_) + ":" + Hex(target_, 1) + ":" + std::to_string(lun_) + " <" +
                        Hex(SRB.SRB_Status, 2) + "> [" + Hex(SRB.SRB_BufLen, 5) + "]";
  std::string text = "(" + Hex(op, 2) + ") {" + Hex(SRB.SRB_Flags, 2) + "|" + Hex(SRB.SRB_CDBLen, 2) +
                     "} - " + address + " ";
  for (int i = 1; i < kCdbLen; ++i) text += Hex(SRB.CDBByte[i], 2) + " ";
  text = CommandName[op] + " " + text + " |";
  if (SRB.SRB_BufLen != 0 && SRB.SRB_BufPointer) {
    const auto* data = static_cast<const uint8_t*>(SRB.SRB_BufPointer);
    uint32_t n = std::min(SRB.SRB_BufLen, kLoggedDataBytes);
    for (uint32_t i = 0; i < n; ++i) text += Hex(data[i], 2) + " ";
  }
  std::string line = "<<< ";
  if (all) {
    uint16_t h, m, s, ms;
    DecodeTime(Now(), h, m, s, ms);
    char t[32];
    std::snprintf(t, sizeof t, "%02u:%02u:%03u ", m, s, ms);
    line += t;
  }
  line += text + "= " + Hex(SRB.SRB_HaStat, 2) + " " + Hex(SRB.SRB_TargStat, 2) + " " + Hex(sense[0], 2) +
          " " + Hex(sense[2], 2) + " ASC:" + Hex(sense[12], 2) + ",ASQ:" + Hex(sense[13], 2) + " " +
          last_error_;
  DebugMsg(line, 0);
}

}  // namespace orlix
