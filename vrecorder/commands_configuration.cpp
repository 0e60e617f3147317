// GET CONFIGURATION: the profile list and the features of the drive, marked
// current for the medium in it.
#include "vrecorder/recorder.h"

namespace orlix::vrec {

namespace {

struct Feature {
  uint16_t code;
  uint8_t version;
  bool persistent;
  bool current;
  Bytes data;
};

bool IsOneOf(uint16_t profile, std::initializer_list<uint16_t> list) {
  for (uint16_t p : list)
    if (p == profile) return true;
  return false;
}

}  // namespace

Sense Recorder::GetConfiguration(Command& c) {
  const uint8_t rt = c.cdb[1] & 0x03;
  const uint16_t start = static_cast<uint16_t>(Get16(c.cdb + 2));
  if (rt == 3) return kInvalidFieldInCdb;

  const bool present = MediumPresent();
  const uint16_t p = present ? disc_->state().profile : kProfileNone;
  const bool cd = present && !disc_->Dvd();
  const bool dvd = present && disc_->Dvd();
  const bool readable = present && disc_->LastLba() > 0;

  std::vector<Feature> features;
  {
    Bytes list;
    for (const Medium& m : AllMedia()) {
      size_t at = list.size();
      list.resize(at + 4, 0);
      Put16(&list[at], m.profile);
      list[at + 2] = m.profile == p ? 0x01 : 0x00;
    }
    features.push_back({0x0000, 0, true, true, list});
  }
  features.push_back({0x0001, 1, true, true, {0, 0, 0, 2, 0x01, 0, 0, 0}});  // ATAPI, DBE
  features.push_back({0x0002, 1, true, true, {0x02, 0, 0, 0}});              // morphing: OCEvent
  features.push_back({0x0003, 0, true, true, {0x29, 0, 0, 0}});              // tray, eject, lock
  {
    Bytes d(8, 0);
    Put32(&d[0], kBlockSize);
    Put16(&d[4], dvd ? 16 : 1);
    d[6] = 0x01;
    features.push_back({0x0010, 0, false, readable, d});  // random readable
  }
  features.push_back({0x001D, 0, false, cd, {}});             // multi-read
  features.push_back({0x001E, 2, false, cd, {0, 0, 0, 0}});   // CD read
  features.push_back({0x001F, 1, false, dvd, {0, 0, 0, 0}});  // DVD read
  {
    Bytes d(12, 0);
    Put32(&d[0], present ? disc_->LastLba() : 0);
    Put32(&d[4], kBlockSize);
    Put16(&d[8], 16);
    d[10] = 0x01;
    features.push_back({0x0020, 0, false, p == kProfileDvdRam, d});  // random writable
  }
  {
    Bytes d = {0x05, 0x00, 0x01, 0x01, static_cast<uint8_t>(dvd ? 16 : 7),
               0,    0,    0};  // mode 1 and mode 2 form 1
    features.push_back({0x0021, 1, false,
                        IsOneOf(p, {kProfileCdR, kProfileCdRw, kProfileDvdR, kProfileDvdRwSequential}),
                        d});  // incremental streaming writable
  }
  features.push_back(
      {0x0023,
       0,
       false,
       IsOneOf(p, {kProfileDvdPlusRw, kProfileDvdRam, kProfileDvdRwRestricted, kProfileDvdRwSequential}),
       {}});                                                                        // formattable
  features.push_back({0x0026, 0, false, p == kProfileDvdRwRestricted, {}});         // restricted overwrite
  features.push_back({0x002A, 1, false, p == kProfileDvdPlusRw, {0x01, 0, 0, 0}});  // DVD+RW: write
  features.push_back({0x002B, 0, false, p == kProfileDvdPlusR, {0x01, 0, 0, 0}});   // DVD+R: write
  const bool cd_recordable = IsOneOf(p, {kProfileCdR, kProfileCdRw});
  features.push_back({0x002D, 2, false, cd_recordable, {0x46, 0, 0x00, 0x01}});     // TAO: BUF, test, CD-RW
  features.push_back({0x002E, 1, false, cd_recordable, {0x7E, 0x00, 0x0F, 0x00}});  // SAO and raw
  features.push_back({0x002F,
                      1,
                      false,
                      IsOneOf(p, {kProfileDvdR, kProfileDvdRwSequential}),
                      {0x46, 0, 0, 0}});                         // DVD-R/-RW write: BUF, test, DVD-RW
  features.push_back({0x0107, 3, false, dvd, {0x03, 0, 0, 0}});  // real-time streaming

  Bytes d(8, 0);
  Put16(&d[6], p);
  for (const Feature& f : features) {
    if (f.code < start) continue;
    if (rt == 1 && !f.current) continue;
    if (rt == 2 && f.code != start) continue;
    size_t at = d.size();
    d.resize(at + 4 + f.data.size(), 0);
    Put16(&d[at], f.code);
    d[at + 2] = static_cast<uint8_t>((f.version << 2) | (f.persistent ? 0x02 : 0) | (f.current ? 0x01 : 0));
    d[at + 3] = static_cast<uint8_t>(f.data.size());
    std::copy(f.data.begin(), f.data.end(), d.begin() + static_cast<long>(at + 4));
  }
  Put32(&d[0], static_cast<uint32_t>(d.size() - 4));
  c.Answer(d, Get16(c.cdb + 7));
  return kGood;
}

}  // namespace orlix::vrec
