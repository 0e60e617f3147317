#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

using D = TSCSIDevice;

struct BuilderCase {
  const char* name;
  uint8_t flags, cdb_length;
  uint32_t transfer, timeout;
  const char* cdb;  // hex bytes; the rest of the 16 is zero
  std::function<bool(D&)> call;
};

uint8_t data[65536];
uint32_t a, b;

const BuilderCase kCases[] = {
    {"TEST UNIT READY", 0x40, 6, 0, 30000, "00", [](D& d) { return d.TestUnitReady(30000); }},
    {"REWIND", 0x40, 6, 0, 10000, "01", [](D& d) { return d.Rewind() == 1; }},
    {"REQUEST SENSE", 0x48, 6, 40, 10000, "03 00 00 00 28", [](D& d) { return d.RequestSense(data, 40); }},
    {"INQUIRY", 0x48, 6, 128, 10000, "12 00 00 00 80", [](D& d) { return d.Inquiry(); }},
    {"eject", 0x40, 6, 0, 20000, "1B 00 00 00 02", [](D& d) { return d.LoadMedium(true); }},
    {"load", 0x40, 6, 0, 20000, "1B 00 00 00 03", [](D& d) { return d.LoadMedium(false); }},
    {"prevent removal", 0x40, 6, 0, 10000, "1E 00 00 00 01", [](D& d) { return d.LockMedium(false); }},
    {"allow removal", 0x40, 6, 0, 10000, "1E", [](D& d) { return d.LockMedium(true); }},
    {"READ CAPACITY", 0x48, 10, 8, 10000, "25", [](D& d) { return d.ReadCapacity(a, b); }},
    {"READ (10)", 0x48, 10, 65536, 10000, "28 00 12 34 56 78 00 00 20",
     [](D& d) { return d.Read10(0x12345678, 0x20, data, 65536); }},
    {"WRITE (10) in the lead-in", 0x50, 10, 65536, 120000, "2A 00 FF FF FF 6A 00 00 20",
     [](D& d) { return d.Write10(static_cast<uint32_t>(-150), 32, data, 65536, 0x50); }},
    {"SYNCHRONIZE CACHE", 0x40, 10, 0, 1800000, "35 02", [](D& d) { return d.FlushCache(1800000, true); }},
    {"READ TOC ATIP", 0x48, 10, 26, 10000, "43 02 04 00 00 00 01 00 1A 40",
     [](D& d) { return d.ReadTOC(4, data, 26, 1, true, 0x40); }},
    {"GET CONFIGURATION", 0x48, 10, 114, 30000, "46 02 00 2A 00 00 00 00 72",
     [](D& d) { return d.GetConfigData(2, 0x2A, data, 114); }},
    {"READ DISC INFORMATION", 0x48, 10, 56, 10000, "51 00 00 00 00 00 00 00 38",
     [](D& d) { return d.ReadDiscInformationRaw(data, 56); }},
    {"READ TRACK INFORMATION", 0x48, 10, 38, 60000, "52 01 00 00 00 FF 00 00 26",
     [](D& d) { return d.ReadTrackInformation(0xFF); }},
    {"RESERVE TRACK", 0x40, 12, 0, 10000, "53 00 00 00 00 00 01 23 45",
     [](D& d) { return d.ReserveTrack(0x12345); }},
    {"SEND OPC", 0x40, 10, 0, 150000, "54 01", [](D& d) { return d.SendOPC(); }},
    {"MODE SELECT (10)", 0x50, 10, 60, 10000, "55 10 00 00 00 00 00 00 3C",
     [](D& d) { return d.ModeSelect10(data, 60); }},
    {"MODE SENSE (10) defaults", 0x48, 10, 255, 20000, "5A 00 AA 00 00 00 00 00 FF",
     [](D& d) { return d.ModeSense10(0x2A, data, 255, 255, true); }},
    {"MODE SENSE (10) current", 0x48, 10, 512, 20000, "5A 00 05 00 00 00 00 02 00",
     [](D& d) { return d.ModeSense10(0x05, data, 511, 512, false); }},
    {"close session", 0x40, 10, 0, 180000, "5B 00 02",
     [](D& d) { return d.CloseTrack(false, false, false); }},
    {"close track", 0x40, 10, 0, 180000, "5B 01 01 00 00 FF",
     [](D& d) { return d.CloseTrack(true, true, false); }},
    {"finalize", 0x40, 10, 0, 180000, "5B 00 05", [](D& d) { return d.CloseTrack(false, false, true); }},
    {"close DVD", 0x40, 10, 0, 180000, "5B 01 02 03 04 05",
     [](D& d) { return d.CloseTrackDVD(true, 2, 3, 4, 5); }},
    {"READ BUFFER CAPACITY", 0x48, 10, 32, 10000, "5C 00 00 00 00 00 00 00 20",
     [](D& d) { return d.ReadBufferCapacity(a, b); }},
    {"SEND CUE SHEET", 0x50, 10, 0x120, 30000, "5D 00 00 00 00 00 00 01 20",
     [](D& d) { return d.SendCueSheet(data, 0x120); }},
    {"READ DVD STRUCTURE", 0x48, 12, 0x102, 10000, "AD 00 00 00 00 00 01 0F 01 02",
     [](D& d) { return d.ReadDVDStructure(1, 0x0F, data, 0x102); }},
    {"SET STREAMING", 0x50, 12, 28, 10000, "B6 00 00 00 00 00 00 00 00 00 1C",
     [](D& d) { return d.SetStreaming(data, 28); }},
    {"SET CD SPEED maximum", 0x40, 12, 0, 10000, "BB 00 FF FF FF FF",
     [](D& d) { return d.SetCDSpeed(0, 0); }},
    {"SET CD SPEED", 0x40, 12, 0, 10000, "BB 00 05 69 0A D2", [](D& d) { return d.SetCDSpeed(1385, 2770); }},
    {"READ CD", 0x48, 12, 4704, 10000, "BE 04 00 00 01 00 00 00 02 F8 01",
     [](D& d) { return d.ReadCD(0x100, 2, data, 4704, 0x04, 0xF8, 0x01); }},
    {"SEND DVD STRUCTURE", 0x50, 12, 22, 10000, "BF 00 00 00 00 00 00 0F 00 16",
     [](D& d) { return d.SendDVDStructure(0x0F, data, 22); }},
    {"READ FORMAT CAPACITIES", 0x48, 10, 0xF8, 10000, "23 00 00 00 00 00 00 00 F8",
     [](D& d) { return d.GetFormatCapacity(a, b); }},
};

