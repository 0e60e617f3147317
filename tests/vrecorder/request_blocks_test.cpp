// The ASPI side: adapter inquiry, device types, the scan of 64 addresses,
// refused commands, sense copies and the caller's buffers.
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/event.h"
#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

using RequestBlocks = RecorderTest;

TEST_F(RequestBlocks, OneAdapterWithTheDriveAtItsAddress) {
  Load("profile=cd-r");
  TSRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(lib_.send(&ha), SS_COMP);
  EXPECT_EQ(ha.HA_Count, 1);
  EXPECT_EQ(std::string(ha.HA_ManagerId, 16), "ORLIX VRECORDER ");
  ha.SRB_HaId = 1;
  EXPECT_EQ(lib_.send(&ha), SS_INVALID_HA);
  TSRB_GDEVBlock dev{};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  EXPECT_EQ(lib_.send(&dev), SS_COMP);
  EXPECT_EQ(dev.SRB_DeviceType, 5);
  EXPECT_EQ(lib_.send(nullptr), SS_INVALID_SRB);

  // A scan of every target and LUN finds the drive once, where configured.
  Load("profile=dvd+rw,target=2", "plus");
  for (drive_.target = 0; drive_.target < 8; ++drive_.target)
    for (drive_.lun = 0; drive_.lun < 8; ++drive_.lun) {
      const bool here = drive_.target == 2 && drive_.lun == 0;
      Bytes inquiry;
      EXPECT_EQ(drive_.In(Cdb(0x12, 6).Set(4, 0x80), inquiry, 128).status, here ? SS_COMP : SS_NO_DEVICE);
      if (here) {
        EXPECT_EQ(std::string(inquiry.begin() + 8, inquiry.begin() + 36), "ORLIX   VIRTUAL RECORDER1.00");
      }
    }
}

TEST_F(RequestBlocks, UnknownOperationIsIllegalRequestWithSenseCutToTheAskedLength) {
  Load("profile=cd-r");
  const Cdb read12(0xA8, 12);  // not among the drive's commands
  Result r = drive_.Exec(read12, 0, nullptr, 0);
  EXPECT_EQ(r.status, SS_ERR);
  EXPECT_EQ(r.targ_stat, STATUS_CHKCOND);
  EXPECT_EQ(r.sense[0], 0x70);
  EXPECT_EQ(r.sense[7], 10);
  EXPECT_EQ(r.Text(), "05/20/00");
  r = drive_.Exec(read12, 0, nullptr, 0, 3);
  EXPECT_EQ(r.sense[2], 0x05);
  EXPECT_EQ(r.sense[7], 0) << "sense written past SRB_SenseLen";
  r = drive_.Exec(read12, 0, nullptr, 0, 255);  // more than the area holds: never past its end
  EXPECT_EQ(r.sense[12], 0x20);
}

TEST_F(RequestBlocks, AnswersStopAtTheCallersBuffer) {
  Load("profile=dvd-r");
  // Exactly sized heap buffers: a byte too many is an overflow for ASan.
  const std::pair<Cdb, uint32_t> cases[] = {
      {Cdb(0x12, 6).Set(4, 0x80), 5},      {Cdb(0x03, 6).Set(4, 0xFF), 7},
      {Cdb(0x46, 10).Put16(7, 0xFFFF), 9}, {Cdb(0x5A, 10).Set(2, 0x3F).Put16(7, 0xFFFF), 11},
      {Cdb(0x51, 10).Put16(7, 0xFFFF), 3}, {Cdb(0x52, 10).Set(1, 1).Put32(2, 1).Put16(7, 0xFFFF), 13},
      {Cdb(0x23, 10).Put16(7, 0xFFFF), 6}, {Cdb(0xAD, 12).Put16(8, 0xFFFF), 100},
      {Cdb(0x5C, 10).Put16(7, 0xFFFF), 1}, {Cdb(0x25, 10), 4},
  };
  for (const auto& [cdb, length] : cases) {
    auto buffer = std::make_unique<uint8_t[]>(length);
    Result r = drive_.Exec(cdb, SRB_DIR_IN, buffer.get(), length);
    EXPECT_TRUE(r.ok()) << "operation " << int{cdb.b[0]} << " " << r.Text();
  }

  // A READ or WRITE whose blocks do not fit the buffer moves no data.
  auto small = std::make_unique<uint8_t[]>(2048);
  std::memset(small.get(), 0x77, 2048);
  Result r = drive_.Exec(Cdb(0x2A, 10).Put32(2, 0).Put16(7, 2), SRB_DIR_OUT, small.get(), 2048);
  EXPECT_EQ(r.status, SS_ERR);
  EXPECT_EQ(r.ha_stat, HASTAT_DO_DU);
  EXPECT_EQ(drive_.NextWritableAddress(), 0u);
  r = drive_.Exec(Cdb(0x28, 10).Put32(2, 0).Put16(7, 2), SRB_DIR_IN, small.get(), 2048);
  EXPECT_EQ(r.ha_stat, HASTAT_DO_DU);
  EXPECT_EQ(small[0], 0x77);
  EXPECT_EQ(drive_.Exec(Cdb(0x12, 6).Set(4, 36), SRB_DIR_IN, nullptr, 36).status, SS_INVALID_SRB);
}

TEST_F(RequestBlocks, CompletionEventIsSignalledAndNothingElse) {
  Load("profile=cd-r");
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  srb.SRB_CDBLen = 6;
  TEventHandle event = CreateEventObject();
  ASSERT_NE(event, nullptr);
  srb.SRB_PostProc = event;
  EXPECT_EQ(lib_.send(&srb), SS_COMP);
  EXPECT_TRUE(WaitForEventObject(event, 0));
  CloseEventObject(event);

  // A handle that is no event (here a file the caller has open) is left alone.
  const std::string path = Path("not-an-event");
  std::FILE* file = std::fopen(path.c_str(), "w+");
  ASSERT_NE(file, nullptr);
  srb.SRB_PostProc = reinterpret_cast<void*>(static_cast<intptr_t>(fileno(file)));
  EXPECT_EQ(lib_.send(&srb), SS_COMP);
  std::fclose(file);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(RequestBlocks, EmptyDriveAndTray) {
  ASSERT_EQ(Configure(""), 0);
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/3A/01");
  EXPECT_EQ(drive_.CurrentProfile(), 0);
  Load("profile=cd-rw");
  EXPECT_TRUE(drive_.None(Cdb(0x1E, 6).Set(4, 1)).ok());  // prevent removal
  EXPECT_EQ(drive_.None(Cdb(0x1B, 6).Set(4, 2)).Text(), "05/53/02");
  EXPECT_TRUE(drive_.None(Cdb(0x1E, 6)).ok());
  EXPECT_TRUE(drive_.None(Cdb(0x1B, 6).Set(4, 2)).ok());  // eject
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/3A/02");
  EXPECT_TRUE(drive_.None(Cdb(0x1B, 6).Set(4, 3)).ok());  // load
  EXPECT_EQ(drive_.CurrentProfile(), 0x0A);
}

}  // namespace
}  // namespace orlix::vrec_test
