// Capabilities, speeds and the write parameters page on a scripted drive.
#include <gtest/gtest.h>

#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "tests/device/scripted_drive.h"

namespace orlix::test {
namespace {

// Page 2Ah: read abilities, write abilities, buffer flags, then the speeds.
std::vector<uint8_t> CapabilitiesPage(uint8_t read, uint8_t write, uint8_t flags, uint16_t max_read,
                                      uint16_t max_write, uint16_t cur_read = 0, uint16_t cur_write = 0) {
  std::vector<uint8_t> p(28, 0);
  p[0] = 0x2A;
  p[1] = 26;
  p[2] = read;
  p[3] = write;
  p[4] = flags;
  PutBE16(p.data() + 8, max_read);
  PutBE16(p.data() + 12, 2048);  // buffer size, KB
  PutBE16(p.data() + 14, cur_read);
  PutBE16(p.data() + 18, max_write);
  PutBE16(p.data() + 20, cur_write);
  return p;
}

// Page 05h as a drive reports it before anything is programmed: length 0x32
// and junk the page must overwrite. Some drives set the savable bit.
std::vector<uint8_t> WriteParametersPage(uint8_t code = 0x05) {
  std::vector<uint8_t> p(52, 0xEE);
  p[0] = code;
  p[1] = 0x32;
  return p;
}

class Capabilities : public ::testing::Test {
 protected:
  ScriptedDrive drive_;
};

TEST_F(Capabilities, AbilitiesComeFromDefaultsAndFeatures) {
  // Byte 3 bit 4 stands for both DVD-R and DVD-RW writing.
  drive_.default_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x3F, 0x17, 0x80, 0, 0), true);
  drive_.current_page[0x2A] =
      ScriptedDrive::ModeAnswer(CapabilitiesPage(0x3F, 0x17, 0x80, 7056, 0, 7056), true);
  drive_.feature[0x2A] = ScriptedDrive::ConfigAnswer(0x08, 0x2A, 1);
  drive_.feature[0x2F] = ScriptedDrive::ConfigAnswer(0x08, 0x2E, 1);  // answers another feature
  ScriptedDevice device(drive_);
  ASSERT_TRUE(device.GetDeviceCapabilities());
  const TDeviceCapabilities expected{
      dcReadCDR,    dcReadCDRW,     dcReadMethod2,   dcReadDVD,        dcReadDVDR,          dcReadDVDRW,
      dcReadDVDRAM, dcReadDVDPLUSR, dcReadDVDPLUSRW, dcWriteCDR,       dcWriteCDRW,         dcWriteTest,
      dcWriteDVDR,  dcWriteDVDRW,   dcWriteDVDPLUSR, dcWriteDVDPLUSRW, dcUnderrunProtection};
  EXPECT_EQ(device.Capabilities().Bits(), expected.Bits());
  // A maximum write speed of 0 in both reads is taken for 1x DVD.
  EXPECT_EQ(device.DeviceMaxWriteSpeed(), 1385);
  EXPECT_EQ(device.DeviceMaxReadSpeed(), 7056);
  EXPECT_EQ(device.CurrentWriteSpeed(), 1385);
  EXPECT_EQ(device.MaxReadSpeed(), 7056);

  // The default-values read asks for page 2Ah with the default bit.
  auto senses = drive_.Commands(0x5A);
  ASSERT_GE(senses.size(), 2u);
  EXPECT_EQ(senses[0].cdb[2], 0xAA);
  EXPECT_EQ(GetBE16(senses[0].cdb.data() + 7), 255);
  EXPECT_EQ(senses.back().cdb[2], 0x2A);
  EXPECT_EQ(GetBE16(senses.back().cdb.data() + 7), 128);
}

TEST_F(Capabilities, FeaturesWithoutWriteBitAndPagesWithoutBlockDescriptor) {
  drive_.default_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x01, 0x00, 0x00, 0, 0), false);
  drive_.current_page[0x2A] =
      ScriptedDrive::ModeAnswer(CapabilitiesPage(0x01, 0x00, 0x00, 8467, 5645, 8467, 2822), false);
  drive_.feature[0x2A] = ScriptedDrive::ConfigAnswer(0x08, 0x2A, 0);
  ScriptedDevice device(drive_);
  ASSERT_TRUE(device.GetDeviceCapabilities());
  EXPECT_EQ(device.Capabilities().Bits(),
            (TDeviceCapabilities{dcReadCDR, dcReadDVDPLUSR, dcReadDVDPLUSRW}.Bits()));
  EXPECT_EQ(device.DeviceMaxWriteSpeed(), 5645);
  // The page copy keeps the speeds in host order.
  uint16_t current_write;
  std::memcpy(&current_write, device.CapabilitiesPage() + 20, 2);
  EXPECT_EQ(current_write, 2822);
  EXPECT_EQ(device.CurrentReadSpeed(), 8467);
}

