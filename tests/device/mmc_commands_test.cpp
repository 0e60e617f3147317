#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

struct BuilderCase {
  const char* name;
  std::function<bool(TSCSIDevice&)> call;
  uint8_t flags;
  uint8_t cdb_length;
  uint32_t transfer;
  std::vector<uint8_t> cdb;  // the rest is zero
  uint32_t timeout;
};

uint8_t data[65536];

std::vector<BuilderCase> Cases() {
  uint32_t a, b;
  return {
      {"TEST UNIT READY", [](auto& d) { return d.TestUnitReady(30000); }, 0x40, 6, 0, {0x00}, 30000},
      {"REWIND", [](auto& d) { return d.Rewind() == 1; }, 0x40, 6, 0, {0x01}, 10000},
      {"REQUEST SENSE",
       [](auto& d) { return d.RequestSense(data, 40); },
       0x48,
       6,
       40,
       {0x03, 0, 0, 0, 40},
       10000},
      {"INQUIRY", [](auto& d) { return d.Inquiry(); }, 0x48, 6, 128, {0x12, 0, 0, 0, 0x80}, 10000},
      {"eject", [](auto& d) { return d.LoadMedium(true); }, 0x40, 6, 0, {0x1B, 0, 0, 0, 2}, 20000},
      {"load", [](auto& d) { return d.LoadMedium(false); }, 0x40, 6, 0, {0x1B, 0, 0, 0, 3}, 20000},
      {"prevent removal", [](auto& d) { return d.LockMedium(false); }, 0x40, 6, 0, {0x1E, 0, 0, 0, 1}, 10000},
      {"allow removal", [](auto& d) { return d.LockMedium(true); }, 0x40, 6, 0, {0x1E}, 10000},
      {"READ CAPACITY", [=](auto& d) mutable { return d.ReadCapacity(a, b); }, 0x48, 10, 8, {0x25}, 10000},
      {"READ (10)",
       [](auto& d) { return d.Read10(0x12345678, 0x20, data, 65536); },
       0x48,
       10,
       65536,
       {0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0x20},
       10000},
      {"WRITE (10) before the start",
       [](auto& d) { return d.Write10(static_cast<uint32_t>(-150), 32, data, 65536, 0x50); },
       0x50,
       10,
       65536,
       {0x2A, 0, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0, 0x20},
       120000},
      {"SYNCHRONIZE CACHE",
       [](auto& d) { return d.FlushCache(1800000, true); },
       0x40,
       10,
       0,
       {0x35, 2},
       1800000},
      {"READ TOC ATIP",
       [](auto& d) { return d.ReadTOC(4, data, 26, 1, true, 0x40); },
       0x48,
       10,
       26,
       {0x43, 2, 4, 0, 0, 0, 1, 0, 26, 0x40},
       10000},
      {"GET CONFIGURATION",
       [](auto& d) { return d.GetConfigData(2, 0x2A, data, 114); },
       0x48,
       10,
       114,
       {0x46, 2, 0, 0x2A, 0, 0, 0, 0, 114},
       30000},
      {"READ DISC INFORMATION",
       [](auto& d) { return d.ReadDiscInformationRaw(data, 56); },
       0x48,
       10,
       56,
       {0x51, 0, 0, 0, 0, 0, 0, 0, 56},
       10000},
      {"READ TRACK INFORMATION",
       [](auto& d) { return d.ReadTrackInformation(0xFF); },
       0x48,
       10,
       38,
       {0x52, 1, 0, 0, 0, 0xFF, 0, 0, 0x26},
       60000},
      {"RESERVE TRACK",
       [](auto& d) { return d.ReserveTrack(0x00012345); },
       0x40,
       12,
       0,
       {0x53, 0, 0, 0, 0, 0x00, 0x01, 0x23, 0x45},
       10000},
      {"SEND OPC", [](auto& d) { return d.SendOPC(); }, 0x40, 10, 0, {0x54, 1}, 150000},
      {"MODE SELECT (10)",
       [](auto& d) { return d.ModeSelect10(data, 60); },
       0x50,
       10,
       60,
       {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60},
       10000},
      {"MODE SENSE (10) defaults",
       [](auto& d) { return d.ModeSense10(0x2A, data, 255, 255, true); },
       0x48,
       10,
       255,
       {0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 255},
       20000},
      {"MODE SENSE (10) current",
       [](auto& d) { return d.ModeSense10(0x05, data, 511, 512, false); },
       0x48,
       10,
       512,
       {0x5A, 0, 0x05, 0, 0, 0, 0, 2, 0},
       20000},
      {"close session",
       [](auto& d) { return d.CloseTrack(false, false, false); },
       0x40,
       10,
       0,
       {0x5B, 0, 2},
       180000},
      {"close track",
       [](auto& d) { return d.CloseTrack(true, true, false); },
       0x40,
       10,
       0,
       {0x5B, 1, 1, 0, 0, 0xFF},
       180000},
      {"finalize",
       [](auto& d) { return d.CloseTrack(false, false, true); },
       0x40,
       10,
       0,
       {0x5B, 0, 5},
       180000},
      {"close DVD",
       [](auto& d) { return d.CloseTrackDVD(true, 2, 3, 4, 5); },
       0x40,
       10,
       0,
       {0x5B, 1, 2, 3, 4, 5},
       180000},
      {"READ BUFFER CAPACITY",
       [=](auto& d) mutable { return d.ReadBufferCapacity(a, b); },
       0x48,
       10,
       32,
       {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20},
       10000},
      {"SEND CUE SHEET",
       [](auto& d) { return d.SendCueSheet(data, 0x0120); },
       0x50,
       10,
       0x120,
       {0x5D, 0, 0, 0, 0, 0, 0, 0x01, 0x20},
       30000},
      {"READ DVD STRUCTURE",
       [](auto& d) { return d.ReadDVDStructure(1, 0x0F, data, 0x0102); },
       0x48,
       12,
       0x102,
       {0xAD, 0, 0, 0, 0, 0, 1, 0x0F, 0x01, 0x02},
       10000},
      {"SET STREAMING",
       [](auto& d) { return d.SetStreaming(data, 28); },
       0x50,
       12,
       28,
       {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28},
       10000},
      {"SET CD SPEED maximum",
       [](auto& d) { return d.SetCDSpeed(0, 0); },
       0x40,
       12,
       0,
       {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF},
       10000},
      {"SET CD SPEED",
       [](auto& d) { return d.SetCDSpeed(1385, 2770); },
       0x40,
       12,
       0,
       {0xBB, 0, 0x05, 0x69, 0x0A, 0xD2},
       10000},
      {"READ CD",
       [](auto& d) { return d.ReadCD(0x100, 2, data, 4704, 0x04, 0xF8, 0x01); },
       0x48,
       12,
       4704,
       {0xBE, 0x04, 0, 0, 0x01, 0, 0, 0, 2, 0xF8, 0x01},
       10000},
      {"SEND DVD STRUCTURE",
       [](auto& d) { return d.SendDVDStructure(0x0F, data, 22); },
       0x50,
       12,
       22,
       {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22},
       10000},
      {"READ FORMAT CAPACITIES",
       [=](auto& d) mutable { return d.GetFormatCapacity(a, b); },
       0x48,
       10,
       0xF8,
       {0x23, 0, 0, 0, 0, 0, 0, 0, 0xF8},
       10000},
  };
}

