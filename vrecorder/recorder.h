// The virtual drive: answers ASPI request blocks for one CD/DVD recorder on
// host adapter 0, with the medium held in a disc file.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "transport/srb.h"
#include "vrecorder/bytes.h"
#include "vrecorder/disc.h"
#include "vrecorder/disc_file.h"
#include "vrecorder/settings.h"

namespace orlix::vrec {

class Recorder {
 public:
  // The one drive of the process.
  static Recorder& Instance();

  uint32_t Send(void* srb);
  uint32_t SupportInfo();
  bool Configure(const std::string& spec, std::string& error);
  bool SetFaults(const std::string& list, std::string& error);

 private:
  // One SCSI command and its data phase.
  struct Command {
    const uint8_t* cdb = nullptr;
    uint8_t* data = nullptr;
    uint32_t data_len = 0;
    bool short_data = false;  // the buffer is smaller than the transfer

    uint8_t op() const { return cdb[0]; }
    // Sends no more than the allocation length and the caller's buffer hold.
    void Answer(const Bytes& answer, uint32_t allocation);
    // The outgoing data; false when the buffer holds fewer than `length` bytes.
    bool Take(uint32_t length, Bytes& out);
  };
  using Handler = Sense (Recorder::*)(Command&);
  struct CommandInfo {
    uint8_t opcode;
    Handler handler;
    bool needs_medium;
    bool allowed_while_busy;
  };
  static const CommandInfo* FindCommand(uint8_t opcode);

  void ExecScsi(TSRB_ExecSCSICmd& srb);
  Sense Dispatch(Command& c);
  void CheckEnvironment();
  bool LoadDisc(const Settings& settings, std::string& error);
  void ResetDrive();

  bool MediumPresent() const { return disc_.has_value() && !tray_open_; }
  Sense NoMedium() const { return tray_open_ ? kNoMediumTrayOpen : kNoMediumTrayClosed; }
  bool Busy();
  Sense BusySense() const;
  // Holds the drive for `ms`: not ready with progress when immediate,
  // otherwise the command itself takes that long.
  void LongOperation(int64_t ms, bool immediate, Sense progress_sense);
  bool Persist();
  bool MediumErrorIn(uint32_t lba, uint32_t count) const;
  const Medium& SpeedMedium() const;
  bool CdRecordable() const;
  bool Simulating() const;
  bool NextSessionAllowed() const;
  uint8_t WriteType() const { return page05_[2] & 0x0F; }

  // Commands (one file per group).
  Sense TestUnitReady(Command& c);
  Sense Rezero(Command& c);
  Sense RequestSense(Command& c);
  Sense Inquiry(Command& c);
  Sense StartStopUnit(Command& c);
  Sense PreventAllow(Command& c);
  Sense ReadCapacity(Command& c);
  Sense SynchronizeCache(Command& c);
  Sense SetCdSpeed(Command& c);
  Sense ReadBufferCapacity(Command& c);
  Sense SendOpc(Command& c);
  Sense SetStreaming(Command& c);
  Sense Read10(Command& c);
  Sense ReadCd(Command& c);
  Sense Write10(Command& c);
  Sense ReadToc(Command& c);
  Sense ReadDiscInformation(Command& c);
  Sense ReadTrackInformation(Command& c);
  Sense ReadFormatCapacities(Command& c);
  Sense ReadDvdStructure(Command& c);
  Sense SendDvdStructure(Command& c);
  Sense GetConfiguration(Command& c);
  Sense ModeSense10(Command& c);
  Sense ModeSelect10(Command& c);
  Sense ReserveTrack(Command& c);
  Sense CloseTrackSession(Command& c);
  Sense BlankMedium(Command& c);
  Sense FormatUnit(Command& c);
  Sense SendCueSheet(Command& c);

  // Mode pages.
  Bytes WriteParametersPage(uint8_t page_control) const;
  Bytes CapabilitiesPage(uint8_t page_control) const;
  Bytes VendorPage() const;
  Sense CheckWriteParameters(const uint8_t* page) const;
  void DefaultWriteParameters();

  std::mutex mutex_;
  bool configured_ = false;
  Settings settings_;
  Faults faults_;
  bool gone_ = false;

  std::optional<Disc> disc_;
  std::string disc_path_;
  DiscFile file_;

  // Drive state, reset when a disc is loaded.
  bool tray_open_ = false;
  bool prevented_ = false;
  uint16_t read_speed_ = 0;
  uint16_t write_speed_ = 0;
  uint8_t page05_[52] = {};
  bool cue_sheet_sent_ = false;
};

}  // namespace orlix::vrec
