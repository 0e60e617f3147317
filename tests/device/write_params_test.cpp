// Capabilities, speeds and the write parameters page on a scripted drive.
#include <gtest/gtest.h>

#include <cstring>

#include "device/device_state.h"
#include "tests/device/scripted_drive.h"

namespace orlix::test {
namespace {

// Page 2Ah: read and write abilities, buffer flags, maximum read speed,
// buffer size, maximum and current write speed.
Bytes CapabilitiesPage(uint8_t read, uint8_t write, uint8_t flags, uint16_t max_read, uint16_t max_write,
                       uint16_t current_write) {
  Bytes p = Answer(28, {{0, 0x2A}, {1, 26}, {2, read}, {3, write}, {4, flags}, {13, 8}});
  PutBE16(&p[8], max_read);
  PutBE16(&p[18], max_write);
  PutBE16(&p[20], current_write);
  return p;
}

// Page 05h as a drive reports it: length 0x32 and junk to be overwritten.
Bytes WriteParametersPage(uint8_t code) {
  Bytes p(52, 0xEE);
  p[0] = code;
  p[1] = 0x32;
  return p;
}

TEST(Capabilities, FromPageAndFeatures) {
  ScriptedDrive drive;
  // Byte 3 bit 4 stands for both DVD-R and DVD-RW writing; a maximum write
  // speed of 0 is taken for 1x DVD.
  drive.page[0x2A] = ModeAnswer(CapabilitiesPage(0x3F, 0x17, 0x80, 7056, 0, 0), true);
  drive.feature[0x2A] = ConfigAnswer(0x08, 0x2A, 1);
  drive.feature[0x2F] = ConfigAnswer(0x08, 0x2E, 1);  // answers with another feature
  ScriptedDevice device(drive);
  ASSERT_TRUE(device.GetDeviceCapabilities());
  const TDeviceCapabilities expected{
      dcReadCDR,    dcReadCDRW,     dcReadMethod2,   dcReadDVD,        dcReadDVDR,          dcReadDVDRW,
      dcReadDVDRAM, dcReadDVDPLUSR, dcReadDVDPLUSRW, dcWriteCDR,       dcWriteCDRW,         dcWriteTest,
      dcWriteDVDR,  dcWriteDVDRW,   dcWriteDVDPLUSR, dcWriteDVDPLUSRW, dcUnderrunProtection};
  EXPECT_EQ(device.Capabilities(), expected);
  EXPECT_EQ(device.DeviceMaxWriteSpeed(), 1385);
  EXPECT_EQ(device.CurrentWriteSpeed(), 1385);
  EXPECT_EQ(device.MaxReadSpeed(), 7056);

  // Without a block descriptor, without feature write bits.
  drive.page[0x2A] = ModeAnswer(CapabilitiesPage(0x01, 0x00, 0x00, 8467, 5645, 2822), false);
  drive.feature[0x2A] = ConfigAnswer(0x08, 0x2A, 0);
  ASSERT_TRUE(device.GetDeviceCapabilities());
  EXPECT_EQ(device.Capabilities(), (TDeviceCapabilities{dcReadCDR, dcReadDVDPLUSR, dcReadDVDPLUSRW}));
  EXPECT_EQ(device.DeviceMaxWriteSpeed(), 5645);
  EXPECT_EQ(device.CurrentWriteSpeed(), 2822);

  // The vendor page 30h counts as underrun protection.
  drive.page[0x30] = ModeAnswer({0x30, 2, 0, 0}, false);
  device.GetDeviceCapabilities();
  EXPECT_TRUE(device.Capabilities().Contains(dcUnderrunProtection));

  // No page at all: nothing, and no speeds.
  drive.page.clear();
  drive.feature.clear();
  EXPECT_FALSE(device.GetDeviceCapabilities());
  EXPECT_TRUE(device.Capabilities().Empty());
  EXPECT_EQ(device.DeviceMaxWriteSpeed(), 0);
  EXPECT_EQ(device.MaxWriteSpeed(), 0);
}

struct PageCase {
  const char* name;
  uint16_t medium;
  bool test_write, underrun, session_at_once, finalize;
  uint8_t p2, p3, p4, p5, p6;
  uint32_t packet;
};
void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

class WriteParameters : public ::testing::TestWithParam<PageCase> {
 protected:
  void TearDown() override { fwms = false; }
};

TEST_P(WriteParameters, PageBytes) {
  const PageCase& c = GetParam();
  ScriptedDrive drive;
  // The drive has test write and underrun protection; its page carries the
  // savable bit, which goes back as it came.
  drive.page[0x2A] = ModeAnswer(CapabilitiesPage(0x3F, 0x37, 0x80, 0, 0, 0), true);
  drive.page[0x05] = ModeAnswer(WriteParametersPage(0x85), false);
  ScriptedDevice device(drive);
  device.SetFinalizeDisc(c.finalize);
  fwms = c.session_at_once;
  ASSERT_TRUE(device.SetWriteParams(c.test_write, c.underrun, false, c.medium));
  const Command s = drive.Commands(0x55).at(0);
  EXPECT_EQ(s.cdb[1], 0x10);
  ASSERT_EQ(s.out.size(), 60u);
  EXPECT_EQ(Bytes(s.out.begin(), s.out.begin() + 8), Bytes(8, 0));  // mode parameter header
  const uint8_t* P = s.out.data() + 8;
  const uint8_t expected[16] = {
      0x85, 0x32, c.p2, c.p3, c.p4, c.p5, c.p6, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(c.packet), 0, 150};
  EXPECT_EQ(Bytes(P, P + 16), Bytes(expected, expected + 16));
  EXPECT_EQ(P[16], 0xEE);  // the rest of the page as the drive gave it
}

INSTANTIATE_TEST_SUITE_P(
    EveryMedium, WriteParameters,
    ::testing::Values(PageCase{"Cdr", 2, false, false, false, false, 0x01, 0xC4, 0x08, 0, 0, 0},
                      PageCase{"CdrFinalized", 2, false, false, false, true, 0x01, 0x04, 0x08, 0, 0, 0},
                      PageCase{"CdrwTestUnderrun", 3, true, true, false, false, 0x51, 0x04, 0x08, 0, 0, 0},
                      PageCase{"CdSessionAtOnce", 0, false, true, true, false, 0x42, 0xC4, 0x00, 0, 0, 0},
                      PageCase{"DvdMinusR", 5, false, false, false, false, 0x20, 0xE5, 0x08, 0, 0x10, 16},
                      PageCase{"DvdMinusRAll", 5, true, true, true, true, 0x70, 0xE5, 0x00, 0, 0x10, 16},
                      PageCase{"DvdMinusRw", 7, true, false, false, true, 0x60, 0xC5, 0x08, 0x10, 0, 0},
                      PageCase{"DvdMinusRw8", 8, false, false, true, false, 0x60, 0xC5, 0x00, 0x10, 0, 0},
                      PageCase{"DvdPlusRw", 9, false, false, false, false, 0x22, 0x04, 0x08, 0x10, 0, 0},
                      PageCase{"DvdPlusRwUnderrun", 9, false, true, false, true, 0x62, 0x04, 0x08, 0x10, 0,
                               0},
                      PageCase{"DvdPlusR", 10, false, false, false, false, 0x22, 0xC4, 0x08, 0, 0, 16},
                      PageCase{"DvdPlusRTest", 10, true, false, false, false, 0x32, 0xC4, 0x08, 0, 0, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteParametersOptions, DriveAbilitiesAndFailures) {
  ScriptedDrive drive;
  drive.page[0x2A] = ModeAnswer(CapabilitiesPage(0x03, 0x03, 0x00, 0, 0, 0), true);
  ScriptedDevice device(drive);
  EXPECT_TRUE(device.SetWriteParams(false, false, false, 6));  // DVD-RAM: nothing to send
  EXPECT_TRUE(drive.Commands().empty());
  EXPECT_FALSE(device.SetWriteParams(false, false, false, 2));  // no page 05h
  // Test write and underrun protection only where the drive has them.
  drive.page[0x05] = ModeAnswer(WriteParametersPage(0x05), true);
  ASSERT_TRUE(device.SetWriteParams(true, true, false, 2));
  const Bytes out = drive.Commands(0x55).at(0).out;
  EXPECT_EQ(out[10], 0x01);
  EXPECT_EQ(out[11], 0x04);  // no next session after a test write
  drive.fail[0x55] = {0x05, 0x26, 0x00};
  EXPECT_FALSE(device.SetWriteParams(false, false, false, 2));
}

TEST(WriteMethods, ProbesEachWriteTypeAndKeepsTheAccepted) {
  ScriptedDrive drive;
  drive.page[0x05] = ModeAnswer(WriteParametersPage(0x05), true);
  drive.judge = [](const Command& c) -> std::optional<Sense> {
    if (c.op() == 0x55 && c.out[10] == 3) return Sense{0x05, 0x26, 0x00};  // no raw writing
    return std::nullopt;
  };
  ScriptedDevice device(drive);
  EXPECT_EQ(device.WriteMethods(), (TWriteMethods{wmSAO, wmTAO}));  // probed on selection
  device.GetWriteMethods();
  const auto selects = drive.Commands(0x55);
  ASSERT_EQ(selects.size(), 3u);
  EXPECT_EQ(Bytes(&selects[0].out[10], &selects[0].out[13]), (Bytes{0x03, 0x00, 0x01}));
  EXPECT_EQ(Bytes(&selects[1].out[10], &selects[1].out[13]), (Bytes{0x02, 0x00, 0x00}));
  EXPECT_EQ(Bytes(&selects[2].out[10], &selects[2].out[13]), (Bytes{0x01, 0x00, 0x00}));
  EXPECT_EQ(device.WriteParamsPage()[2], 0x01);  // as the last probe left it
}

}  // namespace
}  // namespace orlix::test
