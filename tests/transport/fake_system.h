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
  bool opens = true;
  bool answers_inquiry = true;
  bool has_address = true;
  TScsiAddress address;
  std::string identity = "VENDOR  PRODUCT NAME    1.00";  // bytes 8-35 of the INQUIRY data
  // Outcome of the next commands other than the probe.
  uint8_t scsi_status = 0;
  std::vector<uint8_t> sense;  // what the system delivers
};

class FakeSystem {
 public:
  std::map<int, FakeDrive> drives;  // by drive index
  std::vector<TPassThroughRequest> sent;
  int opened = 0, closed = 0;

  FakeSystem() {
    PassThrough.is_cd_drive = [this](int i) { return drives.count(i) != 0; };
    PassThrough.open = [this](int i) -> TDriveHandle {
      auto it = drives.find(i);
      if (it == drives.end() || !it->second.opens) return kNoDriveHandle;
      ++opened;
      return 1000 + i;
    };
    PassThrough.close = [this](TDriveHandle) {
      ++closed;
      return true;
    };
    PassThrough.send = [this](TDriveHandle h, TPassThroughRequest& r) {
      FakeDrive& d = drives.at(static_cast<int>(h - 1000));
      sent.push_back(r);
      if (r.cdb[0] == 0x12) {
        if (!d.answers_inquiry) return false;
        auto* data = static_cast<uint8_t*>(r.buffer);
        data[0] = 5;
        std::memcpy(data + 8, d.identity.data(), std::min<size_t>(d.identity.size(), 28));
        return true;
      }
      r.scsi_status = d.scsi_status;
      r.sense_length = static_cast<uint8_t>(std::min<size_t>(d.sense.size(), r.sense_length));
      if (r.sense_length) std::memcpy(r.sense, d.sense.data(), r.sense_length);
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

  FakeDrive& Add(int drive_index, uint8_t port, uint8_t target, uint8_t lun = 0) {
    FakeDrive& d = drives[drive_index];
    d.address = {port, 0, target, lun};
    return d;
  }
  FakeDrive& AddUnaddressed(int drive_index) {
    FakeDrive& d = drives[drive_index];
    d.has_address = false;
    return d;
  }
};

}  // namespace orlix::test
