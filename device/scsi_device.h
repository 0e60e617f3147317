// The drive-control component: the selected drive's address, the single path
// every drive command takes (ExecScsiCommand), the translation of request
// status and sense data into message texts, the command log, discovery and
// selection of drives, and one small builder per MMC command.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "device/capabilities.h"
#include "device/disc.h"
#include "framework/component.h"
#include "framework/critical_section.h"
#include "framework/date_time.h"
#include "framework/export.h"
#include "framework/memo.h"
#include "framework/string_list.h"
#include "transport/srb.h"

namespace orlix {

using TOnDebugMsg = std::function<void(TComponent* sender, const std::string& message, uint8_t mType)>;
using TDeviceChangedEvent = std::function<void(TComponent* sender)>;
using TEraseDoneEvent = std::function<void(TComponent* sender, bool with_error)>;

// Address bytes of "no drive selected".
constexpr uint8_t kNoAddress = 254;
// DeviceType of "no drive".
constexpr uint8_t kNoDeviceType = 0x7F;

class ORLIX_API TSCSIDevice : public TComponent {
 public:
  // Scans the drives at once when a layer is already active.
  explicit TSCSIDevice(TComponent* owner);
  ~TSCSIDevice() override;

  // ---- Debug channel ----
  // Appends the line to DebugWindow and raises OnDebugMessage.
  // Types: 0 command log and errors, 1 progress and listings, 3 full tables,
  // 4 refused requests and inconsistencies.
  void DebugMsg(const std::string& message, uint8_t mType);
  TOnDebugMsg OnDebugMessage;
  TMemo* DebugWindow() const { return debug_window_; }
  // The device is told when the memo is destroyed and forgets it then.
  void SetDebugWindow(TMemo* memo);

  // The device lock serialises the writer thread against host calls.
  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }

  // ---- The ASPI layer ----
  // Selects a layer, then reads host adapter 0 and scans the drives.
  bool InitializeASPI(bool TryInternalFirst, const std::string& LibraryPath);
  bool DeInitializeASPI();
  bool GetASPIInitialized() const;
  bool ASPIInitialized() const { return GetASPIInitialized(); }

  // ---- Command execution ----
  // Sends one prepared request to the selected drive and waits for it (at
  // least 10 s). Returns 1 when sent, 226 when no layer is active or no drive
  // is selected (the request is then untouched). The outcome is in the
  // request (SRB_Status 1 = done) and in LastError, TargetBusy, LastSense.
  int ExecScsiCommand(TSRB_ExecSCSICmd& SRB, int Timeout);
  bool AbortSCSICommand(TSRB_ExecSCSICmd& SRB);
  // Message for an ASPI outcome; sets TargetBusy.
  std::string GetAspiError(uint8_t Status, uint8_t HaStat, uint8_t TargStat);
  // Message for a finished request including its sense data; sets LastError
  // and LastSense.
  std::string DecodeSense(const TSRB_ExecSCSICmd& SRB);
  void AdditionalSenseInformation(const TSRB_ExecSCSICmd& SRB);
  const std::string& LastError() const { return last_error_; }
  bool TargetBusy() const { return target_busy_; }
  // 33 bytes: sense key in byte 2 (low nibble), ASC at 12, ASCQ at 13.
  const uint8_t* LastSense() const { return last_sense_; }

  // ---- Discovery and selection ----
  void GetHostAdapterInfo(uint8_t HostAdapter);
  // Rebuilds DeviceList; the selection is left as it was.
  void ScanDevices();
  // "A:T:L..." (one digit each at positions 1, 3, 5); a shorter ID selects
  // none. Raises EConvertError for a non-digit address character.
  void SetDeviceID(const std::string& ID);
  bool SelectDevice(const std::string& ID);
  bool SetDeviceByDriveLetter(char Letter);
  bool SetDriveLetter(char Letter) { return SetDeviceByDriveLetter(Letter); }
  // The selected drive's letter; 0 when unknown (0x7F with the emulation).
  char GetDriveLetter();
  // BIOS drive number of an address; 128 when the layer does not tell.
  uint8_t GetDiskLetter(uint8_t HaId, uint8_t Target, uint8_t Lun);
  // Re-reads the selected drive's capabilities and identity.
  void DeviceChanged();
  bool GetDiskInformation();

