#include "vrecorder/recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/event.h"
#include "vrecorder/cdb_rules.h"
#include "vrecorder/clock.h"

namespace orlix::vrec {

namespace {

constexpr char kManagerId[17] = "ORLIX VRECORDER ";
constexpr char kAdapterName[] = "VIRTUAL MMC";
constexpr uint32_t kMaxTransfer = 0x00100000;

}  // namespace

Recorder& Recorder::Instance() {
  static Recorder recorder;
  return recorder;
}

Recorder::~Recorder() {
  // A command still running on another thread (a WRITE waiting for room)
  // holds the lock; the process ends in the middle of it and saves nothing,
  // rather than hang here.
  std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
  if (lock.owns_lock() && disc_) PersistIfChanged();
}

const Recorder::CommandInfo* Recorder::FindCommand(uint8_t opcode) {
  // opcode, handler, needs a medium, answered while a long operation runs
  static const CommandInfo table[] = {
      {0x00, &Recorder::TestUnitReady, true, false},
      {0x01, &Recorder::Rezero, true, false},
      {0x03, &Recorder::RequestSense, false, true},
      {0x04, &Recorder::FormatUnit, true, false},
      {0x12, &Recorder::Inquiry, false, true},
      {0x1B, &Recorder::StartStopUnit, false, false},
      {0x1E, &Recorder::PreventAllow, false, true},
      {0x23, &Recorder::ReadFormatCapacities, false, false},
      {0x25, &Recorder::ReadCapacity, true, false},
      {0x28, &Recorder::Read10, true, false},
      {0x2A, &Recorder::Write10, true, false},
      {0x35, &Recorder::SynchronizeCache, true, false},
      {0x43, &Recorder::ReadToc, true, false},
      {0x46, &Recorder::GetConfiguration, false, true},
      {0x51, &Recorder::ReadDiscInformation, true, false},
      {0x52, &Recorder::ReadTrackInformation, true, false},
      {0x53, &Recorder::ReserveTrack, true, false},
      {0x54, &Recorder::SendOpc, true, false},
      {0x55, &Recorder::ModeSelect10, false, false},
      {0x5A, &Recorder::ModeSense10, false, true},
      {0x5B, &Recorder::CloseTrackSession, true, false},
      {0x5C, &Recorder::ReadBufferCapacity, false, true},
      {0x5D, &Recorder::SendCueSheet, true, false},
      {0xA1, &Recorder::BlankMedium, true, false},
      {0xAD, &Recorder::ReadDvdStructure, true, false},
      {0xB6, &Recorder::SetStreaming, false, false},
      {0xBB, &Recorder::SetCdSpeed, false, false},
      {0xBE, &Recorder::ReadCd, true, false},
      {0xBF, &Recorder::SendDvdStructure, true, false},
  };
  for (const CommandInfo& info : table)
    if (info.opcode == opcode) return &info;
  return nullptr;
}

void Recorder::Command::Answer(const Bytes& answer, uint32_t allocation) {
  size_t n = std::min<size_t>({answer.size(), allocation, data_len});
  if (n > 0) std::memcpy(data, answer.data(), n);
}

bool Recorder::Command::Take(uint32_t length, Bytes& out) {
  if (length > data_len) {
    short_data = true;
    return false;
  }
  out.assign(data, data + length);
  return true;
}

uint32_t Recorder::SupportInfo() {
  std::lock_guard<std::mutex> lock(mutex_);
  CheckEnvironment();
  return (uint32_t{SS_COMP} << 8) | 1;
}

uint32_t Recorder::Send(void* request) {
  if (!request) return SS_INVALID_SRB;
  std::lock_guard<std::mutex> lock(mutex_);
  CheckEnvironment();
  auto* header = static_cast<TSRB_Header*>(request);
  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: {
      auto* ha = static_cast<TSRB_HAInquiry*>(request);
      ha->HA_Count = 1;
      if (ha->SRB_HaId != 0) return ha->SRB_Status = SS_INVALID_HA;
      ha->HA_SCSI_ID = 7;
      std::memcpy(ha->HA_ManagerId, kManagerId, sizeof ha->HA_ManagerId);
      std::memset(ha->HA_Identifier, 0, sizeof ha->HA_Identifier);
      std::memcpy(ha->HA_Identifier, kAdapterName, sizeof kAdapterName - 1);
      std::memset(ha->HA_Unique, 0, sizeof ha->HA_Unique);
      ha->HA_Unique[3] = 8;  // targets
      for (int i = 0; i < 4; ++i) ha->HA_Unique[4 + i] = static_cast<uint8_t>(kMaxTransfer >> (8 * i));
      return ha->SRB_Status = SS_COMP;
    }
    case SC_GET_DEV_TYPE: {
      auto* dev = static_cast<TSRB_GDEVBlock*>(request);
      if (dev->SRB_HaId != 0) return dev->SRB_Status = SS_INVALID_HA;
      if (gone_ || dev->SRB_Target != settings_.target || dev->SRB_Lun != 0) {
        dev->SRB_DeviceType = 0x1F;
        return dev->SRB_Status = SS_NO_DEVICE;
      }
      dev->SRB_DeviceType = 5;
      return dev->SRB_Status = SS_COMP;
    }
    case SC_EXEC_SCSI_CMD: {
      auto* srb = static_cast<TSRB_ExecSCSICmd*>(request);
      ExecScsi(*srb);
      if (srb->SRB_Flags & SRB_EVENT_NOTIFY) SetEventObject(srb->SRB_PostProc);
      return srb->SRB_Status;
    }
    case SC_ABORT_SRB:
      // Every request has finished by the time the call returns.
      return header->SRB_Status = SS_ABORT_FAIL;
    case SC_RESET_DEV:
      return header->SRB_Status = header->SRB_HaId == 0 ? SS_COMP : SS_INVALID_HA;
    default:
      return header->SRB_Status = SS_INVALID_CMD;
  }
}

