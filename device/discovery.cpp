// Finding the drives behind the active layer and selecting one.
#include <cctype>
#include <cstring>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/exceptions.h"
#include "messages/messages.h"
#include "transport/transport_state.h"

namespace orlix {

namespace {

constexpr uint8_t kCdDvdDevice = 5;
constexpr uint8_t kWriteOnceDevice = 4;
constexpr uint8_t kNoBiosDrive = 128;

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// A fixed-width text field that may or may not end in a zero byte.
std::string Field(const char* p, size_t width) { return std::string(p, strnlen(p, width)); }

uint8_t Digit(char c) {
  if (c < '0' || c > '9') throw EConvertError("'" + std::string(1, c) + "' is not a valid integer value");
  return static_cast<uint8_t>(c - '0');
}

std::string ShortId(unsigned ha, unsigned target, unsigned lun, char letter) {
  return std::to_string(ha) + ":" + std::to_string(target) + ":" + std::to_string(lun) + " " + letter + ":";
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

void TSCSIDevice::GetHostAdapterInfo(uint8_t HostAdapter) {
  std::memset(&ha_inquiry_, 0, sizeof ha_inquiry_);
  ha_inquiry_.SRB_Cmd = SC_HA_INQUIRY;
  ha_inquiry_.SRB_HaId = HostAdapter;
  SendRequest(&ha_inquiry_);
  adapter_count_ = ha_inquiry_.SRB_Status == SS_COMP ? ha_inquiry_.HA_Count : 255;
  if (adapter_count_ == 0) adapter_count_ = 7;
}

void TSCSIDevice::ScanDevices() {
  device_list_.Clear();
  const uint8_t saved_ha = ha_id_, saved_target = target_, saved_lun = lun_;
  lun_ = 0;
  if (do_debug_) DebugMsg(">>> " + ASPILayerName, 1);
  const int adapters = adapter_count_;
  for (int ha = 0; ha < adapters; ++ha) {
    GetHostAdapterInfo(static_cast<uint8_t>(ha));
    if (do_debug_)
      DebugMsg(">>> " + Field(ha_inquiry_.HA_ManagerId, sizeof ha_inquiry_.HA_ManagerId) + " (" +
                   Trim(Field(ha_inquiry_.HA_Identifier, sizeof ha_inquiry_.HA_Identifier)) + ")",
               1);
    for (uint8_t target = 0; target < 8; ++target) {
      for (uint8_t lun = 0; lun < 8; ++lun) {
        ha_id_ = static_cast<uint8_t>(ha);
        target_ = target;
        lun_ = lun;
        std::memset(inquiry_, 0, sizeof inquiry_);
        if (!Inquiry() || (inquiry_[0] != kCdDvdDevice && inquiry_[0] != kWriteOnceDevice)) continue;
        char letter = GetDriveLetter();
        if (letter == 0 || letter == 0x7F) letter = '?';
        std::string line = std::to_string(ha) + ":" + std::to_string(target) + ":" + std::to_string(lun) +
                           "," + letter + ": " + std::string(reinterpret_cast<const char*>(inquiry_ + 8), 28);
        if (inquiry_[0] == kWriteOnceDevice) line += " (not supported)";
        device_list_.Add(line);
      }
    }
  }
  ha_id_ = saved_ha;
  target_ = saved_target;
  lun_ = saved_lun;
  last_error_.clear();
}

void TSCSIDevice::SelectNone() {
  ha_id_ = target_ = lun_ = kNoAddress;
  device_id_.clear();
  device_name_.clear();
  device_type_ = kNoDeviceType;
}

void TSCSIDevice::SetDeviceID(const std::string& ID) {
  if (ID.size() < 5) {
    if (!ID.empty()) DebugMsg(Text(ERR_INVALIDDEVICE), 0);
    SelectNone();
    return;
  }
  const uint8_t ha = Digit(ID[0]), target = Digit(ID[2]), lun = Digit(ID[4]);
  ha_id_ = ha;
  target_ = target;
  lun_ = lun;
  device_id_ = ID;
  DeviceChanged();
  if (device_type_ != kCdDvdDevice && device_type_ != kWriteOnceDevice) {
    DebugMsg(Text(ERR_INVALIDDEVICE), 0);
    SelectNone();
    return;
  }

  // Per-model workarounds; the comparisons are exact.
  const std::string product16(reinterpret_cast<const char*>(inquiry_ + 16), 16);
  const std::string product = Trim(product16);
  std::string vendor = Trim(std::string(reinterpret_cast<const char*>(inquiry_ + 8), 8));
  if (vendor.size() < 3) vendor = "     ";
  f_force_underrun_ = product == "CD-W512EB";
  f_link_size_valid_ = product == "CRX175E" || product == "CD-RW  CRX800E";
  fSlowReady = StartsWith(product, "UJDA") || StartsWith(vendor, "TDK");
  fImmedCT = product != "CDRW321040X";
  if (product16 == "DVD-RW  DVR-103 " || product16 == "DVD-RW  DVR-104 ") {
    f_poll_ready_ = true;
    fImmedCT = true;
  } else {
    f_poll_ready_ = false;
  }

  if (OnDeviceChange) OnDeviceChange(this);
  GetWriteMethods();
}

bool TSCSIDevice::SelectDevice(const std::string& ID) {
  SetDeviceID(ID);
  return true;
}

void TSCSIDevice::DeviceChanged() {
  GetDeviceCapabilities(false);
  if (!Inquiry()) {
    device_name_ = last_error_;
    // Nothing answers at this address: it must not pass for the drive that
    // was selected before.
    device_type_ = kNoDeviceType;
    return;
  }
  device_type_ = inquiry_[0];
  for (int i = 8; i <= 55; ++i)
    if (inquiry_[i] < 32) inquiry_[i] = ' ';
  const char* p = reinterpret_cast<const char*>(inquiry_);
  device_name_ = std::string(p + 8, 8) + " " + std::string(p + 16, 16) + " " + std::string(p + 32, 4);
}

bool TSCSIDevice::SetDeviceByDriveLetter(char Letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(Letter)));
  if (upper < 'A' || upper > 'Z') return false;
  const int index = upper - 'A';
  TDriveHandle handle = PassThrough.open(index);
  if (handle != kNoDriveHandle) {
    TScsiAddress address;
    bool known = PassThrough.get_address(handle, address);
    PassThrough.close(handle);
    if (!known) return false;
    SetDeviceID(ShortId(address.port, address.target, address.lun, Letter));
    return ha_id_ != kNoAddress;
  }
  for (int ha = 0; ha < adapter_count_; ++ha) {
    for (uint8_t target = 0; target < 8; ++target) {
      for (uint8_t lun = 0; lun < 8; ++lun) {
        TSRB_GetDiskInfo srb = {};
        srb.SRB_Cmd = SC_GET_DISK_INFO;
        srb.SRB_HaId = static_cast<uint8_t>(ha);
        srb.SRB_Target = target;
        srb.SRB_Lun = lun;
        SendRequest(&srb);
        if (srb.SRB_Status == SS_COMP && srb.SRB_Int13HDriveInfo == index) {
          SetDeviceID(ShortId(ha, target, lun, Letter));
          return ha_id_ != kNoAddress;
        }
      }
    }
  }
  return false;
}

char TSCSIDevice::GetDriveLetter() {
  if (ASPIDLLLoaded && ASPILayerName == kEmulationLayerName)
    return GetDriveLetterOXASPI(ha_id_, target_, lun_);
  for (char letter = 'B'; letter <= 'Z'; ++letter) {
    TDriveHandle handle = PassThrough.open(letter - 'A');
    if (handle == kNoDriveHandle) continue;
    TScsiAddress address;
    bool known = PassThrough.get_address(handle, address);
    PassThrough.close(handle);
    if (known && address.port == ha_id_ && address.target == target_) return letter;
  }
  uint8_t n = GetDiskLetter(ha_id_, target_, lun_);
  // Only 0 (A:) to 25 (Z:) name a letter.
  if (n == kNoBiosDrive || n > 25) return 0;
  return static_cast<char>('A' + n);
}

uint8_t TSCSIDevice::GetDiskLetter(uint8_t HaId, uint8_t Target, uint8_t Lun) {
  TSRB_GetDiskInfo srb = {};
  srb.SRB_Cmd = SC_GET_DISK_INFO;
  srb.SRB_HaId = HaId;
  srb.SRB_Target = Target;
  srb.SRB_Lun = Lun;
  SendRequest(&srb);
  return srb.SRB_Status == SS_COMP ? srb.SRB_Int13HDriveInfo : kNoBiosDrive;
}

bool TSCSIDevice::GetDiskInformation() {
  TSRB_GetDiskInfo srb = {};
  srb.SRB_Cmd = SC_GET_DISK_INFO;
  srb.SRB_HaId = ha_id_;
  srb.SRB_Target = target_;
  SendRequest(&srb);
  return srb.SRB_Status == SS_COMP;
}

}  // namespace orlix
