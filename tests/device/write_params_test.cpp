// Capabilities, speeds and the write parameters page on a scripted drive.
#include <gtest/gtest.h>

#include "device/device_state.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

// Page 2Ah in a MODE SENSE answer: read and write abilities, buffer flags,
// maximum read speed, maximum and current write speed.
Bytes CapabilitiesPage(uint8_t read, uint8_t write, uint8_t flags, uint16_t max_read = 0,
                       uint16_t max_write = 0, uint16_t current_write = 0, bool block_descriptor = true) {
  Bytes p = Answer(28, {{0, 0x2A}, {1, 26}, {2, read}, {3, write}, {4, flags}, {13, 8}});
  PutBE16(&p[8], max_read);
  PutBE16(&p[18], max_write);
  PutBE16(&p[20], current_write);
  return ModeAnswer(p, block_descriptor);
}

// Page 05h as a drive reports it, with junk to be overwritten.
Bytes WriteParametersPage(uint8_t code = 0x05, bool block_descriptor = true) {
  Bytes p(52, 0xEE);
  p[0] = code, p[1] = 0x32;
  return ModeAnswer(p, block_descriptor);
}

TEST(Capabilities, FromPageAndFeatures) {
  ScriptedDrive drive;
  // Byte 3 bit 4 stands for DVD-R and DVD-RW writing; a maximum write speed
  // of 0 is taken for 1x DVD.
  drive.page[0x2A] = CapabilitiesPage(0x3F, 0x17, 0x80, 7056);
  drive.feature[0x2A] = ConfigAnswer(0x08, 0x2A, 1);
  ScriptedDevice device(drive);
  ASSERT_TRUE(device.GetDeviceCapabilities());
  const TDeviceCapabilities& caps = device.Capabilities();
  EXPECT_TRUE(caps.Contains(dcWriteDVDRW) && caps.Contains(dcWriteDVDPLUSRW) && caps.Contains(dcWriteTest));
  EXPECT_EQ(std::tuple(device.DeviceMaxWriteSpeed(), device.MaxReadSpeed()), std::tuple(1385, 7056));

  // Without a block descriptor. Features count only where the drive answers
  // with that very feature, and a short answer must not leave the last one
  // standing in the buffer.
  drive.page[0x2A] = CapabilitiesPage(0x01, 0x00, 0x00, 8467, 5645, 2822, false);
  drive.feature[0x2A] = ConfigAnswer(0x08, 0x2F, 1);
  drive.feature[0x2F] = Answer(8, {{7, 0x08}});
  ASSERT_TRUE(device.GetDeviceCapabilities());
  EXPECT_EQ(device.Capabilities(), (TDeviceCapabilities{dcReadCDR}));
  EXPECT_EQ(std::tuple(device.DeviceMaxWriteSpeed(), device.CurrentWriteSpeed()), std::tuple(5645, 2822));

  // A drive that refuses to report default values: the current ones tell
  // what it can do.
  drive.page[0x2A] = CapabilitiesPage(0x3B, 0x00, 0x00, 704);
  drive.judge = [](const Command& c) -> std::optional<Sense> {
    if (c.op() == 0x5A && (c.cdb[2] & 0xC0) == 0x80) return Sense{0x05, 0x24, 0x00};
    return std::nullopt;
  };
  ASSERT_TRUE(device.GetDeviceCapabilities());
  EXPECT_TRUE(device.Capabilities().Contains(dcReadCDRW));
  EXPECT_TRUE(device.Capabilities().Contains(dcReadDVDRAM));
  EXPECT_FALSE(device.Capabilities().Contains(dcWriteCDR));
  EXPECT_EQ(device.DeviceMaxReadSpeed(), 704);

  drive.page.clear();
  EXPECT_FALSE(device.GetDeviceCapabilities());
  EXPECT_TRUE(device.Capabilities().Empty());
}