TEST_F(Capabilities, DriveWithoutPageReportsNothing) {
  ScriptedDevice device(drive_);
  EXPECT_FALSE(device.GetDeviceCapabilities());
  EXPECT_TRUE(device.Capabilities().Empty());
  EXPECT_EQ(device.DeviceMaxWriteSpeed(), 0);
  EXPECT_EQ(device.MaxWriteSpeed(), 0);
  EXPECT_EQ(device.CurrentReadSpeed(), 0);
}

TEST_F(Capabilities, VendorPageOrModelGivesUnderrunProtection) {
  drive_.default_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x03, 0x03, 0x00, 0, 0), true);
  drive_.current_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x03, 0x03, 0x00, 0, 0), true);
  ScriptedDevice device(drive_);
  device.GetDeviceCapabilities();
  EXPECT_FALSE(device.Capabilities().Contains(dcUnderrunProtection));
  EXPECT_FALSE(device.IsJustLinkCapable());
  drive_.current_page[0x30] = ScriptedDrive::ModeAnswer({0x30, 2, 0, 0}, false);
  EXPECT_TRUE(device.IsJustLinkCapable());
  device.GetDeviceCapabilities();
  EXPECT_TRUE(device.Capabilities().Contains(dcUnderrunProtection));
}

// ---- The write parameters page ----

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
  void SetUp() override {
    drive_.default_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x3F, 0x37, 0x80, 0, 0), true);
    drive_.current_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x3F, 0x37, 0x80, 0, 0), true);
    drive_.current_page[0x05] = ScriptedDrive::ModeAnswer(WriteParametersPage(0x85), false);
  }
  void TearDown() override { fwms = false; }
  ScriptedDrive drive_;
};

TEST_P(WriteParameters, PageBytes) {
  const PageCase& c = GetParam();
  ScriptedDevice device(drive_);
  device.SetFinalizeDisc(c.finalize);
  fwms = c.session_at_once;
  ASSERT_TRUE(device.SetWriteParams(c.test_write, c.underrun, false, c.medium));
  auto selects = drive_.Commands(0x55);
  ASSERT_EQ(selects.size(), 1u);
  const Command& s = selects[0];
  EXPECT_EQ(s.cdb[1], 0x10);  // page format
  EXPECT_EQ(s.cdb[8], 60);
  ASSERT_EQ(s.out.size(), 60u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.out[i], 0) << "header byte " << i;
  const uint8_t* P = s.out.data() + 8;
  EXPECT_EQ(P[0], 0x85);  // the page code as the drive gave it
  EXPECT_EQ(P[1], 0x32);
  EXPECT_EQ(P[2], c.p2);
  EXPECT_EQ(P[3], c.p3);
  EXPECT_EQ(P[4], c.p4);
  EXPECT_EQ(P[5], c.p5);
  EXPECT_EQ(P[6], c.p6);
  EXPECT_EQ(P[7], 0);
  EXPECT_EQ(P[8], 0);
  EXPECT_EQ(P[9], 0);
  EXPECT_EQ(GetBE32(P + 10), c.packet);
  EXPECT_EQ(GetBE16(P + 14), 150);
  EXPECT_EQ(P[16], 0xEE);  // the rest of the page as the drive gave it
  EXPECT_EQ(std::memcmp(device.WriteParamsPage(), P, 52), 0);
}