void Recorder::ExecScsi(TSRB_ExecSCSICmd& srb) {
  srb.SRB_HaStat = HASTAT_OK;
  srb.SRB_TargStat = STATUS_GOOD;
  if (srb.SRB_HaId != 0) {
    srb.SRB_Status = SS_INVALID_HA;
    return;
  }
  if (srb.SRB_Target != settings_.target || srb.SRB_Lun != 0) {
    srb.SRB_Status = SS_NO_DEVICE;
    return;
  }
  if (faults_.gone_after == 0) gone_ = true;
  if (gone_) {
    srb.SRB_Status = SS_NO_DEVICE;
    return;
  }
  if (faults_.gone_after > 0) --faults_.gone_after;
  if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > kCdbLen || (srb.SRB_BufLen > 0 && !srb.SRB_BufPointer)) {
    srb.SRB_Status = SS_INVALID_SRB;
    return;
  }
  if (srb.SRB_BufLen > kMaxTransfer) {
    srb.SRB_Status = SS_BUFFER_TOO_BIG;
    return;
  }
  Sense sense;
  switch (CheckCdb(srb.CDBByte, srb.SRB_CDBLen, srb.SRB_Flags, srb.SRB_BufLen, sense)) {
    case CdbCheck::kGood:
      break;
    case CdbCheck::kBadRequest:
      srb.SRB_Status = SS_INVALID_SRB;
      return;
    case CdbCheck::kBadField:
      Fail(srb, sense);
      return;
  }
  if (faults_.busy > 0) {
    --faults_.busy;
    srb.SRB_Status = SS_ERR;
    srb.SRB_TargStat = STATUS_BUSY;
    return;
  }

  Command c;
  c.cdb = srb.CDBByte;
  c.data = static_cast<uint8_t*>(srb.SRB_BufPointer);
  c.data_len = srb.SRB_BufLen;
  sense = Dispatch(c);
  if (c.short_data) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_HaStat = HASTAT_DO_DU;
    return;
  }
  if (sense.ok()) {
    srb.SRB_Status = SS_COMP;
    return;
  }
  Fail(srb, sense);
}