class Builders : public ::testing::Test {
 protected:
  void SetUp() override {
    layer_.Add(0, 0, 0);
    device_.SetDeviceID("0:0:0");
    ASSERT_EQ(device_.HaId(), 0);
  }
  FakeLayer layer_;
  TSCSIDevice device_{nullptr};
};

TEST_F(Builders, EachSendsItsCdbDirectionAndTransfer) {
  for (const BuilderCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    layer_.executed.clear();
    EXPECT_TRUE(c.call(device_));
    ASSERT_EQ(layer_.executed.size(), 1u);
    const TSRB_ExecSCSICmd& r = layer_.Last();
    EXPECT_EQ(r.SRB_Flags, c.flags);
    EXPECT_EQ(r.SRB_CDBLen, c.cdb_length);
    EXPECT_EQ(uint32_t{r.SRB_BufLen}, c.transfer);
    EXPECT_EQ(r.SRB_SenseLen, 24);
    void* event = r.SRB_PostProc;
    EXPECT_NE(event, nullptr);  // every builder asks for the completion event
    std::vector<uint8_t> expected = c.cdb;
    expected.resize(16, 0);
    EXPECT_EQ(std::vector<uint8_t>(r.CDBByte, r.CDBByte + 16), expected);
  }
}

TEST_F(Builders, EachWaitsAtLeastItsTimeLimit) {
  SetSleepSpeedup(100000);
  layer_.answer = [](TSRB_ExecSCSICmd&) {};  // never finishes
  for (const BuilderCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    if (c.cdb[0] == 0x12) continue;  // the stand-in answers INQUIRY itself
    uint64_t start = TickCount();
    // REWIND reports that it was sent, not how it ended.
    EXPECT_EQ(c.call(device_), c.cdb[0] == 0x01) << "a request that never finishes is a failure";
    EXPECT_GE(TickCount() - start, c.timeout);
  }
}

