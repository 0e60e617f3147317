#include <gtest/gtest.h>

#include <functional>

#include "device/device_state.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

using D = TSCSIDevice;

uint8_t data[65536];
uint32_t a, b;

// Flags, CDB length, transfer length, time limit, the CDB (hex; the rest of
// the 16 bytes zero).
const struct {
  uint8_t flags, cdb_length;
  uint32_t transfer, timeout;
  const char* cdb;
  std::function<bool(D&)> call;
} kBuilders[] = {
    {0x40, 6, 0, 30000, "00", [](D& d) { return d.TestUnitReady(30000); }},
    {0x40, 6, 0, 10000, "01", [](D& d) { return d.Rewind() == 1; }},
    {0x48, 6, 40, 10000, "03 00 00 00 28", [](D& d) { return d.RequestSense(data, 40); }},
    {0x50, 6, 12, 10000, "04 11", [](D& d) { return d.FormatUnit(0x11, data, 12); }},
    {0x48, 6, 128, 10000, "12 00 00 00 80", [](D& d) { return d.Inquiry(); }},
    {0x40, 6, 0, 20000, "1B 00 00 00 03", [](D& d) { return d.LoadMedium(false); }},
    {0x40, 6, 0, 10000, "1E", [](D& d) { return d.LockMedium(true); }},
    {0x48, 10, 0xF8, 10000, "23 00 00 00 00 00 00 00 F8", [](D& d) { return d.GetFormatCapacity(a, b); }},
    {0x48, 10, 8, 10000, "25", [](D& d) { return d.ReadCapacity(a, b); }},
    {0x48, 10, 65536, 10000, "28 00 12 34 56 78 00 00 20",
     [](D& d) { return d.Read10(0x12345678, 32, data, 65536); }},
    {0x50, 10, 65536, 120000, "2A 00 FF FF FF 6A 00 00 20",  // in the lead-in
     [](D& d) { return d.Write10(static_cast<uint32_t>(-150), 32, data, 65536, 0x50); }},
    {0x40, 10, 0, 1800000, "35 02", [](D& d) { return d.FlushCache(1800000, true); }},
    {0x48, 10, 26, 10000, "43 02 04 00 00 00 01 00 1A 40",
     [](D& d) { return d.ReadTOC(4, data, 26, 1, true, 0x40); }},
    {0x48, 10, 114, 30000, "46 02 00 2A 00 00 00 00 72",
     [](D& d) { return d.GetConfigData(2, 0x2A, data, 114); }},
    // Allocation lengths of 256 and more need both bytes of the field.
    {0x48, 10, 0x1F4, 30000, "46 01 00 00 00 00 00 01 F4",
     [](D& d) { return d.GetConfigData(1, 0, data, 0x1F4); }},
    {0x48, 10, 0x122, 10000, "51 00 00 00 00 00 00 01 22",
     [](D& d) { return d.ReadDiscInformationRaw(data, 0x122); }},
    {0x48, 10, 38, 60000, "52 01 00 00 00 FF 00 00 26", [](D& d) { return d.ReadTrackInformation(0xFF); }},
    {0x40, 12, 0, 10000, "53 00 00 00 00 12 34 56 78", [](D& d) { return d.ReserveTrack(0x12345678); }},
    {0x40, 10, 0, 150000, "54 01", [](D& d) { return d.SendOPC(); }},
    {0x50, 10, 60, 10000, "55 10 00 00 00 00 00 00 3C", [](D& d) { return d.ModeSelect10(data, 60); }},
    {0x50, 10, 0x13C, 10000, "55 10 00 00 00 00 00 01 3C", [](D& d) { return d.ModeSelect10(data, 0x13C); }},
    {0x48, 10, 255, 20000, "5A 00 AA 00 00 00 00 00 FF",
     [](D& d) { return d.ModeSense10(0x2A, data, 255, 255, true); }},
    {0x48, 10, 512, 20000, "5A 00 05 00 00 00 00 02 00",
     [](D& d) { return d.ModeSense10(5, data, 511, 512, false); }},
    {0x40, 10, 0, 180000, "5B 01 01 00 00 FF", [](D& d) { return d.CloseTrack(true, true, false); }},
    {0x40, 10, 0, 180000, "5B 00 05", [](D& d) { return d.CloseTrack(false, false, true); }},
    {0x40, 10, 0, 180000, "5B 01 02 03 04 05", [](D& d) { return d.CloseTrackDVD(true, 2, 3, 4, 5); }},
    {0x48, 10, 32, 10000, "5C 00 00 00 00 00 00 00 20", [](D& d) { return d.ReadBufferCapacity(a, b); }},
    {0x50, 10, 0x120, 30000, "5D 00 00 00 00 00 00 01 20", [](D& d) { return d.SendCueSheet(data, 0x120); }},
    {0x48, 12, 0x102, 10000, "AD 00 00 00 00 00 01 0F 01 02",
     [](D& d) { return d.ReadDVDStructure(1, 0x0F, data, 0x102); }},
    {0x50, 12, 28, 10000, "B6 00 00 00 00 00 00 00 00 00 1C", [](D& d) { return d.SetStreaming(data, 28); }},
    {0x40, 12, 0, 10000, "BB 00 FF FF FF FF", [](D& d) { return d.SetCDSpeed(0, 0); }},
    {0x48, 12, 4704, 10000, "BE 04 00 00 01 00 00 00 02 F8 01",
     [](D& d) { return d.ReadCD(0x100, 2, data, 4704, 0x04, 0xF8, 0x01); }},
    {0x50, 12, 22, 10000, "BF 00 00 00 00 00 00 0F 00 16",
     [](D& d) { return d.SendDVDStructure(0x0F, data, 22); }},
};

