// The virtual recorder loaded the way an installed ASPI manager is, found by
// the scan and driven through the command builders.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <vector>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "messages/messages.h"
#include "platform/dynamic_library.h"
#include "transport/transport_state.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

const std::string kRecorder = std::string(ORLIX_BIN_DIR) + "/" + LibraryFileName("orlix_vrecorder");

class VirtualRecorder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kRecorder)) GTEST_SKIP() << kRecorder << " is not built";
    library_ = LoadSharedLibrary(kRecorder);
    ASSERT_NE(library_, nullptr) << LibraryError();
    configure_ =
        reinterpret_cast<OrlixVRecorderConfigureFn>(SharedLibrarySymbol(library_, "OrlixVRecorderConfigure"));
    faults_ =
        reinterpret_cast<OrlixVRecorderSetFaultsFn>(SharedLibrarySymbol(library_, "OrlixVRecorderSetFaults"));
    ASSERT_TRUE(configure_ && faults_);
    dir_ = fs::temp_directory_path() / ("orlix_vrec_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(dir_);
    // The machine's own drives stay out of the letter look-ups.
    PassThrough.open = [](int) { return kNoDriveHandle; };
  }
  void TearDown() override {
    _DeInitializeASPI();
    PassThrough = SystemPassThrough();
    if (library_) FreeSharedLibrary(library_);
    fs::remove_all(dir_);
  }

  // Loads a disc (or none for "") and selects the recorder's drive.
  void Start(const std::string& spec) {
    ASSERT_EQ(configure_(spec.c_str()), 0);
    ASSERT_TRUE(device_.InitializeASPI(false, kRecorder));
    ASSERT_EQ(ASPILibPath, kRecorder);
    ASSERT_EQ(device_.DeviceList().Count(), 1);
    device_.SetDeviceID(device_.DeviceList().Strings(0));
    ASSERT_NE(device_.HaId(), kNoAddress);
  }

  TLibHandle library_ = nullptr;
  OrlixVRecorderConfigureFn configure_ = nullptr;
  OrlixVRecorderSetFaultsFn faults_ = nullptr;
  fs::path dir_;
  TSCSIDevice device_{nullptr};
};

TEST_F(VirtualRecorder, IsFoundByTheScanAndAnswersLikeADrive) {
  Start("");
  const std::string line = device_.DeviceList().Strings(0);
  EXPECT_TRUE(std::regex_match(line, std::regex("\\d:\\d:\\d,.: .{28}"))) << line;
  EXPECT_EQ(ASPILayerName, LibraryFileName(kAspiManagerBaseName));
  EXPECT_EQ(device_.DeviceType(), 5);
  EXPECT_EQ(device_.DeviceName().size(), 30u);

  EXPECT_FALSE(device_.TestUnitReady(0));  // no disc
  EXPECT_EQ(device_.LastError().rfind(Text(ERR_NOTREADY) + " (", 0), 0u) << device_.LastError();
  EXPECT_EQ(device_.LastSense()[12], 0x3A);

  // An operation code it does not know is refused as such.
  TSRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  srb.SRB_CDBLen = 12;
  srb.CDBByte[0] = 0xA4;  // REPORT KEY
  device_.ExecScsiCommand(srb, 0);
  EXPECT_EQ(srb.SRB_Status, SS_ERR);
  EXPECT_EQ(device_.LastSense()[2] & 0x0F, 5);
  EXPECT_EQ(device_.LastSense()[12], 0x20);
}

TEST_F(VirtualRecorder, WritesAndReadsBackThroughTheBuilders) {
  Start((dir_ / "disc").string() + ",profile=dvd+rw,blocks=1000");
  if (!device_.TestUnitReady(0)) ASSERT_TRUE(device_.WaitForReady(10000, 100)) << device_.LastError();
  uint8_t config[8] = {};
  ASSERT_TRUE(device_.GetConfigData(0, 0, config, sizeof config));
  EXPECT_EQ(config[6] << 8 | config[7], 0x1A);  // DVD+RW

  std::vector<uint8_t> out(32 * 2048), in(32 * 2048);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(device_.Write10(32, 32, out.data(), static_cast<uint32_t>(out.size()), 0x50))
      << device_.LastError();
  ASSERT_TRUE(device_.FlushCache(30000, false));
  ASSERT_TRUE(device_.Read10(32, 32, in.data(), static_cast<uint32_t>(in.size())));
  EXPECT_EQ(in, out);

  // Beyond the end of the medium.
  EXPECT_FALSE(device_.Write10(5000, 1, out.data(), 2048, 0x50));
  EXPECT_EQ(device_.LastSense()[2] & 0x0F, 5);
  uint32_t total = 0, free = 0;
  EXPECT_TRUE(device_.ReadBufferCapacity(total, free));
  EXPECT_GT(device_.DeviceBufferSize(), 0u);
}

TEST_F(VirtualRecorder, InjectedFaultsBecomeTheirMessages) {
  Start((dir_ / "disc").string() + ",profile=cd-r");
  ASSERT_EQ(faults_("busy:1"), 0);
  EXPECT_FALSE(device_.TestUnitReady(0));
  EXPECT_TRUE(device_.TargetBusy());
  EXPECT_EQ(device_.LastError(), Text(ERR_TARGETBUSY));

  ASSERT_EQ(faults_("notready:1"), 0);
  EXPECT_FALSE(device_.TestUnitReady(0));
  EXPECT_EQ(device_.LastError(), Text(ERR_NOTREADY) + " (" + Text(ERR_AS_04_01) + ")");
  EXPECT_TRUE(device_.TestUnitReady(0));

  ASSERT_EQ(faults_("gone"), 0);
  EXPECT_FALSE(device_.TestUnitReady(0));
  EXPECT_EQ(device_.LastError(), Text(ERR_NODEVICE));
  ASSERT_EQ(faults_(""), 0);
}

}  // namespace
}  // namespace orlix::test