// The drive has test write and underrun protection; bits 6 (underrun) and 4
// (test) of byte 2 follow the options except on DVD-RW.
INSTANTIATE_TEST_SUITE_P(
    EveryMedium, WriteParameters,
    ::testing::Values(
        PageCase{"CdrTrackAtOnce", 2, false, false, false, false, 0x01, 0xC4, 0x08, 0, 0, 0},
        PageCase{"CdrFinalized", 2, false, false, false, true, 0x01, 0x04, 0x08, 0, 0, 0},
        PageCase{"CdrwTestUnderrun", 3, true, true, false, false, 0x51, 0x04, 0x08, 0, 0, 0},
        PageCase{"CdSessionAtOnce", 2, false, true, true, false, 0x42, 0xC4, 0x00, 0, 0, 0},
        PageCase{"UnknownMedium", 0, false, false, false, false, 0x01, 0xC4, 0x08, 0, 0, 0},
        PageCase{"DvdMinusR", 5, false, false, false, false, 0x20, 0xE5, 0x08, 0, 0x10, 16},
        PageCase{"DvdMinusRTestUnderrunSao", 5, true, true, true, true, 0x70, 0xE5, 0x00, 0, 0x10, 16},
        PageCase{"DvdMinusRw", 7, false, false, false, false, 0x60, 0xC5, 0x08, 0x10, 0, 0},
        PageCase{"DvdMinusRwTestWrite", 7, true, false, false, true, 0x60, 0xC5, 0x08, 0x10, 0, 0},
        PageCase{"DvdMinusRw8", 8, false, false, true, false, 0x60, 0xC5, 0x00, 0x10, 0, 0},
        PageCase{"DvdPlusRw", 9, false, false, false, false, 0x22, 0x04, 0x08, 0x10, 0, 0},
        PageCase{"DvdPlusRwUnderrun", 9, false, true, false, true, 0x62, 0x04, 0x08, 0x10, 0, 0},
        PageCase{"DvdPlusR", 10, false, false, false, false, 0x22, 0xC4, 0x08, 0, 0, 16},
        PageCase{"DvdPlusRTest", 10, true, false, false, false, 0x32, 0xC4, 0x08, 0, 0, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteParametersOptions, TestWriteNeedsTheDriveAbility) {
  ScriptedDrive drive;
  drive.default_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x03, 0x03, 0x00, 0, 0), true);
  drive.current_page[0x2A] = ScriptedDrive::ModeAnswer(CapabilitiesPage(0x03, 0x03, 0x00, 0, 0), true);
  drive.current_page[0x05] = ScriptedDrive::ModeAnswer(WriteParametersPage(), true);
  ScriptedDevice device(drive);
  ASSERT_TRUE(device.SetWriteParams(true, true, false, 2));
  const std::vector<uint8_t> list = drive.Commands(0x55).at(0).out;
  const uint8_t* P = list.data() + 8;
  EXPECT_EQ(P[2], 0x01);  // neither test write nor underrun protection
  EXPECT_EQ(P[3], 0x04);  // multisession cleared for a test write
}

TEST(WriteParametersOptions, DvdRamNeedsNothingAndFailuresAreReported) {
  ScriptedDrive drive;
  ScriptedDevice device(drive);
  EXPECT_TRUE(device.SetWriteParams(false, false, false, 6));
  EXPECT_TRUE(drive.Commands().empty());
  EXPECT_FALSE(device.SetWriteParams(false, false, false, 2));  // no page 05h
  EXPECT_TRUE(drive.Commands(0x55).empty());
  drive.current_page[0x05] = ScriptedDrive::ModeAnswer(WriteParametersPage(), true);
  drive.fail[0x55] = {0x05, 0x26, 0x00};
  EXPECT_FALSE(device.SetWriteParams(false, false, false, 2));
}

TEST(WriteMethods, ProbesEachWriteTypeAndKeepsTheAccepted) {
  ScriptedDrive drive;
  drive.current_page[0x05] = ScriptedDrive::ModeAnswer(WriteParametersPage(), true);
  // Refuses raw writing.
  drive.judge = [](const Command& c) -> std::optional<Sense> {
    if (c.op() == 0x55 && c.out.size() > 10 && (c.out[10] & 0x0F) == 3) return Sense{0x05, 0x26, 0x00};
    return std::nullopt;
  };
  ScriptedDevice device(drive);
  device.GetWriteMethods();
  EXPECT_EQ(device.WriteMethods(), (TWriteMethods{wmSAO, wmTAO}));
  auto selects = drive.Commands(0x55);
  ASSERT_EQ(selects.size(), 3u);
  const uint8_t dao[] = {0x03, 0x00, 0x01}, sao[] = {0x02, 0x00, 0x00}, tao[] = {0x01, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(selects[0].out.data() + 10, dao, 3), 0);
  EXPECT_EQ(std::memcmp(selects[1].out.data() + 10, sao, 3), 0);
  EXPECT_EQ(std::memcmp(selects[2].out.data() + 10, tao, 3), 0);
  EXPECT_EQ(GetBE16(selects[2].out.data() + 8 + 14), 150);
  // The page stays as the last probe left it.
  EXPECT_EQ(device.WriteParamsPage()[2], 0x01);

  // Selection probes the methods too.
  drive.judge = nullptr;
  device.SetDeviceID("0:0:0");
  EXPECT_EQ(device.WriteMethods(), (TWriteMethods{wmDAO, wmSAO, wmTAO}));
}

}  // namespace
}  // namespace orlix::test
