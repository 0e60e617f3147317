#include <gtest/gtest.h>

#include <vector>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/exceptions.h"
#include "messages/messages.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.OnDebugMessage = [this](TComponent*, const std::string& line, uint8_t type) {
      lines_.push_back(line);
      types_.push_back(type);
    };
  }
  void ExpectNothingSelected() {
    EXPECT_EQ(device_.HaId(), kNoAddress);
    EXPECT_EQ(device_.Target(), kNoAddress);
    EXPECT_EQ(device_.Lun(), kNoAddress);
    EXPECT_EQ(device_.DeviceType(), kNoDeviceType);
    EXPECT_EQ(device_.DeviceID(), "");
    EXPECT_EQ(device_.DeviceName(), "");
  }

  FakeLayer layer_;
  TSCSIDevice device_{nullptr};
  std::vector<std::string> lines_;
  std::vector<uint8_t> types_;
};

TEST_F(Discovery, SetDeviceIdReadsThreeDigits) {
  layer_.adapters = 2;
  layer_.Add(1, 0, 0).identity = std::string("VENDOR\x01 ") + "PRODUCT NAME    1.00";
  int changes = 0;
  device_.OnDeviceChange = [&](TComponent* sender) {
    EXPECT_EQ(sender, &device_);
    ++changes;
  };
  device_.SetDeviceID("1:0:0,E: whatever follows");
  EXPECT_EQ(device_.HaId(), 1);
  EXPECT_EQ(device_.Target(), 0);
  EXPECT_EQ(device_.Lun(), 0);
  EXPECT_EQ(device_.DeviceType(), 5);
  EXPECT_EQ(device_.DeviceID(), "1:0:0,E: whatever follows");
  EXPECT_EQ(device_.DeviceName(), "VENDOR   PRODUCT NAME     1.00");  // control bytes become blanks
  EXPECT_EQ(device_.DeviceName().size(), 30u);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(lines_.empty());

  // Too short: nothing selected, with a message unless the ID was empty.
  device_.SetDeviceID("1:0:");
  ExpectNothingSelected();
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_EQ(lines_[0], Text(ERR_INVALIDDEVICE));
  EXPECT_EQ(types_[0], 0);
  device_.SetDeviceID("1:0:0");
  device_.SetDeviceID("");
  ExpectNothingSelected();
  EXPECT_EQ(lines_.size(), 1u);
  EXPECT_EQ(changes, 2);

  EXPECT_THROW(device_.SetDeviceID("x:0:0"), EConvertError);
  EXPECT_TRUE(device_.SelectDevice("1:0:0"));
}

TEST_F(Discovery, AnAddressWithoutADriveSelectsNone) {
  layer_.Add(0, 0, 0);
  device_.SetDeviceID("0:0:0");
  ASSERT_EQ(device_.HaId(), 0);
  // Nothing answers at 0:5:0; the drive selected before must not stand in.
  device_.SetDeviceID("0:5:0");
  ExpectNothingSelected();
  EXPECT_EQ(lines_.back(), Text(ERR_INVALIDDEVICE));

  // A device that is no CD/DVD drive is refused too; a write-once one is not.
  layer_.Add(0, 1, 0).type = 0;
  device_.SetDeviceID("0:1:0");
  ExpectNothingSelected();
  layer_.Add(0, 2, 0).type = 4;
  device_.SetDeviceID("0:2:0");
  EXPECT_EQ(device_.DeviceType(), 4);
  EXPECT_EQ(device_.Target(), 2);
}

