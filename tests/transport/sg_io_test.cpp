// Runs against the machine's own CD/DVD drives; skipped where there are none.
#include <gtest/gtest.h>

#include "transport/transport_state.h"

namespace orlix::test {
namespace {

TEST(SystemPassThrough, TheEmulationReachesARealDrive) {
  SPTIDeInit();
  if (SPTIInit() == 0) {
    SPTIDeInit();
    GTEST_SKIP() << "no CD/DVD drive on this machine that can be opened";
  }
  int entry = 2;
  while (entry < 26 && !ScsiDrives.drive[entry].used) ++entry;
  const TSPTIDrive& d = ScsiDrives.drive[entry];
  EXPECT_EQ(d.inquiry[0] & 0x1F, 5);  // the probe's INQUIRY went through
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = d.adapter;
  srb.SRB_Target = d.target;
  srb.SRB_Lun = d.lun;
  srb.SRB_CDBLen = 6;
  srb.SRB_SenseLen = 24;
  __SendASPI32Command(&srb);  // TEST UNIT READY
  if (srb.SRB_Status == SS_ERR)
    EXPECT_EQ(srb.SenseArea[0] & 0x7E, 0x70);  // no medium: the drive says so in sense data
  else
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
  SPTIDeInit();
}

}  // namespace
}  // namespace orlix::test