  const TStringList& DeviceList() const { return device_list_; }
  const std::string& DeviceID() const { return device_id_; }
  uint8_t DeviceType() const { return device_type_; }
  const std::string& DeviceName() const { return device_name_; }
  uint8_t HaId() const { return ha_id_; }
  uint8_t Target() const { return target_; }
  uint8_t Lun() const { return lun_; }
  uint8_t AdapterCount() const { return adapter_count_; }
  // Standard INQUIRY data of the drive last asked (128 bytes).
  const uint8_t* InquiryData() const { return inquiry_; }
  const TSRB_HAInquiry& HostAdapterInquiry() const { return ha_inquiry_; }
  // Per-model workarounds of the selected drive.
  bool PollReady() const { return f_poll_ready_; }
  bool ForceUnderrun() const { return f_force_underrun_; }
  bool LinkSizeValid() const { return f_link_size_valid_; }

  // ---- Capabilities ----
  bool GetDeviceCapabilities(bool unused = false);
  void GetWriteMethods();

  // ---- MMC commands: true when the drive completed the command ----
  bool TestUnitReady(int Timeout);
  int Rewind();  // ExecScsiCommand's result, not the drive's
  bool RequestSense(void* Buffer, uint8_t Length);
  bool Inquiry();  // into InquiryData
  bool LoadMedium(bool Eject);
  bool LockMedium(bool Allow);  // Allow = true allows removal
  bool ReadCapacity(uint32_t& LastLBA, uint32_t& BlockLength);
  bool Read10(uint32_t LBA, uint16_t Blocks, void* Buffer, uint32_t Length);
  // Also true while the request is still pending. Negative addresses are
  // passed as their two's complement.
  bool Write10(uint32_t LBA, uint16_t Blocks, void* Buffer, uint32_t Length, uint8_t Flags);
  bool FlushCache(int Timeout, bool Immed);
  bool ReadTOC(uint8_t Format, void* Buffer, uint8_t Length, uint8_t Track, bool MSF, uint8_t Control);
  bool GetConfigData(uint8_t RT, uint16_t Feature, void* Buffer, uint32_t Length);
  bool ReadDiscInformationRaw(void* Buffer, uint32_t Length);
  // Into DiscInfo; its data length is converted to host order.
  bool ReadDiscInformation();
  // Into the track information field; see the TrackInfo accessors.
  bool ReadTrackInformation(uint8_t Track);
  bool ReserveTrack(uint32_t Size);
  bool SendOPC();
  bool ModeSelect10(const void* Buffer, uint16_t Length);
  // Zeroes ClearLength + 1 bytes of Buffer, then copies Length bytes of the
  // answer into it.
  bool ModeSense10(uint8_t PageCode, void* Buffer, int ClearLength, uint16_t Length, bool Default);
  bool CloseTrack(bool Track, bool Immed, bool Finalize, uint8_t unused = 0);
  bool CloseTrackDVD(bool Immed, uint8_t Function, uint8_t Byte3, uint8_t TrackHigh, uint8_t TrackLow);
  bool ReadBufferCapacity(uint32_t& Total, uint32_t& Free);
  bool SendCueSheet(const void* Buffer, uint32_t Length);
  bool ReadDVDStructure(uint8_t Layer, uint8_t Format, void* Buffer, uint16_t Length);
  bool SetStreaming(const void* Buffer, uint16_t Length);
  // 0 asks for the drive's maximum.
  bool SetCDSpeed(uint32_t ReadSpeed, uint32_t WriteSpeed);
  bool ReadCD(uint32_t LBA, uint16_t Blocks, void* Buffer, uint32_t Length, uint8_t SectorType, uint8_t Byte9,
              uint8_t SubChannel);
  bool SendDVDStructure(uint8_t Format, const void* Buffer, uint16_t Length);
  bool SendDVDStructureTimeStamp(TDateTime Time);
  bool GetFormatCapacity(uint32_t& Blocks, uint32_t& BlockLength);
  // TEST UNIT READY that lets the emulation release its handle on the drive.
  bool UnlockDrive();
  // ASPI reset-device request; its status.
  uint8_t ScsiReset();
  // Waits until the drive is ready after loading, closing or formatting.
  bool WaitForReady(int Timeout, int Interval);
  // After a recording or an erase: plain write parameters, the fastest read
  // speed, the tray unlocked and the medium loaded.
  void RestoreDrive();