TEST(WriteParameters, PageForEveryMedium) {
  // Medium, test write, underrun protection, session at once, finalize;
  // page bytes 2 to 6 and the packet size.
  const struct {
    uint16_t medium;
    bool test_write, underrun, session_at_once, finalize;
    uint8_t p2, p3, p4, p5, p6, packet;
  } kCases[] = {
      {2, 0, 0, 0, 0, 0x01, 0xC4, 0x08, 0, 0, 0},     {2, 0, 0, 0, 1, 0x01, 0x04, 0x08, 0, 0, 0},
      {3, 1, 1, 0, 0, 0x51, 0x04, 0x08, 0, 0, 0},     {0, 0, 1, 1, 0, 0x42, 0xC4, 0x00, 0, 0, 0},
      {5, 0, 0, 0, 0, 0x20, 0xE5, 0x08, 0, 0x10, 16}, {5, 1, 1, 1, 1, 0x70, 0xE5, 0x00, 0, 0x10, 16},
      {7, 1, 0, 0, 1, 0x60, 0xC5, 0x08, 0x10, 0, 0},  {8, 0, 0, 1, 0, 0x60, 0xC5, 0x00, 0x10, 0, 0},
      {9, 0, 0, 0, 0, 0x22, 0x04, 0x08, 0x10, 0, 0},  {9, 0, 1, 0, 1, 0x62, 0x04, 0x08, 0x10, 0, 0},
      {10, 0, 0, 0, 0, 0x22, 0xC4, 0x08, 0, 0, 16},   {10, 1, 0, 0, 0, 0x32, 0xC4, 0x08, 0, 0, 16},
  };
  ScriptedDrive drive;
  // The drive has test write and underrun protection; its page carries the
  // savable bit, which goes back as it came.
  drive.page[0x2A] = CapabilitiesPage(0x3F, 0x37, 0x80);
  drive.page[0x05] = WriteParametersPage(0x85, false);
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "medium " << c.medium << " p2 " << int(c.p2));
    ScriptedDevice device(drive);
    device.SetFinalizeDisc(c.finalize);
    fwms = c.session_at_once;
    ASSERT_TRUE(device.SetWriteParams(c.test_write, c.underrun, false, c.medium));
    const Command s = drive.Commands(0x55).at(0);
    EXPECT_EQ(s.cdb[1], 0x10);
    ASSERT_EQ(s.out.size(), 60u);
    EXPECT_EQ(Bytes(s.out.begin(), s.out.begin() + 25),  // a zero header, then the page
              (Bytes{0,    0,    0, 0, 0, 0, 0, 0, 0x85,     0x32, c.p2, c.p3, c.p4,
                     c.p5, c.p6, 0, 0, 0, 0, 0, 0, c.packet, 0,    150,  0xEE}));
  }
  fwms = false;

  // Behind a block descriptor the savable bit must not hide the page.
  drive.page[0x05] = WriteParametersPage(0x85, true);
  {
    ScriptedDevice device(drive);
    ASSERT_TRUE(device.SetWriteParams(false, false, false, 2));
    EXPECT_EQ(GetBE16(&drive.Commands(0x55).at(0).out[8]), 0x8532);
  }

  // Test write and underrun protection only where the drive has them.
  drive.page[0x2A] = CapabilitiesPage(0x03, 0x03, 0x00);
  ScriptedDevice device(drive);
  ASSERT_TRUE(device.SetWriteParams(true, true, false, 2));
  EXPECT_EQ(GetBE16(&drive.Commands(0x55).at(0).out[10]), 0x0104);  // no next session after a test write
  drive.Clear();
  EXPECT_TRUE(device.SetWriteParams(false, false, false, 6));  // DVD-RAM: nothing to send
  EXPECT_TRUE(drive.Commands().empty());
  drive.fail[0x55] = {0x05, 0x26, 0x00};
  EXPECT_FALSE(device.SetWriteParams(false, false, false, 2));
}

TEST(Speeds, SetWriteSpeedAsksTheDriveWithTheReadSpeed) {
  ScriptedDrive drive;
  ScriptedDevice device(drive);
  device.SetReadSpeed(2770);
  EXPECT_TRUE(device.SetWriteSpeed(1385));
  EXPECT_EQ(GetBE32(&drive.Commands(0xBB).at(0).cdb[2]), 0x0AD20569u);
  EXPECT_EQ(device.WriteSpeed(), 1385);
  drive.fail[0xBB] = {0x05, 0x24, 0x00};
  EXPECT_FALSE(device.SetWriteSpeed(700));  // refused, but kept as asked
  EXPECT_EQ(device.WriteSpeed(), 700);
}

TEST(WriteMethods, ProbedOnSelection) {
  ScriptedDrive drive;
  drive.page[0x05] = WriteParametersPage();
  drive.judge = [](const Command& c) -> std::optional<Sense> {
    if (c.op() == 0x55 && c.out[10] == 3) return Sense{0x05, 0x26, 0x00};  // no raw writing
    return std::nullopt;
  };
  ScriptedDevice device(drive);
  EXPECT_EQ(device.WriteMethods(), (TWriteMethods{wmSAO, wmTAO}));
}

}  // namespace
}  // namespace orlix::test
