#include <gtest/gtest.h>

#include <cstring>

#include "tests/transport/fake_system.h"

namespace orlix::test {
namespace {

constexpr int kC = 2, kD = 3, kE = 4, kG = 6;

TSRB_ExecSCSICmd ExecRequest(uint8_t ha, uint8_t target, uint8_t lun, uint8_t op) {
  TSRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = ha;
  srb.SRB_Target = target;
  srb.SRB_Lun = lun;
  srb.SRB_CDBLen = 6;
  srb.SRB_SenseLen = 24;
  srb.CDBByte[0] = op;
  return srb;
}

TEST(DriveTable, ProbesOnlyCdDrivesAndKeepsTheirAddresses) {
  FakeSystem os;
  os.Add(kD, 1, 2, 0);
  os.Add(kE, 0, 0, 0).opens = false;
  os.Add(kG, 0, 1, 0).answers_inquiry = false;
  EXPECT_EQ(SPTIInit(), 1);
  EXPECT_TRUE(SPTIAvailable);
  EXPECT_EQ(ScsiDrives.drive[kC].target, kNotACdDrive);
  const TSPTIDrive& d = ScsiDrives.drive[kD];
  EXPECT_EQ(d.used, 1);
  EXPECT_EQ(d.adapter, 1);
  EXPECT_EQ(d.target, 2);
  EXPECT_EQ(d.drive_index, kD);
  EXPECT_EQ(d.handle, kNoDriveHandle);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.inquiry + 8), 28), "VENDOR  PRODUCT NAME    1.00");
  EXPECT_EQ(ScsiDrives.drive[kE].used, 0);
  EXPECT_EQ(ScsiDrives.drive[kG].used, 0);
  EXPECT_EQ(ScsiDrives.adapter_count, 2);
  EXPECT_EQ(os.opened, os.closed);  // the probe leaves nothing open

  // The probe is INQUIRY with 96 bytes of data in.
  const TPassThroughRequest& probe = os.sent.front();
  EXPECT_EQ(probe.cdb_length, 6);
  const uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
  EXPECT_EQ(std::memcmp(probe.cdb, cdb, 6), 0);
  EXPECT_EQ(probe.direction, kDataIn);
  EXPECT_EQ(probe.length, 96u);
  EXPECT_EQ(probe.timeout_seconds, 120u);

  // A second build changes nothing; after SPTIDeInit the table is rebuilt.
  os.drives.erase(kD);
  EXPECT_EQ(SPTIInit(), 0);
  EXPECT_EQ(ScsiDrives.drive[kD].used, 1);
  EXPECT_TRUE(SPTIDeInit());
  EXPECT_FALSE(SPTIDeInit());
  EXPECT_EQ(SPTIInit(), 0);
  EXPECT_EQ(ScsiDrives.drive[kD].used, 0);
}

TEST(DriveTable, DrivesWithoutAddressShareOneVirtualAdapter) {
  FakeSystem os;
  os.Add(kD, 0, 3);
  os.AddUnaddressed(kE);
  os.AddUnaddressed(kG);
  EXPECT_EQ(SPTIInit(), 3);
  EXPECT_EQ(ScsiDrives.drive[kE].adapter, 1);
  EXPECT_EQ(ScsiDrives.drive[kE].target, 0);
  EXPECT_EQ(ScsiDrives.drive[kE].lun, 0);
  EXPECT_EQ(ScsiDrives.drive[kG].adapter, 1);
  EXPECT_EQ(ScsiDrives.drive[kG].target, 1);
  EXPECT_EQ(ScsiDrives.adapter_count, 2);
  EXPECT_EQ(GetDriveLetterOXASPI(1, 1, 0), 'G');
  EXPECT_EQ(GetDriveLetterOXASPI(0, 3, 0), 'D');
  // Entries without a drive are zero-filled; they must not answer for 0:0:0.
  EXPECT_EQ(GetDriveLetterOXASPI(0, 0, 0), 0x7F);
}

TEST(DriveTable, NoDriveMeansNoAdapters) {
  FakeSystem os;
  EXPECT_EQ(SPTIInit(), 0);
  EXPECT_EQ(__GetASPI32SupportInfo(), 0x0100u | 1);  // the count is never below 1
  SPTIDeInit();
  EXPECT_EQ(__GetASPI32SupportInfo(), 0xE800u);
}

TEST(EmulatedRequests, HostAdapterInquiryAndDeviceType) {
  FakeSystem os;
  os.Add(kD, 0, 1);
  SPTIInit();
  TSRB_HAInquiry ha = {};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(__SendASPI32Command(&ha), SS_COMP);
  EXPECT_EQ(ha.HA_Count, 1);
  EXPECT_STREQ(ha.HA_Identifier, "SPTI 0");
  ha = {};
  ha.SRB_HaId = 1;
  EXPECT_EQ(__SendASPI32Command(&ha), SS_INVALID_HA);
  EXPECT_EQ(ha.HA_Count, 1);

  TSRB_GDEVBlock dev = {};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  dev.SRB_Target = 1;
  EXPECT_EQ(__SendASPI32Command(&dev), SS_COMP);
  EXPECT_EQ(dev.SRB_DeviceType, 5);
  dev.SRB_Target = 2;
  EXPECT_EQ(__SendASPI32Command(&dev), SS_NO_DEVICE);
  EXPECT_EQ(dev.SRB_DeviceType, 0x1F);

  EXPECT_EQ(__SendASPI32Command(nullptr), SS_ERR);
}