void Recorder::Fail(TSRB_ExecSCSICmd& srb, const Sense& sense) {
  srb.SRB_Status = SS_ERR;
  srb.SRB_TargStat = STATUS_CHKCOND;
  uint8_t fixed[kSenseLen] = {};
  fixed[0] = 0x70;  // current error, fixed format
  fixed[2] = sense.key;
  fixed[7] = 10;  // additional sense length
  fixed[12] = sense.asc;
  fixed[13] = sense.ascq;
  if (sense.progress >= 0) {
    fixed[15] = 0x80;  // sense-key specific bytes valid: progress indication
    Put16(fixed + 16, static_cast<uint32_t>(sense.progress));
  } else if (sense.field >= 0) {
    fixed[15] = 0xC0;  // sense-key specific bytes valid: the wrong byte of the command block
    Put16(fixed + 16, static_cast<uint32_t>(sense.field));
  }
  std::memcpy(srb.SenseArea, fixed, std::min<size_t>(srb.SRB_SenseLen, kSenseLen));
}

Sense Recorder::Dispatch(Command& c) {
  const uint8_t op = c.op();
  for (const FailingCommand& f : faults_.failing)
    if (f.opcode == op) return f.sense;
  const CommandInfo* info = FindCommand(op);
  if (!info) return kInvalidOpcode;
  if (faults_.not_ready > 0 && op != 0x12 && op != 0x03) {
    --faults_.not_ready;
    return kBecomingReady;
  }
  if (!info->allowed_while_busy && Busy()) return BusySense();
  if (info->needs_medium && !MediumPresent()) return NoMedium();
  return (this->*info->handler)(c);
}

bool Recorder::Busy() {
  if (!disc_) return false;
  BusyPeriod& busy = disc_->state().busy;
  if (busy.end_ms == 0) return false;
  if (NowMs() < busy.end_ms) return true;
  // Left in the saved description: a period in the past is no period.
  busy = BusyPeriod{};
  return false;
}

Sense Recorder::BusySense() const {
  const BusyPeriod& busy = disc_->state().busy;
  int64_t span = std::max<int64_t>(busy.end_ms - busy.start_ms, 1);
  int64_t done = std::clamp<int64_t>(NowMs() - busy.start_ms, 0, span);
  int progress = static_cast<int>(std::min<int64_t>(done * 65536 / span, 65535));
  return WithProgress(Sense{0x02, busy.asc, busy.ascq}, progress);
}

void Recorder::LongOperation(int64_t ms, bool immediate, Sense progress_sense) {
  if (ms <= 0 || !disc_) return;
  if (!immediate) {
    SleepMs(ms);
    return;
  }
  const int64_t now = NowMs();
  disc_->state().busy = BusyPeriod{now, now + ms, progress_sense.asc, progress_sense.ascq};
}

bool Recorder::Persist() {
  if (!disc_) return false;
  std::string error;
  if (!SaveDescription(disc_path_, disc_->state(), error)) return false;
  dirty_ = false;
  return true;
}

Disc& Recorder::Target() {
  if (!Simulating()) {
    sim_.reset();
    return *disc_;
  }
  if (!sim_) sim_ = *disc_;
  return *sim_;
}

bool Recorder::AwaitingPregap(const Disc& disc) const {
  return CdRecordable() && WriteType() == 2 && disc.HasInvisibleTrack() && !disc.OpenSessionHasData() &&
         pregap_sent_ < kCdPregap;
}

uint32_t Recorder::PregapNextAddress(const Disc& disc) const {
  return disc.state().next_start - kCdPregap + pregap_sent_;
}

void Recorder::FillBuffer(int64_t bytes) {
  // The clock only moves forward, so one wait is enough unless the clock
  // itself was stepped back meanwhile.
  for (int64_t wait; (wait = buffer_.WaitForRoom(bytes, NowMs())) > 0;) SleepMs(wait);
  buffer_.Add(bytes, NowMs());
}

void Recorder::ApplyBufferRate() {
  buffer_.SetRate(settings_.speed_drive ? write_speed_ : settings_.speed_kbps, NowMs());
}

uint16_t Recorder::ChooseWriteSpeed(uint32_t kbps) const {
  // The fastest supported speed that does not exceed the request, else the
  // slowest one.
  const std::vector<uint16_t>& speeds = SpeedMedium().write_speeds;
  if (speeds.empty()) return 0;
  for (uint16_t s : speeds)
    if (s <= kbps) return s;
  return speeds.back();
}

