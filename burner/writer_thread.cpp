#include "burner/writer_thread.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "burner/burner.h"
#include "burner/burner_state.h"
#include "burner/cache_thread.h"
#include "device/device_state.h"
#include "framework/bytes.h"
#include "framework/exceptions.h"
#include "framework/sleep.h"
#include "iso/fields.h"
#include "iso/image_stream.h"
#include "messages/messages.h"
#include "streams/stream_ex.h"
#include "transport/transport_state.h"

namespace orlix {

namespace {

constexpr int32_t kSectorBytes = 2048;
constexpr uint16_t kBlockSectors = 32;
constexpr uint8_t kWriteFlags = 0x50;  // data out, completion event
constexpr uint8_t kNotReadyAsc = 0x04;
constexpr uint8_t kNoSenseAsc = 0x00;
constexpr int kBusyRetries = 10000;
constexpr uint32_t kBusyPauseMs = 600;
constexpr int kCloseRetries = 1000;
// A session-at-once CD holds at most 100 minutes.
constexpr int64_t kMaxSaoSectors = 450000;
// The lead-out of a DVD-R/-RW takes about 16 minutes; past half an hour the
// drive is taken to be gone.
constexpr uint32_t kLeadOutLimitSeconds = 1800;
constexpr uint32_t kLeadOutNominalSeconds = 960;
// A quick grow of a DVD-RW takes seconds to minutes.
constexpr uint32_t kFormatLimitMs = 600000;
constexpr uint16_t kRestrictedOverwriteProfile = 0x13;

constexpr uint8_t kDvdRwFormatList[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
constexpr uint8_t kDvdRPerformance[28] = {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x23, 0x12, 0x7F, 0x00, 0x00,
                                          0xAB, 0xBD, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x05, 0x8A,
                                          0x00, 0x00, 0x03, 0xE8};

uint8_t Asc(const TSCSIDevice& d) { return d.LastSense()[12]; }

}  // namespace

TThWrite::TThWrite() : TThread(true) {}

TThWrite::~TThWrite() = default;

bool TThWrite::IsDvdR() const { return MediumIs == kMediumDVDR; }
bool TThWrite::IsDvdRw() const { return orlix::IsDvdRw(MediumIs); }
bool TThWrite::IsDvdPlusR() const { return MediumIs == kMediumDVDPlusR; }
bool TThWrite::IsDvdPlusRw() const { return MediumIs == kMediumDVDPlusRW; }
bool TThWrite::IsDvdRam() const { return MediumIs == kMediumDVDRAM; }

bool TThWrite::Overwritable() const {
  // A DVD-RW in sequential recording is a medium of sessions, like DVD-R: a
  // write at sector 0 in front of the data would take the place the data
  // was meant for.
  if (IsDvdRw()) return profile_ == kRestrictedOverwriteProfile;
  return IsDvdRam() || IsDvdPlusRw();
}

bool TThWrite::CanSimulate() const {
  // The write parameters of a DVD-RW never carry the test bit, so a DVD-RW
  // is not among these: its "test" would record.
  return MediumIs == kMediumCDR || MediumIs == kMediumCDRW || MediumIs == kMediumDVDR;
}

void TThWrite::SetError(const std::string& text) {
  cache_->SetErrorText(text);
  cache_->Abort();
}

bool TThWrite::Failed() { return !IsSuccess(cache_->ErrorText()); }

bool TThWrite::CreateFile() {
  try {
    file_ = new TFileStreamEx(burner_->ISOFileName(), 0xFFFF);
  } catch (const EFileError&) {
    SetError(Format(ERR_CREATEFILE, burner_->ISOFileName()));
    return false;
  }
  return true;
}

bool TThWrite::SendCueSheet() {
  TOrlixBurner& b = *burner_;
  const int64_t image = b.GetImageSize();
  if (image > kMaxSaoSectors) {
    cache_->Abort();
    Sleep(1000);
    cache_->SetErrorText(Text(ERR_TOOMUCHDATA));
    return false;
  }
  uint8_t sheet[32] = {0x41, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00,   // lead-in
                       0x41, 0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,   // track 1 pregap
                       0x41, 0x01, 0x01, 0x10, 0x00, 0x00, 0x02, 0x00,   // track 1 start
                       0x41, 0xAA, 0x01, 0x14, 0x00, 0x00, 0x00, 0x00};  // lead-out
  LBA2MSF(static_cast<uint32_t>(image + 1), sheet[29], sheet[30], sheet[31]);
  if (!b.SendCueSheet(sheet, sizeof sheet)) {
    cache_->Abort();
    Sleep(1000);
    cache_->SetErrorText(Text(CUESEND_ERR));
    return false;
  }
  return true;
}

void TThWrite::StartMessage(uint16_t speed) {
  // Every DVD in DVD times (1385 KB/s), CDs in CD times (176.4 KB/s).
  char times[32];
  if (IsDvd(MediumIs))
    std::snprintf(times, sizeof times, "%.1fX", speed / 1385.0);
  else
    std::snprintf(times, sizeof times, "%.0fX", std::floor(speed / 176.4 + 0.5));
  const std::string text = std::string(times) + " (" + GroupThousands(speed) + " KB/s)";
  const uint16_t medium = MediumIs < kMediumCount ? MediumIs : 0;
  burner_->DebugMsg(">>> " + Format(MSG_WRITESTART, DiscTypeString[medium], text), 1);
  if (burner_->TestWrite()) burner_->DebugMsg(">>> " + Text(MSG_TESTWRITE), 1);
}

bool TThWrite::PrepareDrive() {
  TOrlixBurner& b = *burner_;
  MediumIs = b.DiscType();
  profile_ = GetBE16(ConfigBuf + 6);
  // The pregap and cue sheet of session-at-once belong to CDs only.
  if (IsDvd(MediumIs)) fwms = false;
  session_at_once_ = fwms;
  b.LoadMedium(false);
  if (!IsDvdPlusRw()) b.Rewind();
  b.SetCDSpeed(b.ReadSpeed(), b.WriteSpeed());
  b.WaitForReady(10000, 1000);
  const uint16_t speed = b.CurrentWriteSpeed();

  const bool finalize = b.FinalizeDisc();
  b.SetFinalizeDisc(true);
  const bool params = b.SetWriteParams(b.TestWrite(), b.UnderrunProtection(), false, MediumIs);
  b.SetFinalizeDisc(finalize);
  // A drive that cannot simulate on this medium would record for real.
  if (b.TestWrite() && (!CanSimulate() || !params || !b.Capabilities().Contains(dcWriteTest))) {
    SetError(Format(ERR_TESTWRITE, DiscTypeString[MediumIs < kMediumCount ? MediumIs : 0]));
    return false;
  }

  if (IsDvdRw() && b.FormatUnit(0x11, kDvdRwFormatList, sizeof kDvdRwFormatList)) {
    uint32_t waited = 0;
    do {
      Sleep(5000);
      waited += 5000;
      b.ReadDiscInformation();
    } while (Asc(b) == kNotReadyAsc && waited < kFormatLimitMs);
  }
  b.GetNextWritableAddress();
  session_ = static_cast<uint16_t>(b.SessionsOnDisc() + 1);
  if (IsDvdR()) {
    b.SetStreaming(kDvdRPerformance, sizeof kDvdRPerformance);
    b.SendDVDStructureTimeStamp(Now());
    // Every WRITE (10) carries 32 sectors, the last one too: the track is
    // reserved to the end of that last write.
    const int64_t sectors = (b.GetImageSize() + kBlockSectors - 1) / kBlockSectors * kBlockSectors;
    b.ReserveTrack(static_cast<uint32_t>(sectors));
    b.WaitForReady(10000, 1000);
  }
  if (!IsDvdRam() && !b.TestWrite() && b.PerformOPC()) b.SendOPC();
  if (fwms && !IsDvdR() && !IsDvdRw() && !IsDvdPlusR() && !IsDvdPlusRw() && !SendCueSheet()) return false;
  StartMessage(speed);
  return true;
}

void TThWrite::PollBuffer(int64_t block_index) {
  if (!buffer_polling_ || block_index < 5 || block_index % 5 != 0) return;
  uint32_t total = 0, free = 0;
  buffer_polling_ = burner_->ReadBufferCapacity(total, free);
}

bool TThWrite::WriteBlock(int64_t sectors_written) {
  TOrlixBurner& b = *burner_;
  const uint32_t lba = static_cast<uint32_t>(first_lba_ + sectors_written);
  for (int retry = 0;;) {
    if (Aborted) {
      SetError(Text(ERR_ABORTED));
      return false;
    }
    if (b.Write10(lba, kBlockSectors, block_->data, kBlockBytes, kWriteFlags)) return true;
    // "No additional sense" counts as busy only when the drive did answer
    // with sense data: a drive that is gone has none, and retrying it would
    // take 10000 pauses.
    const bool answered = b.LastSense()[0] != 0;
    if (b.TargetBusy() || Asc(b) == kNotReadyAsc || (answered && Asc(b) == kNoSenseAsc)) {
      Sleep(kBusyPauseMs);
      if (++retry < kBusyRetries) continue;
      SetError(Text(ERR_DEVICEBUSY));
    } else {
      SetError(Text(ERR_WRITEERROR) + " [" + b.LastError() + "]");
    }
    return false;
  }
}

void TThWrite::WriteStream() {
  TOrlixBurner& b = *burner_;
  b.SetPhase(TOrlixBurner::TRecordingPhase::rpWriting);
  int64_t sectors_written = 0;
  int64_t block_index = 0;
  b.Lock();
  int32_t n = cache_->TakeFirst(block_);
  b.Unlock();

  if (!cache_->ImagePath().empty()) b.SetNextWritableAddress(0);
  // A session-at-once start is negative (the pregap before sector 0).
  first_lba_ = static_cast<int32_t>(b.NextWritableAddress());
  verifier_.Begin(first_lba_);
  if (cache_->ImagePath().empty() && !to_file_ && Overwritable()) {
    // The new descriptors go to the start of the medium, where readers look
    // for them; the data follows at the next writable address.
    b.Write10(0, kBlockSectors, vds.data(), kBlockBytes, kWriteFlags);
    b.FlushCache(1800000, false);
    verifier_.AddExtra(0, vds.data(), kBlockSectors);
  }

  while (n != 0) {
    b.SetCurrentFile(cache_->CurrentFile());
    if (n > 0) {
      b.bytes_written_ += n;
      if (to_file_) {
        if (file_->Write(block_->data, n) != n) {
          SetError(Text(ERR_SWRITEERROR) + " \"" + b.ISOFileName() + "\"");
          return;
        }
      } else {
        PollBuffer(block_index++);
        // The sectors of the last write past the stream's end lie beyond
        // the file system: zeros.
        if (n < kBlockBytes) std::memset(block_->data + n, 0, static_cast<size_t>(kBlockBytes - n));
        if (b.Verify()) verifier_.AddStream(block_->data, n);
        if (!WriteBlock(sectors_written)) return;
      }
      sectors_written += n / kSectorBytes;
    }
    for (;;) {
      if (Aborted) {
        SetError(Text(ERR_ABORTED));
        return;
      }
      const uint64_t seen = cache_->Changes();
      if (block_) cache_->Recycle(std::move(block_));
      b.Lock();
      n = cache_->TakeFirst(block_);
      b.Unlock();
      if (Failed()) return;
      if (n != -1) break;
      cache_->WaitForChange(seen, 1);
    }
  }
}

void TThWrite::WaitForLeadOut() {
  TOrlixBurner& b = *burner_;
  const uint32_t size = b.DeviceBufferSize();
  b.SetDeviceFreeBufferSize(size);
  // The falling figure is the host's only sign of progress while the drive
  // writes the lead-out; it stops at 0 when the drive takes longer.
  for (uint32_t seconds = 0; !b.ReadDiscInformation(); ++seconds) {
    if (seconds >= kLeadOutLimitSeconds) {
      if (!Failed()) cache_->SetErrorText(Format(ERR_DRIVETIMEOUT, kLeadOutLimitSeconds));
      return;
    }
    const uint32_t step = size / kLeadOutNominalSeconds;
    const uint32_t free = b.DeviceFreeBufferSize();
    b.SetDeviceFreeBufferSize(free > step ? free - step : 0);
    Sleep(1000);
  }
}

void TThWrite::CloseMedium() {
  TOrlixBurner& b = *burner_;
  if (!IsDvdR()) b.SetWriteParams(b.TestWrite(), b.UnderrunProtection(), false, MediumIs);
  // Failures are reported where an unclosed session leaves the data
  // unreadable: write-once and sequential media.
  bool ok = true;
  if (IsDvdPlusR()) {
    ok = b.CloseTrackDVD(false, 1, 0, 0, static_cast<uint8_t>(session_));
    ok = b.CloseTrackDVD(false, 2, 0, 0, 0xFF) && ok;
  } else if (IsDvdR()) {
    ok = b.CloseTrackDVD(false, 1, 0, 0, static_cast<uint8_t>(session_));
    b.CloseTrackDVD(false, 1, 0, 0, static_cast<uint8_t>(session_ + 1));  // the empty invisible track
    ok = b.CloseTrackDVD(false, 2, 0, 0, static_cast<uint8_t>(session_ + 2)) && ok;
  } else if (IsDvdRw()) {
    ok = b.CloseTrackDVD(true, 2, 0, 0, 0) || Overwritable();
  } else if (IsDvdPlusRw()) {
    b.CloseTrackDVD(false, 3, 0, 0, 0xFF);
  } else if (!session_at_once_) {
    // A session-at-once CD closed itself when the cache was flushed.
    ok = false;
    for (int attempt = 0; attempt < kCloseRetries && !ok; ++attempt) {
      ok = b.CloseTrack(false, fImmedCT, false);
      if (ok) break;
      if (!b.TargetBusy() && Asc(b) != kNotReadyAsc) {
        ok = b.CloseTrack(false, fImmedCT, false);
        break;
      }
      Sleep(1000);
    }
  }
  if (!ok && !Failed()) cache_->SetErrorText(Text(ERR_WRITEERROR) + " [" + b.LastError() + "]");
}

std::string TThWrite::SectorOwner(int64_t lba) const {
  TOrlixBurner& b = *burner_;
  if (!cache_->ImagePath().empty()) return cache_->ImagePath();
  const int64_t first_file = b.FirstFileSector();
  for (int32_t i = 0; i < FileCounter; ++i) {
    const TFEntry& f = *Files[i];
    if (!AddsToStream(f)) continue;
    const int64_t start = int64_t{f.AddressJ} + first_file;
    if (lba >= start && lba < start + StreamBytes(f) / kSectorBytes)
      return f.SourcePath.empty() ? f.LongName : f.SourcePath;
  }
  if (b.Bootable() && lba >= b.BootImageSector() && lba < int64_t{b.BootImageSector()} + b.BootImageSectors())
    return b.BootImage();
  if (lba < first_file) return "image header";
  return "padding";
}

void TThWrite::VerifyRecording() {
  TOrlixBurner& b = *burner_;
  b.SetPhase(TOrlixBurner::TRecordingPhase::rpVerifying);
  const std::string result = verifier_.Run(
      b, [this](int64_t lba) { return SectorOwner(lba); }, Aborted, b.verified_bytes_);
  b.verify_fail_sector_ = verifier_.FailSector();
  b.verify_fail_file_ = verifier_.FailSector() >= 0 ? SectorOwner(verifier_.FailSector()) : "";
  if (!IsSuccess(result)) cache_->SetErrorText(result);
}

void TThWrite::RestoreDrive() {
  TOrlixBurner& b = *burner_;
  b.RestoreDrive();
  if (!IsDvdRam() && !IsDvdR() && !IsDvdRw() && !IsDvdPlusRw()) b.Rewind();
}

void TThWrite::Complete() {
  TOrlixBurner& b = *burner_;
  b.SetPhase(TOrlixBurner::TRecordingPhase::rpClosing);
  fwms = false;
  uint32_t total = 0, free = 0;
  if (!IsDvdRam()) b.ReadBufferCapacity(total, free);
  if (IsDvdR() || IsDvdRw()) {
    b.Lock();
    if (b.OnFinalizingTrack) b.OnFinalizingTrack(&b);
    b.FlushCache(1800000, true);
    b.Unlock();
    WaitForLeadOut();
  } else {
    b.Lock();
    if (b.OnFinalizingTrack) b.OnFinalizingTrack(&b);
    const bool flushed = b.FlushCache(120000, false) || b.FlushCache(120000, true);
    b.Unlock();
    // What the drive still held may not be on the disc.
    if (!flushed && !Failed()) cache_->SetErrorText(Text(ERR_WRITEERROR) + " [" + b.LastError() + "]");
  }
  b.SetDeviceBufferSize(0);
  b.SetDeviceFreeBufferSize(0);
  if (Failed()) return;
  if (!b.TestWrite() && !IsDvdRam() && b.FinalizeTrack()) CloseMedium();
  b.WaitForReady(240000, 5000);
  if (!IsDvdRam()) b.ReadBufferCapacity(total, free);
  if (b.Verify() && !b.TestWrite() && !Failed()) VerifyRecording();
  RestoreDrive();
}

void TThWrite::Report() {
  TOrlixBurner& b = *burner_;
  fwms = false;
  std::string result;
  b.Lock();
  if (!to_file_ && ASPILayerName == kEmulationLayerName) _ReInitializeASPI();
  b.SetCurrentFile(cache_->CurrentFile());
  result = cache_->ErrorText();
  b.Unlock();
  Writing = false;
  // The drive is let go before the host hears of the end, so that a new
  // recording started from OnWriteDone never meets a command of this one.
  if (!to_file_) b.UnlockDrive();
  b.SetCurrentFile("");
  b.SetPhase(TOrlixBurner::TRecordingPhase::rpIdle);
  {
    std::lock_guard<std::mutex> guard(b.text_mutex_);
    b.write_result_ = result;
  }
  b.recording_active_ = false;
  if (b.OnWriteDone && !b.destroying_) Synchronize([&b] { b.WriteDoneEvent(); });
}

void TThWrite::Execute() {
  burner_ = RecordingBurner;
  cache_ = CacheThread.get();
  TOrlixBurner& b = *burner_;
  Writing = true;
  b.bytes_written_ = 0;
  b.verified_bytes_ = 0;
  b.verify_fail_sector_ = -1;
  b.verify_fail_file_.clear();
  cache_->SetErrorText(Text(ERR_NONE));
  session_ = 1;
  fwms = wms;
  uint32_t total = 0, free = 0;
  buffer_polling_ = b.ReadBufferCapacity(total, free);

  if (to_file_) {
    if (CreateFile()) WriteStream();
    delete file_;
    file_ = nullptr;
  } else {
    b.SetPhase(TOrlixBurner::TRecordingPhase::rpPreparing);
    if (PrepareDrive()) WriteStream();
    Complete();
  }
  Report();
  // Last: a burner being destroyed waits for this.
  TThWrite* self = this;
  WriterThread.compare_exchange_strong(self, nullptr);
}

}  // namespace orlix