TEST_F(Builders, LunGoesIntoTheTopBitsOfByteOne) {
  layer_.Add(0, 0, 1);
  device_.SetDeviceID("0:0:1");
  device_.ReadCD(0, 1, data, 2352, 0x04, 0x10, 0);
  EXPECT_EQ(layer_.Last().CDBByte[1], 0x24);
  EXPECT_EQ(layer_.Last().SRB_Lun, 1);
}

TEST_F(Builders, AnswersAreDecodedFromBigEndian) {
  layer_.answer = [](TSRB_ExecSCSICmd& srb) {
    auto* p = static_cast<uint8_t*>(srb.SRB_BufPointer);
    switch (srb.CDBByte[0]) {
      case 0x25: {
        const uint8_t capacity[8] = {0x00, 0x04, 0x5F, 0xFF, 0x00, 0x00, 0x08, 0x00};
        std::memcpy(p, capacity, 8);
        break;
      }
      case 0x5C: {
        const uint8_t answer[12] = {0, 0x0A, 0, 0, 0x00, 0x20, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
        std::memcpy(p, answer, 12);
        break;
      }
      case 0x23: {
        const uint8_t answer[12] = {0, 0, 0, 8, 0x00, 0x23, 0x05, 0x40, 0x02, 0x00, 0x08, 0x00};
        std::memcpy(p, answer, 12);
        break;
      }
      case 0x52: {
        for (int i = 0; i < 38; ++i) p[i] = static_cast<uint8_t>(i);
        break;
      }
      case 0x51:
        p[0] = 0x00;
        p[1] = 0x20;
        p[2] = 0x0E;
        break;
      case 0x5A:
        for (uint32_t i = 0; i < srb.SRB_BufLen; ++i) p[i] = 0x5A;
        break;
    }
    srb.SRB_Status = SS_COMP;
  };
  uint32_t last_lba = 0, block_length = 0;
  ASSERT_TRUE(device_.ReadCapacity(last_lba, block_length));
  EXPECT_EQ(last_lba, 0x00045FFFu);
  EXPECT_EQ(block_length, 2048u);

  uint32_t total = 0, free = 0;
  ASSERT_TRUE(device_.ReadBufferCapacity(total, free));
  EXPECT_EQ(total, 0x00200000u);
  EXPECT_EQ(free, 0xFFFFFFFFu);
  EXPECT_EQ(device_.DeviceBufferSize(), 0x00200000u);
  EXPECT_EQ(device_.DeviceFreeBufferSize(), 0x00200000u);  // "unknown" reads as an empty buffer

  uint32_t blocks = 0, length = 0;
  ASSERT_TRUE(device_.GetFormatCapacity(blocks, length));
  EXPECT_EQ(blocks, 0x00230540u);
  EXPECT_EQ(length, 2048u);

  ASSERT_TRUE(device_.ReadTrackInformation(1));
  EXPECT_EQ(device_.TrackInfoLength(), 0x0001);
  EXPECT_EQ(device_.TrackInfoStart(), 0x08090A0Bu);
  EXPECT_EQ(device_.TrackInfoNextWritable(), 0x0C0D0E0Fu);
  EXPECT_EQ(device_.TrackInfoFreeBlocks(), 0x10111213u);
  EXPECT_EQ(device_.TrackInfoPacketSize(), 0x14151617u);
  EXPECT_EQ(device_.TrackInfoSize(), 0x18191A1Bu);
  EXPECT_EQ(device_.TrackInfoLastRecorded(), 0x1C1D1E1Fu);
  EXPECT_EQ(device_.TrackInfo()[5], 5);  // track mode and the like stay as sent

  ASSERT_TRUE(device_.ReadDiscInformation());
  uint16_t disc_length;
  std::memcpy(&disc_length, DiscInfo, 2);
  EXPECT_EQ(disc_length, 0x20);
  EXPECT_EQ(DiscInfo[2], 0x0E);

  // Mode sense clears the caller's buffer, then copies exactly Length bytes.
  uint8_t page[300];
  std::memset(page, 0x11, sizeof page);
  ASSERT_TRUE(device_.ModeSense10(0x2A, page, 255, 128, false));
  EXPECT_EQ(page[127], 0x5A);
  EXPECT_EQ(page[128], 0);
  EXPECT_EQ(page[256], 0x11);
}

TEST_F(Builders, FailuresLeaveTheCallersValuesAlone) {
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, 5, 0x20, 0); };
  uint32_t total = 7, free = 7;
  device_.SetDeviceFreeBufferSize(99);
  EXPECT_FALSE(device_.ReadBufferCapacity(total, free));
  EXPECT_EQ(total, 7u);
  EXPECT_EQ(device_.DeviceFreeBufferSize(), 0u);
  uint32_t blocks = 7, length = 7;
  EXPECT_FALSE(device_.GetFormatCapacity(blocks, length));
  EXPECT_EQ(blocks, 7u);
  uint8_t page[256];
  std::memset(page, 0x11, sizeof page);
  EXPECT_FALSE(device_.ModeSense10(0x2A, page, 15, 128, false));
  EXPECT_EQ(page[15], 0);
  EXPECT_EQ(page[16], 0x11);
}

