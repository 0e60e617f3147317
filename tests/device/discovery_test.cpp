#include <gtest/gtest.h>

#include "device/device_state.h"
#include "framework/exceptions.h"
#include "messages/messages.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.OnDebugMessage = [this](TComponent*, const std::string& line, uint8_t) {
      lines_.push_back(line);
    };
  }
  void ExpectNothingSelected() {
    EXPECT_EQ(std::tuple(device_.HaId(), device_.Target(), device_.Lun(), device_.DeviceType(),
                         device_.DeviceID() + device_.DeviceName()),
              std::tuple(kNoAddress, kNoAddress, kNoAddress, kNoDeviceType, ""));
  }

  FakeLayer layer_;
  TSCSIDevice device_{nullptr};
  std::vector<std::string> lines_;
};

TEST_F(Discovery, SetDeviceIdSelectsOnlyACdDvdDriveThatAnswers) {
  layer_.adapters = 2;
  layer_.Add(1, 0, 0).identity = std::string("VENDOR\x01 ") + "PRODUCT NAME    1.00";
  int changes = 0;
  device_.OnDeviceChange = [&](TComponent*) { ++changes; };
  device_.SetDeviceID("1:0:0,E: whatever follows");
  EXPECT_EQ(std::tuple(device_.HaId(), device_.Target(), device_.Lun(), device_.DeviceType(), changes),
            std::tuple(1, 0, 0, 5, 1));
  // Control bytes become blanks.
  EXPECT_EQ(device_.DeviceID() + "|" + device_.DeviceName(),
            "1:0:0,E: whatever follows|VENDOR   PRODUCT NAME     1.00");

  // Too short: nothing selected, with a message unless the ID was empty.
  device_.SetDeviceID("1:0:");
  ExpectNothingSelected();
  device_.SetDeviceID("1:0:0");
  device_.SetDeviceID("");
  ExpectNothingSelected();
  EXPECT_EQ(lines_, std::vector<std::string>{Text(ERR_INVALIDDEVICE)});
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(device_.SetDeviceID("x:0:0"), EConvertError);

  // Nothing answers at 1:5:0: the drive selected before must not stand in.
  EXPECT_TRUE(device_.SelectDevice("1:0:0"));
  device_.SetDeviceID("1:5:0");
  ExpectNothingSelected();
  // A device that is no CD/DVD drive is refused too; a write-once one is not.
  layer_.Add(0, 1, 0).type = 0;
  device_.SetDeviceID("0:1:0");
  ExpectNothingSelected();
  layer_.Add(0, 2, 0).type = 4;
  device_.SetDeviceID("0:2:0");
  EXPECT_EQ(device_.Target(), 2);
}

TEST_F(Discovery, PerModelWorkarounds) {
  // Vendor (8) and product (16); poll ready, force underrun, link size, slow
  // ready, immediate close. Matching is exact, by field.
  const std::pair<std::string, std::vector<bool>> kModels[] = {
      {"PIONEER DVD-RW  DVR-104 ", {1, 0, 0, 0, 1}}, {"PIONEER  DVD-RW  DVR-104", {0, 0, 0, 0, 1}},
      {"SOMEONE CD-W512EB       ", {0, 1, 0, 0, 1}}, {"SOMEONE CD-RW  CRX800E  ", {0, 0, 1, 0, 1}},
      {"TDK     CDRW121032      ", {0, 0, 0, 1, 1}}, {"OTHER   cd-w512eb       ", {0, 0, 0, 0, 1}},
      {"SOMEONE CDRW321040X     ", {0, 0, 0, 0, 0}},
  };
  for (const auto& [identity, flags] : kModels) {
    layer_.Add(0, 0, 0).identity = identity + "1.00";
    device_.SetDeviceID("0:0:0");
    EXPECT_EQ(std::vector<bool>({device_.PollReady(), device_.ForceUnderrun(), device_.LinkSizeValid(),
                                 fSlowReady, fImmedCT}),
              flags)
        << identity;
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
  layer_.Clear();
  device_.SetDoDebug(true);
  device_.GetHostAdapterInfo(0);
  device_.ScanDevices();
  EXPECT_EQ(layer_.Commands(0x12).size(), 64u);
  const std::string id = "VENDOR  PRODUCT NAME    1.00";
  EXPECT_EQ(device_.DeviceList().Text(),
            "0:0:0,?: " + id + "\n0:1:0,E: " + id + "\n0:3:2,?: " + id + " (not supported)\n");
  // The selection stays; the 61 failed INQUIRYs are neither errors nor logged.
  EXPECT_EQ(std::tuple(device_.Target(), device_.LastError()), std::tuple(0, ""));
  EXPECT_EQ(lines_, (std::vector<std::string>{">>> fake layer", ">>> FAKE ASPI LAYER  (FAKE 0)"}));

  layer_.adapters = 2;
  layer_.Clear();
  device_.GetHostAdapterInfo(0);
  device_.ScanDevices();
  EXPECT_EQ(layer_.Commands(0x12).size(), 128u);

  // A new component scans at once when a layer is active.
  TSCSIDevice other(nullptr);
  EXPECT_EQ(std::tuple(other.DeviceList().Count(), other.HaId()), std::tuple(3, kNoAddress));
}

TEST_F(Discovery, DriveLetters) {
  layer_.Add(0, 1, 0).bios_drive = 3;
  device_.GetHostAdapterInfo(0);
  EXPECT_TRUE(device_.SetDeviceByDriveLetter('d'));
  EXPECT_EQ(std::tuple(device_.DeviceID(), device_.GetDriveLetter()), std::tuple("0:1:0 d:", 'D'));
  EXPECT_FALSE(device_.SetDeviceByDriveLetter('F'));
  layer_.Add(0, 1, 0).bios_drive = 100;  // beyond Z: no letter
  EXPECT_EQ(device_.GetDriveLetter(), 0);
}

}  // namespace
}  // namespace orlix::test
