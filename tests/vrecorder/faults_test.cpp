// Injected faults: a busy or not-ready drive, a bad block, a block stored
// altered, a failing command, a drive that disappears.
#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

using Faults = RecorderTest;

TEST_F(Faults, BusyNotReadyAndFailingCommandsLastTheirCount) {
  Load("profile=cd-rw,fault=busy:2,fault=notready:1,fault=fail:A1:05/30/00,fault=fail:2a");
  for (int i = 0; i < 2; ++i) EXPECT_EQ(drive_.TestUnitReady().targ_stat, STATUS_BUSY);
  Bytes inquiry;
  EXPECT_TRUE(drive_.In(Cdb(0x12, 6).Set(4, 36), inquiry, 36).ok()) << "INQUIRY is never not ready";
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/04/01");
  EXPECT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_EQ(drive_.Blank(1, true).Text(), "05/30/00");
  EXPECT_EQ(drive_.Write(0, 1).Text(), "04/44/00");
}

TEST_F(Faults, MediumErrorAtOneBlock) {
  Load("profile=dvd+rw,blocks=10000");
  ASSERT_EQ(lib_.set_faults("medium:70"), 0);
  ASSERT_TRUE(drive_.Write(0, 64).ok());
  EXPECT_EQ(drive_.Write(64, 32).Text(), "03/0C/00");
  Bytes data;
  EXPECT_TRUE(drive_.Read(0, 64, data).ok());
  EXPECT_EQ(drive_.Read(69, 2, data).Text(), "03/11/00");
  ASSERT_EQ(lib_.set_faults(""), 0);
  EXPECT_TRUE(drive_.Read(69, 2, data).ok());
}

TEST_F(Faults, CorruptBlockIsStoredAlteredWithoutAnError) {
  Load("profile=dvd+rw,blocks=10000,fault=corrupt:40");
  ASSERT_TRUE(drive_.WriteStamped(32, 32, 0x5A).ok());
  Bytes data;
  ASSERT_TRUE(drive_.Read(40, 2, data).ok());
  EXPECT_EQ(Get32(&data[0]), ~40u) << "its first bytes inverted";
  EXPECT_EQ(data[16], 0x5A) << "the rest as sent";
  EXPECT_TRUE(drive_.ReadsBackStamped(41, 23)) << "its neighbours untouched";
}

TEST_F(Faults, DriveDisappearsAfterSomeCommands) {
  Load("profile=cd-r,fault=gone:2");
  EXPECT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_EQ(drive_.TestUnitReady().status, SS_NO_DEVICE);
  TSRB_GDEVBlock dev{};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  EXPECT_EQ(lib_.send(&dev), SS_NO_DEVICE);
  TSRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(lib_.send(&ha), SS_COMP) << "the adapter stays";
  ASSERT_EQ(lib_.set_faults(""), 0);
  EXPECT_TRUE(drive_.TestUnitReady().ok());
}

TEST_F(Faults, BadFaultTextIsRefusedAndChangesNothing) {
  Load("profile=cd-r");
  ASSERT_EQ(lib_.set_faults("busy:3"), 0);
  EXPECT_EQ(lib_.set_faults("busy:3;slow:2"), -1);
  EXPECT_NE(std::string(lib_.last_error()).find("slow:2"), std::string::npos);
  EXPECT_EQ(lib_.set_faults("fail:zz"), -1);
  EXPECT_EQ(drive_.TestUnitReady().targ_stat, STATUS_BUSY) << "the earlier faults stand";
  EXPECT_EQ(Configure(Path("disc") + ",fault=medium:-1"), -1);
}

}  // namespace
}  // namespace orlix::vrec_test