TEST_F(Builders, WriteCountsOnlyRequestsThatReachedADrive) {
  EXPECT_TRUE(device_.Write10(0, 32, data, 65536, 0x50));
  device_.SetDeviceID("");  // nothing selected: nothing was written
  EXPECT_FALSE(device_.Write10(0, 32, data, 65536, 0x50));
}

TEST_F(Builders, TimeStampAndHandleRelease) {
  ASSERT_TRUE(device_.SendDVDStructureTimeStamp(EncodeDateTime(2024, 3, 9, 7, 5, 2)));
  const TSRB_ExecSCSICmd& r = layer_.Last();
  const auto* list = static_cast<const uint8_t*>(r.SRB_BufPointer);
  EXPECT_EQ(list[0], 0x00);
  EXPECT_EQ(list[1], 0x14);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(list + 8), 14), "20240309070502");

  // The emulation lets go of the drive during these, and only during these.
  std::vector<bool> close_fh;
  layer_.answer = [&](TSRB_ExecSCSICmd& srb) {
    close_fh.push_back(CloseFH);
    srb.SRB_Status = SS_COMP;
  };
  device_.UnlockDrive();
  device_.LockMedium(true);
  device_.LoadMedium(false);
  device_.TestUnitReady(0);
  EXPECT_EQ(close_fh, (std::vector<bool>{true, true, true, false}));
  EXPECT_FALSE(CloseFH);
  EXPECT_EQ(layer_.Last().CDBByte[0], 0x00);
}

TEST_F(Builders, ResetGoesStraightToTheLayer) {
  EXPECT_EQ(device_.ScsiReset(), SS_ERR);
  EXPECT_EQ(layer_.other_codes.back(), SC_RESET_DEV);
}

}  // namespace
}  // namespace orlix::test