std::vector<uint8_t> Bytes(const char* hex) {
  std::vector<uint8_t> v;
  for (const char* p = hex; *p; p += p[2] ? 3 : 2)
    v.push_back(static_cast<uint8_t>(std::stoul(std::string(p, 2), nullptr, 16)));
  v.resize(16, 0);
  return v;
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
  for (const BuilderCase& c : kCases) {
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
    EXPECT_EQ(std::vector<uint8_t>(r.CDBByte, r.CDBByte + 16), Bytes(c.cdb));
  }
}

TEST_F(Builders, EachWaitsAtLeastItsTimeLimit) {
  SetSleepSpeedup(100000);
  layer_.answer = [](TSRB_ExecSCSICmd&) {};  // never finishes
  for (const BuilderCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const uint8_t op = Bytes(c.cdb)[0];
    if (op == 0x12) continue;  // the stand-in answers INQUIRY itself
    uint64_t start = TickCount();
    // REWIND reports that it was sent, not how it ended.
    EXPECT_EQ(c.call(device_), op == 0x01) << "a request that never finishes is a failure";
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
  uint8_t blank = 0;  // the free-buffer field of READ BUFFER CAPACITY
  layer_.answer = [&](TSRB_ExecSCSICmd& srb) {
    auto* p = static_cast<uint8_t*>(srb.SRB_BufPointer);
    for (uint32_t i = 0; i < srb.SRB_BufLen; ++i) p[i] = static_cast<uint8_t>(i);
    if (srb.CDBByte[0] == 0x5C && blank) std::memset(p + 8, blank, 4);
    srb.SRB_Status = SS_COMP;
  };
  uint32_t x = 0, y = 0;
  ASSERT_TRUE(device_.ReadCapacity(x, y));
  EXPECT_EQ(x, 0x00010203u);
  EXPECT_EQ(y, 0x04050607u);
  ASSERT_TRUE(device_.GetFormatCapacity(x, y));
  EXPECT_EQ(x, 0x04050607u);
  EXPECT_EQ(y, 0x090A0Bu);  // 24-bit block length
  ASSERT_TRUE(device_.ReadBufferCapacity(x, y));
  EXPECT_EQ(device_.DeviceBufferSize(), 0x04050607u);
  EXPECT_EQ(device_.DeviceFreeBufferSize(), 0x08090A0Bu);
  blank = 0xFF;  // "unknown" counts as an empty buffer
  ASSERT_TRUE(device_.ReadBufferCapacity(x, y));
  EXPECT_EQ(device_.DeviceFreeBufferSize(), 0x04050607u);

  ASSERT_TRUE(device_.ReadTrackInformation(1));
  EXPECT_EQ(device_.TrackInfoLength(), 0x0001);
  EXPECT_EQ(device_.TrackInfoStart(), 0x08090A0Bu);
  EXPECT_EQ(device_.TrackInfoNextWritable(), 0x0C0D0E0Fu);
  EXPECT_EQ(device_.TrackInfoFreeBlocks(), 0x10111213u);
  EXPECT_EQ(device_.TrackInfoSize(), 0x18191A1Bu);
  EXPECT_EQ(device_.TrackInfoLastRecorded(), 0x1C1D1E1Fu);
  EXPECT_EQ(device_.TrackInfo()[5], 5);  // track mode and the like stay as sent
  ASSERT_TRUE(device_.ReadDiscInformation());
  EXPECT_EQ(DiscInfo[0] | DiscInfo[1] << 8, 0x0001);  // data length in host order
  EXPECT_EQ(DiscInfo[2], 2);

  // Mode sense clears ClearLength + 1 bytes of the caller's buffer and copies
  // exactly Length bytes; on failure only the clearing happens.
  uint8_t page[300];
  std::memset(page, 0x11, sizeof page);
  ASSERT_TRUE(device_.ModeSense10(0x2A, page, 255, 128, false));
  EXPECT_EQ(page[127], 127);
  EXPECT_EQ(page[128], 0);
  EXPECT_EQ(page[256], 0x11);
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, 5, 0x20, 0); };
  EXPECT_FALSE(device_.ModeSense10(0x2A, page, 15, 128, false));
  EXPECT_EQ(page[15], 0);
  EXPECT_EQ(page[16], 16);
  x = y = 7;
  EXPECT_FALSE(device_.ReadBufferCapacity(x, y));
  EXPECT_EQ(x, 7u);
  EXPECT_EQ(device_.DeviceFreeBufferSize(), 0u);
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

}  // namespace
}  // namespace orlix::test
