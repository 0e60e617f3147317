// Where a new session starts on the disc in the drive.
#include <cstring>

#include "burner/burner.h"
#include "device/device_state.h"
#include "framework/bytes.h"

namespace orlix {

namespace {

constexpr uint16_t kRestrictedOverwriteProfile = 0x13;
constexpr uint8_t kNextWritableValid = 0x01;  // track information byte 7

}  // namespace

// On media without sessions the file system tells: the volume space size of
// the highest primary or supplementary descriptor between sectors 16 and 32.
static uint32_t VolumeEnd(TSCSIDevice& drive) {
  uint8_t sector[2048];
  for (uint32_t lba = 32; lba >= 16; --lba) {
    std::memset(sector, 0, sizeof sector);
    if (!drive.Read10(lba, 1, sector, sizeof sector)) continue;
    if (std::memcmp(sector + 1, "CD001", 5) == 0 && (sector[0] == 1 || sector[0] == 2))
      return GetLE32(sector + 80);
  }
  return 0;
}

bool TOrlixBurner::GetNextWritableAddress() {
  SetNextWritableAddress(0);
  WaitForReady(10000, 500);
  const uint8_t medium = DiscType();
  const uint16_t profile = GetBE16(ConfigBuf + 6);
  const bool finalize = FinalizeDisc();
  SetFinalizeDisc(true);
  SetWriteParams(TestWrite(), UnderrunProtection(), false, medium);
  SetFinalizeDisc(finalize);
  WaitForReady(10000, 500);

  if (medium == kMediumDVDRAM || medium == kMediumDVDPlusRW) {
    SetNextWritableAddress(VolumeEnd(*this));
    return true;
  }
  ReadDiscInformation();
  if (IsDvdRw(medium) && profile == kRestrictedOverwriteProfile) {
    if (!ReadTrackInformation(1)) return false;
    uint32_t address = TrackInfoNextWritable();
    if (address == 0) address = TrackInfoSize();
    // A fully formatted disc leaves nothing after its one track: then, as
    // on DVD+RW, the new session follows the file system already there.
    if (TrackInfoFreeBlocks() == 0 && (TrackInfo()[7] & kNextWritableValid) == 0) address = VolumeEnd(*this);
    SetNextWritableAddress(address);
    return true;
  }
  // Sequential media, a sequential DVD-RW included: the track after the
  // closed sessions.
  if (!ReadTrackInformation(static_cast<uint8_t>(SessionsOnDisc() + 1))) return false;
  SetNextWritableAddress(TrackInfoNextWritable());
  return true;
}

}  // namespace orlix
