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
#include "vrecorder/drive_buffer.h"
#include "vrecorder/settings.h"

namespace orlix::vrec {

// The pre-gap before the first track of a session, which session-at-once
// hosts send at the addresses before the track start.
constexpr uint32_t kCdPregap = 150;

class Recorder {
 public:
  // The one drive of the process.
  static Recorder& Instance();
  // Saves what the last SYNCHRONIZE CACHE did not, when the library is
  // unloaded or the process ends.
  ~Recorder();

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
  // CHECK CONDITION with fixed-format sense data.
  static void Fail(TSRB_ExecSCSICmd& srb, const Sense& sense);
  Sense Dispatch(Command& c);
  void CheckEnvironment();
  bool LoadDisc(const Settings& settings, std::string& error);
  void ResetDrive();

  bool MediumPresent() const { return disc_.has_value() && !tray_open_; }
  Sense NoMedium() const { return tray_open_ ? kNoMediumTrayOpen : kNoMediumTrayClosed; }
  bool Busy();
  Sense BusySense() const;
  // Holds the drive for `ms`: not ready with progress when immediate,
  // otherwise the command itself takes that long. The caller saves the
  // description (with the busy period) when the operation changed the medium.
  void LongOperation(int64_t ms, bool immediate, Sense progress_sense);
  // Fractions of the configured time of a full blank or format.
  int64_t QuickMs() const { return settings_.op_ms / 4; }
  int64_t CloseMs() const { return settings_.op_ms / 10; }
  bool Persist();
  // Saves the description when writes changed it since the last save.
  bool PersistIfChanged() { return !dirty_ || Persist(); }
  // The medium that writes, reservations and closes act on: a copy of the
  // real one while a test write is in force, which is dropped when the
  // simulated session closes, so that the real medium never changes.
  Disc& Target();
  // What disc and track information report: the simulation while one runs.
  const Disc& Shown() const { return sim_ ? *sim_ : *disc_; }
  void EndSimulation() { sim_.reset(); }
  // Session-at-once on CD with nothing recorded in the open session yet: the
  // host sends the first track's pre-gap before its data.
  bool AwaitingPregap(const Disc& disc) const;
  uint32_t PregapNextAddress(const Disc& disc) const;
  // Takes `bytes` into the buffer, first waiting for room as long as needed.
  void FillBuffer(int64_t bytes);
  void ApplyBufferRate();
  uint16_t ChooseWriteSpeed(uint32_t kbps) const;
  void StoreCorruptedBlocks(uint32_t lba, uint32_t count, const uint8_t* data);
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
  uint32_t pregap_sent_ = 0;  // pre-gap blocks taken since the cue sheet
  DriveBuffer buffer_;
  std::optional<Disc> sim_;
  // Writes since the description was last saved. A crash loses their count
  // (the data is in the disc file), as a real drive loses its buffer when
  // the power fails; SYNCHRONIZE CACHE or an orderly end saves it.
  bool dirty_ = false;
};

}  // namespace orlix::vrec