void Recorder::StoreCorruptedBlocks(uint32_t lba, uint32_t count, const uint8_t* data) {
  for (uint32_t bad : faults_.corrupt_blocks) {
    if (bad < lba || uint64_t{bad} >= uint64_t{lba} + count) continue;
    uint8_t block[kBlockSize];
    std::memcpy(block, data + uint64_t{bad - lba} * kBlockSize, kBlockSize);
    for (int i = 0; i < 16; ++i) block[i] = static_cast<uint8_t>(~block[i]);
    file_.Write(bad, 1, block);
  }
}

bool Recorder::MediumErrorIn(uint32_t lba, uint32_t count) const {
  for (uint32_t bad : faults_.medium_errors)
    if (bad >= lba && uint64_t{bad} < uint64_t{lba} + count) return true;
  return false;
}

const Medium& Recorder::SpeedMedium() const {
  return disc_ ? disc_->medium() : *MediumForProfile(kProfileCdR);
}

bool Recorder::CdRecordable() const { return disc_ && !disc_->Dvd() && disc_->Sequential(); }

bool Recorder::Simulating() const {
  if (!(page05_[2] & 0x10) || !disc_ || !disc_->Sequential()) return false;
  uint16_t p = disc_->state().profile;
  return !disc_->Dvd() || p == kProfileDvdR || p == kProfileDvdRwSequential;
}

bool Recorder::NextSessionAllowed() const { return (page05_[3] >> 6) == 3; }

void Recorder::CheckEnvironment() {
  if (configured_) return;
  configured_ = true;
  const char* spec = std::getenv("ORLIX_VRECORDER");
  if (!spec || !*spec) return;
  Settings settings;
  std::string error;
  if (!ParseSettings(spec, settings, error) || !LoadDisc(settings, error))
    std::fprintf(stderr, "orlix virtual recorder: ORLIX_VRECORDER: %s\n", error.c_str());
}

bool Recorder::Configure(const std::string& spec, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  configured_ = true;
  Settings settings;
  return ParseSettings(spec, settings, error) && LoadDisc(settings, error);
}

bool Recorder::SetFaults(const std::string& list, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  Faults faults;
  if (!ParseFaults(list, faults, error)) return false;
  faults_ = faults;
  gone_ = false;
  return true;
}

bool Recorder::LoadDisc(const Settings& settings, std::string& error) {
  namespace fs = std::filesystem;
  // The disc in the drive is saved before another (or the same) is read.
  if (disc_) PersistIfChanged();
  std::optional<Disc> disc;
  DiscFile file;
  if (!settings.file.empty()) {
    std::error_code ec;
    const std::string& path = settings.file;
    if (!fs::exists(DescriptionPath(path), ec)) {
      const Medium* medium = settings.medium ? settings.medium : MediumForProfile(kProfileCdR);
      std::string image = settings.image;
      // A plain image file named with a pressed profile becomes its content.
      if (image.empty() && medium->recording == Recording::kPressed && fs::exists(path, ec)) image = path;
      if (!CreateDisc(path, *medium, settings.blocks, image, error)) return false;
    }
    DiscState state;
    if (!LoadDescription(path, state, error)) return false;
    if (settings.medium && !SamePhysicalMedium(settings.medium->profile, state.profile)) {
      error = path + " holds a " + std::string(MediumForProfile(state.profile)->title) + " disc, not " +
              settings.medium->title;
      return false;
    }
    if (!file.Open(path, error)) return false;
    disc = Disc(std::move(state));
  }
  file_ = std::move(file);
  disc_ = std::move(disc);
  dirty_ = false;
  disc_path_ = settings.file;
  settings_ = settings;
  faults_ = settings.faults;
  gone_ = false;
  ResetDrive();
  return true;
}

void Recorder::ResetDrive() {
  tray_open_ = false;
  prevented_ = false;
  cue_sheet_sent_ = false;
  pregap_sent_ = 0;
  sim_.reset();
  const Medium& m = SpeedMedium();
  read_speed_ = m.max_read_speed;
  write_speed_ = m.write_speeds.empty() ? 0 : m.write_speeds.front();
  DefaultWriteParameters();
  buffer_.Reset(NowMs());
  ApplyBufferRate();
}

}  // namespace orlix::vrec
