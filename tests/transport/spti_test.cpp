#include <gtest/gtest.h>

#include <cstring>

#include "tests/transport/fake_system.h"

namespace orlix::test {
namespace {

TSRB_ExecSCSICmd Exec(uint8_t target, uint8_t op, uint8_t flags = 0, void* buffer = nullptr,
                      uint32_t length = 0) {
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Target = target;
  srb.SRB_Flags = flags;
  srb.SRB_CDBLen = 6;
  srb.SRB_SenseLen = 24;
  srb.SRB_BufPointer = buffer;
  srb.SRB_BufLen = length;
  srb.CDBByte[0] = op;
  return srb;
}

TEST(DriveTable, ProbesCdDrivesAndGivesThoseWithoutAddressAVirtualAdapter) {
  FakeSystem os;
  os.Add(3, 1, 2);                          // D:
  os.Add(4, 0, 0).opens = false;            // E:
  os.Add(5, 0, 0, false);                   // F:
  os.Add(6, 0, 1).answers_inquiry = false;  // G:
  os.Add(7, 0, 0, false);                   // H:
  EXPECT_EQ(SPTIInit(), 3);
  EXPECT_EQ(os.opened, os.closed);  // the probe leaves nothing open
  const TSPTIDrive& d = ScsiDrives.drive[3];
  EXPECT_EQ(std::vector<int>({d.used, d.adapter, d.target,
                              ScsiDrives.drive[4].used + ScsiDrives.drive[6].used, ScsiDrives.adapter_count}),
            std::vector<int>({1, 1, 2, 0, 3}));
  EXPECT_EQ(GetDriveLetterOXASPI(2, 1, 0), 'H');  // the second drive on the virtual adapter 2
  EXPECT_EQ(GetDriveLetterOXASPI(1, 2, 0), 'D');
  // Unused entries are zero-filled; they must not answer for 0:0:0.
  EXPECT_EQ(GetDriveLetterOXASPI(0, 0, 0), 0x7F);

  // The table is built once until released.
  os.drives.clear();
  EXPECT_EQ(SPTIInit(), 0);
  EXPECT_EQ(ScsiDrives.drive[3].used, 1);
  EXPECT_TRUE(SPTIDeInit());
  EXPECT_FALSE(SPTIDeInit());
  EXPECT_EQ(SPTIInit(), 0);
  EXPECT_EQ(ScsiDrives.drive[3].used, 0);
  EXPECT_EQ(__GetASPI32SupportInfo(), 0x0100u | 1);  // never fewer than one adapter
}

TEST(EmulatedRequests, AnsweredByTheTable) {
  FakeSystem os;
  os.Add(3, 0, 1);
  SPTIInit();
  TSRB_GDEVBlock dev = {};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  dev.SRB_Target = 2;
  EXPECT_EQ(std::tuple(__SendASPI32Command(&dev), __SendASPI32Command(nullptr)),
            std::tuple(SS_NO_DEVICE, SS_ERR));

  // INQUIRY is answered from the probe without asking the drive, and within
  // the caller's buffer (ASan catches an overrun of the small one).
  const size_t probes = os.sent.size();
  uint8_t data[40];
  std::memset(data, 0xAA, sizeof data);
  auto srb = Exec(1, 0x12, SRB_DIR_IN, data, 36);
  EXPECT_EQ(__SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(std::tuple(data[0], data[36]), std::tuple(5, 0xAA));
  std::vector<uint8_t> small(5);
  srb = Exec(1, 0x12, SRB_DIR_IN, small.data(), 5);
  __SendASPI32Command(&srb);
  EXPECT_EQ(os.sent.size(), probes);
}

TEST(EmulatedRequests, CommandsReachTheDriveWithDirectionAndSense) {
  FakeSystem os;
  FakeDrive& drive = os.Add(3, 0, 0);
  SPTIInit();
  uint8_t buffer[8] = {};
  for (auto [flags, direction] : {std::pair{SRB_DIR_IN, kDataIn}, {SRB_DIR_OUT, kDataOut}, {0, kNoData}}) {
    auto srb = Exec(0, 0x28, flags | SRB_EVENT_NOTIFY, buffer, sizeof buffer);
    srb.SRB_CDBLen = 10;
    EXPECT_EQ(__SendASPI32Command(&srb), SS_COMP);
    EXPECT_EQ(std::tuple(os.sent.back().direction, os.sent.back().cdb_length, os.sent.back().length),
              std::tuple(direction, 10, 8u));
  }
  EXPECT_NE(ScsiDrives.drive[3].handle, kNoDriveHandle);  // kept open

  // Sense goes no further than asked for, nor beyond the sense area.
  drive.scsi_status = STATUS_CHKCOND;
  drive.sense.assign(40, 0x71);
  auto srb = Exec(0, 0x00);
  srb.SRB_SenseLen = 255;
  EXPECT_EQ(__SendASPI32Command(&srb), SS_ERR);
  EXPECT_EQ(std::tuple(srb.SRB_TargStat, os.sent.back().sense_length),
            std::tuple(STATUS_CHKCOND, kPassThroughSenseLen));
  srb = Exec(0, 0x00);
  srb.SRB_SenseLen = 4;
  __SendASPI32Command(&srb);
  EXPECT_EQ(std::tuple(srb.SenseArea[3], srb.SenseArea[4]), std::tuple(0x71, 0));

  // A CDB longer than the block holds is refused, not sent.
  const size_t before = os.sent.size();
  srb = Exec(0, 0x00);
  srb.SRB_CDBLen = 17;
  EXPECT_EQ(__SendASPI32Command(&srb), SS_INVALID_SRB);
  EXPECT_EQ(os.sent.size(), before);

  // CloseFH releases the handle after each command.
  CloseFH = true;
  srb = Exec(0, 0x00);
  __SendASPI32Command(&srb);
  CloseFH = false;
  EXPECT_EQ(std::tuple(ScsiDrives.drive[3].handle, os.opened), std::tuple(kNoDriveHandle, os.closed));
}

}  // namespace
}  // namespace orlix::test