Bytes Hex(const char* hex) {
  Bytes v;
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
  }
  FakeLayer layer_;
  TSCSIDevice device_{nullptr};
};

TEST_F(Builders, CdbDirectionTransferAndTimeLimit) {
  for (const auto& c : kBuilders) {
    SCOPED_TRACE(c.cdb);
    layer_.Clear();
    EXPECT_TRUE(c.call(device_));
    ASSERT_EQ(layer_.Commands().size(), 1u);
    const TSRB_ExecSCSICmd r = layer_.Commands().back().srb;
    EXPECT_EQ(r.SRB_Flags, c.flags);  // every one asks for the completion event
    EXPECT_EQ(r.SRB_CDBLen, c.cdb_length);
    EXPECT_EQ(r.SRB_BufLen, c.transfer);
    EXPECT_EQ(Bytes(r.CDBByte, r.CDBByte + 16), Hex(c.cdb));
  }
  // A request that never finishes is a failure, after the time limit.
  SetSleepSpeedup(100000);
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { srb.SRB_Status = SS_PENDING; };
  for (const auto& c : kBuilders) {
    SCOPED_TRACE(c.cdb);
    if (Hex(c.cdb)[0] == 0x12) continue;  // the stand-in answers INQUIRY itself
    if (Hex(c.cdb)[0] == 0x01) continue;  // REWIND tells only that it was sent
    const uint64_t start = TickCount();
    EXPECT_FALSE(c.call(device_));
    EXPECT_GE(TickCount() - start, c.timeout);
  }
}

TEST_F(Builders, AnswersAndBuffers) {
  layer_.answer = [](TSRB_ExecSCSICmd& srb) {
    auto* p = static_cast<uint8_t*>(srb.SRB_BufPointer);
    for (uint32_t i = 0; i < srb.SRB_BufLen; ++i) p[i] = static_cast<uint8_t>(i);
    if (srb.CDBByte[0] == 0x5C) std::memset(p + 8, 0xFF, 4);  // free space unknown: taken as empty
  };
  uint32_t x = 0, y = 0;
  ASSERT_TRUE(device_.GetFormatCapacity(x, y));
  EXPECT_EQ(std::tuple(x, y), std::tuple(0x04050607u, 0x090A0Bu));  // 24-bit block length
  ASSERT_TRUE(device_.ReadBufferCapacity(x, y));
  EXPECT_EQ(std::tuple(device_.DeviceBufferSize(), device_.DeviceFreeBufferSize()),
            std::tuple(0x04050607u, 0x04050607u));

  // Mode sense clears ClearLength + 1 bytes of the caller's buffer and copies
  // exactly Length bytes; on failure only the clearing happens.
  uint8_t page[300];
  std::memset(page, 0x11, sizeof page);
  ASSERT_TRUE(device_.ModeSense10(0x2A, page, 255, 128, false));
  EXPECT_EQ(std::tuple(page[127], page[128], page[256]), std::tuple(127, 0, 0x11));
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, {5, 0x20, 0}); };
  EXPECT_FALSE(device_.ModeSense10(0x2A, page, 15, 128, false));
  EXPECT_EQ(std::tuple(page[15], page[16]), std::tuple(0, 16));

  // The emulation lets go of the drive while the medium is moved, not otherwise.
  std::vector<bool> close_fh;
  layer_.answer = [&](TSRB_ExecSCSICmd&) { close_fh.push_back(CloseFH); };
  device_.LoadMedium(false);
  device_.TestUnitReady(0);
  EXPECT_EQ(close_fh, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace orlix::test