TEST(EmulatedRequests, InquiryIsAnsweredFromTheProbeWithinTheCallersBuffer) {
  FakeSystem os;
  os.Add(kD, 0, 0);
  SPTIInit();
  size_t probes = os.sent.size();
  uint8_t data[40];
  std::memset(data, 0xAA, sizeof data);
  auto srb = ExecRequest(0, 0, 0, 0x12);
  srb.SRB_BufPointer = data;
  srb.SRB_BufLen = 36;
  EXPECT_EQ(__SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(data[0], 5);
  EXPECT_EQ(data[36], 0xAA);
  EXPECT_EQ(os.sent.size(), probes);  // the drive is not asked

  // A small buffer gets no more than it holds (ASan would catch an overrun).
  std::vector<uint8_t> small(5, 0xAA);
  srb = ExecRequest(0, 0, 0, 0x12);
  srb.SRB_BufPointer = small.data();
  srb.SRB_BufLen = 5;
  EXPECT_EQ(__SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(small[0], 5);
  srb = ExecRequest(0, 0, 0, 0x12);
  EXPECT_EQ(__SendASPI32Command(&srb), SS_COMP);  // no buffer at all

  srb = ExecRequest(0, 1, 0, 0x12);
  EXPECT_EQ(__SendASPI32Command(&srb), SS_NO_DEVICE);
}

TEST(EmulatedRequests, CommandsReachTheDriveWithDirectionAndSense) {
  FakeSystem os;
  FakeDrive& drive = os.Add(kD, 0, 0);
  SPTIInit();
  uint8_t buffer[8] = {};
  auto srb = ExecRequest(0, 0, 0, 0x25);
  srb.SRB_CDBLen = 10;
  srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
  srb.SRB_BufPointer = buffer;
  srb.SRB_BufLen = sizeof buffer;
  EXPECT_EQ(__SendASPI32Command(&srb), SS_COMP);
  const TPassThroughRequest& read = os.sent.back();
  EXPECT_EQ(read.direction, kDataIn);
  EXPECT_EQ(read.cdb_length, 10);
  EXPECT_EQ(read.length, 8u);
  EXPECT_EQ(read.buffer, buffer);
  EXPECT_EQ(read.sense_length, 24);
  EXPECT_NE(ScsiDrives.drive[kD].handle, kNoDriveHandle);  // kept open

  srb = ExecRequest(0, 0, 0, 0x2A);
  srb.SRB_Flags = SRB_DIR_OUT;
  __SendASPI32Command(&srb);
  EXPECT_EQ(os.sent.back().direction, kDataOut);
  srb = ExecRequest(0, 0, 0, 0x00);
  __SendASPI32Command(&srb);
  EXPECT_EQ(os.sent.back().direction, kNoData);

  // Failure: status 4 with the target status and the sense delivered.
  drive.scsi_status = STATUS_CHKCOND;
  drive.sense = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00};
  srb = ExecRequest(0, 0, 0, 0x00);
  EXPECT_EQ(__SendASPI32Command(&srb), SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, STATUS_CHKCOND);
  EXPECT_EQ(srb.SRB_HaStat, 0);
  EXPECT_EQ(srb.SenseArea[2], 0x02);
  EXPECT_EQ(srb.SenseArea[12], 0x3A);

  // Sense never goes beyond what was asked for or beyond the sense area.
  drive.sense.assign(40, 0x71);
  srb = ExecRequest(0, 0, 0, 0x00);
  srb.SRB_SenseLen = 255;
  __SendASPI32Command(&srb);
  EXPECT_EQ(os.sent.back().sense_length, kPassThroughSenseLen);
  srb = ExecRequest(0, 0, 0, 0x00);
  srb.SRB_SenseLen = 4;
  __SendASPI32Command(&srb);
  EXPECT_EQ(srb.SenseArea[3], 0x71);
  EXPECT_EQ(srb.SenseArea[4], 0);

  // A CDB length the block cannot hold is refused, not sent.
  size_t before = os.sent.size();
  srb = ExecRequest(0, 0, 0, 0x00);
  srb.SRB_CDBLen = 17;
  EXPECT_EQ(__SendASPI32Command(&srb), SS_INVALID_SRB);
  EXPECT_EQ(os.sent.size(), before);
}

TEST(EmulatedRequests, CloseFHReleasesTheHandleAfterEachCommand) {
  FakeSystem os;
  os.Add(kD, 0, 0);
  SPTIInit();
  CloseFH = true;
  auto srb = ExecRequest(0, 0, 0, 0x00);
  __SendASPI32Command(&srb);
  CloseFH = false;
  EXPECT_EQ(ScsiDrives.drive[kD].handle, kNoDriveHandle);
  EXPECT_EQ(os.opened, os.closed);
  srb = ExecRequest(0, 0, 0, 0x00);
  __SendASPI32Command(&srb);
  EXPECT_EQ(os.opened, os.closed + 1);
  SPTIDeInit();
  EXPECT_EQ(os.opened, os.closed);
}

}  // namespace
}  // namespace orlix::test