  // The last READ TRACK INFORMATION answer (38 bytes; the fields below are in
  // host order, bytes 2-7 and 32-37 as the drive sent them).
  const uint8_t* TrackInfo() const { return track_info_; }
  uint16_t TrackInfoLength() const;
  uint32_t TrackInfoStart() const;
  uint32_t TrackInfoNextWritable() const;
  uint32_t TrackInfoFreeBlocks() const;
  uint32_t TrackInfoPacketSize() const;
  uint32_t TrackInfoSize() const;
  uint32_t TrackInfoLastRecorded() const;

  // ---- Settings and figures ----
  uint16_t DeviceMaxWriteSpeed() const { return device_max_write_speed_; }
  uint16_t DeviceMaxReadSpeed() const { return device_max_read_speed_; }
  uint32_t DeviceBufferSize() const { return device_buffer_size_; }
  void SetDeviceBufferSize(uint32_t v) { device_buffer_size_ = v; }
  uint32_t DeviceFreeBufferSize() const { return device_free_buffer_size_; }
  void SetDeviceFreeBufferSize(uint32_t v) { device_free_buffer_size_ = v; }
  bool UnderrunProtection() const { return underrun_protection_; }
  void SetUnderrunProtection(bool v) { underrun_protection_ = v; }
  bool DoDebug() const { return do_debug_; }
  void SetDoDebug(bool v) { do_debug_ = v; }
  uint16_t ReadSpeed() const { return read_speed_; }
  void SetReadSpeed(uint16_t v) { read_speed_ = v; }
  uint16_t WriteSpeed() const { return write_speed_; }
  // Sends SET CD SPEED with the current read speed first; the speed is kept
  // even when the drive refuses it, and the result tells whether it took.
  bool SetWriteSpeed(uint16_t speed);
  bool Erasing() const { return erasing_.load(); }
  bool FinalizeDisc() const { return finalize_disc_; }
  void SetFinalizeDisc(bool v) { finalize_disc_ = v; }
  bool TestWrite() const { return test_write_; }
  void SetTestWrite(bool v) { test_write_ = v; }

  TDeviceChangedEvent OnDeviceChange;
  TEraseDoneEvent OnEraseDone;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

  // Sends a request block other than an execute request; SS_ILLEGAL_MODE
  // without a layer.
  uint32_t SendRequest(void* srb);
  void SelectNone();
  void LogCommand(const TSRB_ExecSCSICmd& SRB);

  TCriticalSection lock_;
  uint8_t ha_id_ = kNoAddress, target_ = kNoAddress, lun_ = kNoAddress;
  uint8_t adapter_count_ = 0;
  TMemo* debug_window_ = nullptr;
  bool underrun_protection_ = false;
  bool test_write_ = false;
  std::string last_error_;
  bool do_debug_ = false;
  TStringList device_list_;
  bool target_busy_ = false;
  TSRB_HAInquiry ha_inquiry_ = {};
  TSRB_Abort abort_srb_ = {};
  uint16_t device_max_write_speed_ = 0, device_max_read_speed_ = 0;
  // Written by the writer thread while the host polls them.
  std::atomic<uint32_t> device_buffer_size_{0}, device_free_buffer_size_{0};
  bool finalize_disc_ = false;
  std::atomic<bool> erasing_{false};  // written by the erase thread
  uint8_t last_sense_[kSenseLen] = {};
  uint16_t read_speed_ = 0, write_speed_ = 0;

  // Selection.
  std::string device_id_;
  uint8_t device_type_ = kNoDeviceType;
  std::string device_name_;
  uint8_t inquiry_[128 + 3] = {};
  bool f_poll_ready_ = false;
  bool f_force_underrun_ = false;
  bool f_link_size_valid_ = false;

