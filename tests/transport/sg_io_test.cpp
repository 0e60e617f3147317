// Runs against the machine's own CD/DVD drives; skipped where there are none.
#include <gtest/gtest.h>

#include <cstring>

#include "transport/transport_state.h"

namespace orlix::test {
namespace {

int FirstSystemDrive() {
  for (int i = 2; i <= 25; ++i)
    if (IsCdDrive(i)) return i;
  return 0;
}

TEST(SystemPassThrough, InquiryAndTestUnitReadyReachARealDrive) {
  const int index = FirstSystemDrive();
  if (index == 0) GTEST_SKIP() << "no CD/DVD drive on this machine";
  TDriveHandle handle = OpenDrive(index);
  if (handle == kNoDriveHandle) GTEST_SKIP() << DriveDevicePath(index) << " cannot be opened";

  uint8_t data[96] = {};
  TPassThroughRequest inquiry;
  inquiry.cdb[0] = 0x12;
  inquiry.cdb[4] = sizeof data;
  inquiry.cdb_length = 6;
  inquiry.direction = kDataIn;
  inquiry.buffer = data;
  inquiry.length = sizeof data;
  inquiry.sense_length = 24;
  ASSERT_TRUE(SendPassThrough(handle, inquiry));
  EXPECT_EQ(inquiry.scsi_status, 0);
  EXPECT_EQ(data[0] & 0x1F, 5);
  CloseDrive(handle);

  // Through the emulation, as the layer would send it.
  SPTIDeInit();
  ASSERT_GT(SPTIInit(), 0);
  int entry = 0;
  for (int i = 2; i <= 26 && !entry; ++i)
    if (ScsiDrives.drive[i].used) entry = i;
  ASSERT_NE(entry, 0);
  const TSPTIDrive& d = ScsiDrives.drive[entry];
  TSRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = d.adapter;
  srb.SRB_Target = d.target;
  srb.SRB_Lun = d.lun;
  srb.SRB_CDBLen = 6;
  srb.SRB_SenseLen = 24;
  __SendASPI32Command(&srb);  // TEST UNIT READY
  if (srb.SRB_Status == SS_ERR) {
    // No medium or a fresh one: the drive explains itself with sense data.
    EXPECT_EQ(srb.SenseArea[0] & 0x7E, 0x70);
  } else {
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
  }
  SPTIDeInit();
}

}  // namespace
}  // namespace orlix::test
