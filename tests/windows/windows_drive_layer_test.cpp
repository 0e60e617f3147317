// The drive layer on Windows: the virtual recorder loaded the way any
// outside ASPI manager is, from beside the program, and the pass-through
// table built over the system's drive letters.
#include <stdlib.h>

#include "platform/dynamic_library.h"
#include "platform/scsi_passthrough.h"
#include "tests/windows/windows_support.h"
#include "transport/srb.h"
#include "transport/transport_state.h"

namespace orlix::windows_test {
namespace {

TEST(WindowsLibraries, NamesAndTheProgramsFolder) {
  EXPECT_EQ(LibraryFileName("wnaspi32"), "wnaspi32.dll");
  const std::string dir = ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_TRUE(std::filesystem::exists(FromUtf8(dir + "test_windows.exe")));
  EXPECT_EQ(LoadSharedLibrary(dir + "no-such-library.dll"), nullptr);
  EXPECT_NE(LibraryError().find("no-such-library.dll"), std::string::npos);
}

TEST(WindowsLibraries, TheRecorderIsFoundBesideTheProgramAsTheAspiManager) {
  ScratchFolder folder;
  // Configured through the environment, read at the first request, so
  // that nothing loads the library before the layer looks for it.
  const std::string spec = Utf8(folder.path()) + "\\disc.img,profile=cd-r";
  ASSERT_EQ(_putenv_s("ORLIX_VRECORDER", spec.c_str()), 0);

  // The current folder is not the program's: only the system's search,
  // which starts beside the program, can find it.
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  ASSERT_TRUE(_InitializeASPI(false, ""));
  std::filesystem::current_path(cwd);
  EXPECT_EQ(ASPILayerName, "wnaspi32.dll");
  // "./wnaspi32.dll" or the bare name: the system's search resolves either
  // to the program's folder.
  EXPECT_TRUE(ASPILibPath.ends_with("wnaspi32.dll")) << ASPILibPath;
  ASSERT_NE(GetASPI32SupportInfo, nullptr);
  const uint32_t info = GetASPI32SupportInfo();
  EXPECT_EQ((info >> 8) & 0xFF, 1u) << "SS_COMP";
  EXPECT_EQ(info & 0xFF, 1u) << "one host adapter";

  // A drive answers on adapter 0, target 0.
  TSRB_GDEVBlock dev{};
  dev.SRB_Cmd = 1;  // get device type
  SendASPI32Command(&dev);
  EXPECT_EQ(dev.SRB_Status, 1);
  EXPECT_EQ(dev.SRB_DeviceType, 5) << "CD-ROM device";
  // The recorder answered: its disc is the one the environment named.
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "disc.img"));

  EXPECT_TRUE(_DeInitializeASPI());
  _putenv_s("ORLIX_VRECORDER", "");
}

TEST(WindowsPassThrough, ATableWithoutDrivesIsEmptyAndReportsNoAdapters) {
  for (int i = 2; i <= 25; ++i)
    if (IsCdDrive(i)) GTEST_SKIP() << "this machine shows a CD/DVD drive at " << char('A' + i) << ":";
  if (SPTIAvailable) SPTIDeInit();
  EXPECT_EQ(SPTIInit(), 0);
  EXPECT_TRUE(SPTIAvailable);
  EXPECT_EQ(ScsiDrives.adapter_count, 1);
  for (int i = 2; i <= 25; ++i) {
    EXPECT_EQ(ScsiDrives.drive[i].used, 0) << char('A' + i);
    EXPECT_EQ(ScsiDrives.drive[i].target, kNotACdDrive) << char('A' + i);
    EXPECT_EQ(ScsiDrives.drive[i].handle, kNoDriveHandle) << char('A' + i);
  }
  EXPECT_EQ(SPTIInit(), 0) << "a second build leaves the table";
  EXPECT_TRUE(SPTIDeInit());
  EXPECT_EQ(__GetASPI32SupportInfo(), 0xE800u);
  EXPECT_FALSE(SPTIDeInit());
}

TEST(WindowsPassThrough, DevicePathsAndRefusedRequests) {
  EXPECT_EQ(DriveDevicePath(4), "\\\\.\\E:");
  EXPECT_EQ(DriveDevicePath(26), "");
  EXPECT_FALSE(IsCdDrive(-1));
  EXPECT_EQ(OpenDrive(26), kNoDriveHandle);
  TPassThroughRequest request;
  request.cdb_length = 6;
  EXPECT_FALSE(SendPassThrough(kNoDriveHandle, request));
  TScsiAddress address;
  EXPECT_FALSE(GetScsiAddress(kNoDriveHandle, address));
}

}  // namespace
}  // namespace orlix::windows_test