  // READ TRACK INFORMATION answer.
  uint8_t track_info_[38] = {};

  // --- Capabilities, write parameters, disc information, erasing ---
 public:
  // Set by GetDeviceCapabilities from mode page 2Ah and two features.
  TDeviceCapabilities Capabilities() const { return capabilities_; }
  // Page 2Ah as last read, from its page code (516 bytes); the 16-bit fields
  // at bytes 8, 12, 14, 18 and 20 are in host order.
  const uint8_t* CapabilitiesPage() const { return caps_page_; }
  // Each reads the page again; 0 when the drive does not answer.
  uint16_t MaxWriteSpeed();
  uint16_t MaxReadSpeed();
  uint16_t CurrentReadSpeed();
  uint16_t CurrentWriteSpeed();
  // The drive answers the vendor page 30h.
  bool IsJustLinkCapable();
  // Programs the write parameters page for a medium code and the recording
  // options; DVD-RAM needs none.
  bool SetWriteParams(bool TestWrite, bool Underrun, bool unused, uint16_t Medium);
  // The write parameters page as last built or probed (54 bytes).
  const uint8_t* WriteParamsPage() const { return write_params_; }
  // Whether the drive accepts the write type; leaves the page programmed.
  bool CheckWriteMethod(TWriteMethod Method);
  TWriteMethods WriteMethods() const { return write_methods_; }

  // Disc facts. Block counts are 2048-byte sectors.
  TDisc GetDiscInformation();
  uint8_t DiscType();
  // 0 empty, 1 incomplete, 2 complete, 3 other; -1 when unknown.
  int16_t DiscStatus();
  // State of the last session, 0 to 3; -1 when unknown.
  int16_t LastSessionStatus();
  // Closed sessions; an empty session open for writing does not count.
  uint16_t SessionsOnDisc();
  uint32_t UsedBlocksOnDisc();
  uint32_t FreeBlocksOnDisc();
  uint32_t TotalBlocksOnDisc();
  bool Erasable();
  // The ATIP answer of the last DiscType or GetDiscInformation (26 bytes).
  const uint8_t* AtipData() const { return atip_; }

  // Erasing. FORMAT UNIT with an outgoing parameter list.
  bool FormatUnit(uint8_t Options, const void* List, int32_t Length);
  // Starts BLANK (0 whole disc, 1 minimal) or the format or overwrite that
  // stands for it, and an erase thread that reports through OnEraseDone on
  // the main thread. False when the drive is not ready (no event) or refuses
  // the command (OnEraseDone with true first). The device must outlive the
  // erase: destroy it only once Erasing is false (and end the program only
  // once EraseThreadRunning is false).
  bool EraseDisc(uint8_t EraseType);
  // Estimated percentage while Erasing, else 0.
  int32_t EraseProgress();
  uint8_t EraseType() const { return erase_type_; }

 protected:
  friend class TEraseThread;
  void TakeCapabilitiesPage(int offset);
  uint16_t CapabilitiesWord(int offset) const;
  bool ReadWriteParamsPage();
  bool SendWriteParamsPage();
  // READ TOC format 4 (MSF) into the ATIP field; false also when the answer
  // is no ATIP (some drives send a table of contents instead).
  bool ReadAtip();
  // Blocks before the last possible start of the lead-out, from the ATIP.
  uint32_t AtipLeadOutBlocks() const;
  // The most blocks the medium in the drive can hold (MediumBlockLimit).
  uint32_t BlockLimit();
  // READ CAPACITY as a count of blocks; false when it fails or the count is
  // beyond `limit`.
  bool CapacityCount(uint32_t& blocks, uint32_t limit);

  TDeviceCapabilities capabilities_;
  uint8_t caps_page_[516] = {};
  uint8_t write_params_[54] = {};
  TWriteMethods write_methods_;
  uint8_t atip_[26] = {};
  TDisc disc_;
  uint8_t erase_type_ = 0;
  // --- end of capabilities, write parameters, disc information, erasing ---
};

}  // namespace orlix
