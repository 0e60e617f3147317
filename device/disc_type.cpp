// What medium is in the drive: the current profile, else the ATIP, else the
// disc information, else whether the drive is ready at all.
#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "device/scsi_device.h"

namespace orlix {

namespace {

struct TProfile {
  uint16_t profile;
  uint8_t medium;
  const char* name;
  bool rewritable;
};

constexpr TProfile kProfiles[] = {
    {0x01, kMediumUnknown, "Non-removable disk", false},
    {0x02, kMediumUnknown, "Removable disk", false},
    {0x03, kMediumUnknown, "MO Eraseable", true},
    {0x04, kMediumUnknown, "MO Write Once", false},
    {0x05, kMediumUnknown, "AS-MO", false},
    {0x08, kMediumCDROM, "CD-ROM", false},
    {0x09, kMediumCDR, "CD-R", false},
    {0x0A, kMediumCDRW, "CD-RW", true},
    {0x10, kMediumDVDROM, "DVD-ROM", false},
    {0x11, kMediumDVDR, "DVD-R", false},
    {0x12, kMediumDVDRAM, "DVD-RAM", false},
    {0x13, kMediumDVDRW, "DVD-RW Restricted Overwrite", true},
    {0x14, kMediumDVDRW, "DVD-RW Sequential Recording", true},
    {0x1A, kMediumDVDPlusRW, "DVD+RW", true},
    {0x1B, kMediumDVDPlusR, "DVD+R", false},
    {0x20, kMediumDDCDROM, "DDCD-ROM", false},
    {0x21, kMediumDDCDR, "DDCD-R", false},
    {0x22, kMediumDDCDRW, "DDCD-RW", true},
};

const TProfile* FindProfile(uint16_t profile) {
  for (const TProfile& p : kProfiles)
    if (p.profile == profile) return &p;
  return nullptr;
}

}  // namespace

uint8_t MediumOfProfile(uint16_t profile) {
  const TProfile* p = FindProfile(profile);
  return p ? p->medium : kMediumUnknown;
}

std::string ProfileName(uint16_t profile, bool& rewritable) {
  const TProfile* p = FindProfile(profile);
  if (!p) return "???????";
  if (p->rewritable) rewritable = true;
  return p->name;
}

uint8_t TSCSIDevice::DiscType() {
  uint8_t medium = kMediumUnknown;
  std::memset(ConfigBuf, 0, sizeof ConfigBuf);
  if (GetConfigData(2, 0, ConfigBuf, sizeof ConfigBuf)) medium = MediumOfProfile(GetBE16(ConfigBuf + 6));
  if (medium == kMediumUnknown) {
    if (ReadAtip()) {
      // Byte 6: bit 7 set on recordable media, bit 6 on rewritable ones.
      const uint8_t disc_type = atip_[6];
      medium = !(disc_type & 0x80) ? kMediumCDROM : (disc_type & 0x40) ? kMediumCDRW : kMediumCDR;
    }
  }
  if (medium == kMediumUnknown && ReadDiscInformation())
    medium = (DiscInfo[2] & 0x10) ? kMediumCDRW : kMediumCDR;
  if (medium == kMediumUnknown && TestUnitReady(5000)) medium = kMediumCDROM;
  return medium;
}

}  // namespace orlix