TEST_F(Discovery, PerModelWorkarounds) {
  struct {
    std::string vendor, product;  // 8 and 16 characters
    bool poll, underrun, link, slow, immed;
  } models[] = {
      {"PIONEER ", "DVD-RW  DVR-104 ", true, false, false, false, true},
      {"PIONEER ", " DVD-RW  DVR-104", false, false, false, false, true},
      {"SOMEONE ", "CDRW321040X     ", false, false, false, false, false},
      {"SOMEONE ", "CD-W512EB       ", false, true, false, false, true},
      {"SOMEONE ", "CD-RW  CRX800E  ", false, false, true, false, true},
      {"SOMEONE ", "UJDA720         ", false, false, false, true, true},
      {"TDK     ", "CDRW121032      ", false, false, false, true, true},
      {"TD      ", "TDK DRIVE       ", false, false, false, false, true},
      {"OTHER   ", "cd-w512eb       ", false, false, false, false, true},
  };
  for (const auto& m : models) {
    SCOPED_TRACE(m.product);
    layer_.Add(0, 0, 0).identity = m.vendor + m.product + "1.00";
    device_.SetDeviceID("0:0:0");
    EXPECT_EQ(device_.PollReady(), m.poll);
    EXPECT_EQ(device_.ForceUnderrun(), m.underrun);
    EXPECT_EQ(device_.LinkSizeValid(), m.link);
    EXPECT_EQ(fSlowReady, m.slow);
    EXPECT_EQ(fImmedCT, m.immed);
  }
  fSlowReady = false;
  fImmedCT = true;
}

TEST_F(Discovery, ScanListsEveryCdDvdDeviceWithItsLetter) {
  layer_.Add(0, 1, 0).bios_drive = 4;
  layer_.Add(0, 3, 2).type = 4;
  layer_.Add(0, 5, 0).type = 0;  // a disk, not listed
  layer_.Add(0, 0, 0);
  device_.SetDeviceID("0:0:0");
  layer_.executed.clear();
  device_.SetDoDebug(true);
  device_.GetHostAdapterInfo(0);
  device_.ScanDevices();
  EXPECT_EQ(layer_.CountOp(0x12), 64);
  const std::string id = "VENDOR  PRODUCT NAME    1.00";
  ASSERT_EQ(device_.DeviceList().Count(), 3);
  EXPECT_EQ(device_.DeviceList().Strings(0), "0:0:0,?: " + id);
  EXPECT_EQ(device_.DeviceList().Strings(1), "0:1:0,E: " + id);
  EXPECT_EQ(device_.DeviceList().Strings(2), "0:3:2,?: " + id + " (not supported)");
  // The selection is as before; nothing failed as far as the host is told.
  EXPECT_EQ(device_.HaId(), 0);
  EXPECT_EQ(device_.Target(), 0);
  EXPECT_EQ(device_.LastError(), "");
  // Progress lines only; the 61 failed INQUIRYs are not logged.
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(lines_[0], ">>> fake layer");
  EXPECT_EQ(lines_[1], ">>> FAKE ASPI LAYER  (FAKE 0)");
  EXPECT_EQ(types_[0], 1);

  // Two adapters: 128 addresses.
  layer_.adapters = 2;
  layer_.executed.clear();
  device_.GetHostAdapterInfo(0);
  EXPECT_EQ(device_.AdapterCount(), 2);
  device_.ScanDevices();
  EXPECT_EQ(layer_.CountOp(0x12), 128);
}

TEST_F(Discovery, ComponentScansWhenALayerIsActive) {
  layer_.Add(0, 2, 0);
  TSCSIDevice other(nullptr);
  ASSERT_EQ(other.DeviceList().Count(), 1);
  EXPECT_EQ(other.DeviceList().Strings(0).substr(0, 9), "0:2:0,?: ");
  EXPECT_EQ(other.HaId(), kNoAddress);
}

TEST_F(Discovery, DriveLetters) {
  layer_.Add(0, 1, 0).bios_drive = 3;
  device_.GetHostAdapterInfo(0);
  EXPECT_TRUE(device_.SetDeviceByDriveLetter('d'));
  EXPECT_EQ(device_.DeviceID(), "0:1:0 d:");
  EXPECT_EQ(device_.GetDriveLetter(), 'D');
  EXPECT_EQ(device_.GetDiskLetter(0, 1, 0), 3);
  EXPECT_EQ(device_.GetDiskLetter(0, 2, 0), 128);
  EXPECT_FALSE(device_.SetDeviceByDriveLetter('F'));
  EXPECT_FALSE(device_.SetDeviceByDriveLetter('?'));

  // A layer that names a BIOS drive beyond Z: gives no letter.
  layer_.Add(0, 1, 0).bios_drive = 100;
  EXPECT_EQ(device_.GetDriveLetter(), 0);
}

}  // namespace
}  // namespace orlix::test
