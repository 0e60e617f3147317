// A made-up operating system behind the pass-through emulation: drives by
// drive index, what they answer, and a record of what was asked.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "transport/transport_state.h"

namespace orlix::test {

struct FakeDrive {
  bool opens = true, answers_inquiry = true, has_address = true;
  TScsiAddress address;
  uint8_t scsi_status = 0;     // outcome of commands other than the probe
  std::vector<uint8_t> sense;  // what the system delivers with it
};

class FakeSystem {
 public:
  std::map<int, FakeDrive> drives;  // by drive index
  std::vector<TPassThroughRequest> sent;
  int opened = 0, closed = 0;

  FakeSystem() {
    PassThrough.is_cd_drive = [this](int i) { return drives.count(i) != 0; };
    PassThrough.open = [this](int i) -> TDriveHandle {
      if (!drives.count(i) || !drives[i].opens) return kNoDriveHandle;
      ++opened;
      return 1000 + i;
    };
    PassThrough.close = [this](TDriveHandle) { return ++closed > 0; };
    PassThrough.send = [this](TDriveHandle h, TPassThroughRequest& r) {
      FakeDrive& d = drives.at(static_cast<int>(h - 1000));
      sent.push_back(r);
      if (r.cdb[0] == 0x12) {
        auto* data = static_cast<uint8_t*>(r.buffer);
        data[0] = 5;
        std::memcpy(data + 8, "VENDOR  PRODUCT NAME    1.00", 28);
        return d.answers_inquiry;
      }
      r.scsi_status = d.scsi_status;
      r.sense_length = static_cast<uint8_t>(std::min<size_t>(d.sense.size(), r.sense_length));
      std::copy_n(d.sense.begin(), r.sense_length, r.sense);
      return true;
    };
    PassThrough.get_address = [this](TDriveHandle h, TScsiAddress& a) {
      const FakeDrive& d = drives.at(static_cast<int>(h - 1000));
      if (d.has_address) a = d.address;
      return d.has_address;
    };
  }
  ~FakeSystem() {
    SPTIDeInit();
    PassThrough = SystemPassThrough();
  }

  FakeDrive& Add(int drive_index, uint8_t port, uint8_t target, bool has_address = true) {
    FakeDrive& d = drives[drive_index];
    d.address = {port, 0, target, 0};
    d.has_address = has_address;
    return d;
  }
};

}  // namespace orlix::test
