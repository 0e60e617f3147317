#include "cli/drive_facts.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "device/device_state.h"

namespace orlix::cli {

namespace {

constexpr double kCdOneX = 176.4, kDvdOneX = 1385.0;

struct CapabilityWord {
  TScsiDeviceCapabilities member;
  int list;  // 0 reads, 1 writes, 2 features
  const char* word;
};

constexpr CapabilityWord kWords[] = {
    {dcReadCDR, 0, "CD-R"},
    {dcReadCDRW, 0, "CD-RW"},
    {dcReadMethod2, 0, "mode-2"},
    {dcReadDVD, 0, "DVD-ROM"},
    {dcReadDVDR, 0, "DVD-R"},
    {dcReadDVDRW, 0, "DVD-RW"},
    {dcReadDVDRAM, 0, "DVD-RAM"},
    {dcReadDVDPLUSR, 0, "DVD+R"},
    {dcReadDVDPLUSRW, 0, "DVD+RW"},
    {dcWriteCDR, 1, "CD-R"},
    {dcWriteCDRW, 1, "CD-RW"},
    {dcWriteDVDR, 1, "DVD-R"},
    {dcWriteDVDRW, 1, "DVD-RW"},
    {dcWriteDVDRAM, 1, "DVD-RAM"},
    {dcWriteDVDPLUSR, 1, "DVD+R"},
    {dcWriteDVDPLUSRW, 1, "DVD+RW"},
    {dcWriteTest, 2, "test-write"},
    {dcWriteISRC, 2, "ISRC"},
    {dcUnderrunProtection, 2, "underrun-protection"},
};

SpeedFact Speed(uint16_t kbps, bool dvd) { return {kbps, kbps / (dvd ? kDvdOneX : kCdOneX)}; }

}  // namespace

DriveFacts GatherDriveFacts(TSCSIDevice& device, bool dvd_medium) {
  DriveFacts f;
  f.name = DriveName(reinterpret_cast<const char*>(device.InquiryData() + 8));
  f.address = std::to_string(device.HaId()) + ":" + std::to_string(device.Target()) + ":" +
              std::to_string(device.Lun());
  f.dvd_speeds = dvd_medium;
  f.max_read = Speed(device.MaxReadSpeed(), dvd_medium);
  f.current_read = Speed(device.CurrentReadSpeed(), dvd_medium);
  f.max_write = Speed(device.MaxWriteSpeed(), dvd_medium);
  f.current_write = Speed(device.CurrentWriteSpeed(), dvd_medium);
  // The last read refreshed the capabilities; the page keeps the buffer size
  // in host order.
  const TDeviceCapabilities caps = device.Capabilities();
  for (const CapabilityWord& w : kWords) {
    if (!caps.Contains(w.member)) continue;
    (w.list == 0 ? f.reads : w.list == 1 ? f.writes : f.features).push_back(w.word);
  }
  uint16_t buffer_kb;
  std::memcpy(&buffer_kb, device.CapabilitiesPage() + 12, 2);
  uint32_t total = 0, free = 0;
  f.buffer_kb = device.ReadBufferCapacity(total, free) && total > 0 ? total / 1024 : buffer_kb;
  const TWriteMethods methods = device.WriteMethods();
  if (methods.Contains(wmDAO)) f.write_methods.push_back("DAO");
  if (methods.Contains(wmSAO)) f.write_methods.push_back("SAO");
  if (methods.Contains(wmTAO)) f.write_methods.push_back("TAO");
  return f;
}

DiscFacts GatherDiscFacts(TSCSIDevice& device) {
  DiscFacts f;
  const TDisc disc = device.GetDiscInformation();
  if (!disc.Ready) return f;
  f.ready = true;
  f.medium = disc.Medium;
  f.profile = disc.Profile;
  MediumIs = device.DiscType();
  f.type = DiscTypeString[MediumIs < kMediumCount ? MediumIs : kMediumUnknown];
  f.status = device.DiscStatus();
  f.last_session = device.LastSessionStatus();
  f.sessions = device.SessionsOnDisc();
  f.used = device.UsedBlocksOnDisc();
  f.free = device.FreeBlocksOnDisc();
  f.total = device.TotalBlocksOnDisc();
  f.erasable = device.Erasable();
  return f;
}

std::string DiscStatusName(int status) {
  switch (status) {
    case kDiscEmpty:
      return "blank";
    case kDiscIncomplete:
      return "appendable";
    case kDiscComplete:
      return "complete";
    case kDiscOther:
      return "random access";
  }
  return "unknown";
}

std::string SessionStateName(int state) {
  switch (state) {
    case kSessionEmpty:
      return "empty";
    case kSessionIncomplete:
      return "incomplete";
    case kSessionDamaged:
      return "damaged";
    case kSessionComplete:
      return "complete";
  }
  return "unknown";
}

std::string DriveName(const char* fields) {
  std::string name;
  for (const auto& [at, size] : {std::pair{0, 8}, std::pair{8, 16}, std::pair{24, 4}}) {
    std::string field(fields + at, static_cast<size_t>(size));
    field = field.substr(0, field.find('\0'));
    const size_t first = field.find_first_not_of(' '), last = field.find_last_not_of(' ');
    if (first == std::string::npos) continue;
    name += (name.empty() ? "" : " ") + field.substr(first, last - first + 1);
  }
  return name;
}

std::string ProfileText(uint16_t profile) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", profile);
  return text;
}

double BlocksToMB(uint32_t blocks) { return blocks * 2048.0 / (1024.0 * 1024.0); }

}  // namespace orlix::cli
