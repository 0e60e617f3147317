// Erasing on a scripted drive: the commands that start it, the thread's waits
// and verdicts, progress and the completion event on the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "device/erase_thread.h"
#include "framework/sleep.h"
#include "framework/thread.h"
#include "tests/device/scripted_drive.h"

namespace orlix::test {
namespace {

using D = ScriptedDrive;

struct Outcome {
  bool started = false;
  int events = 0;
  bool with_error = false;
  bool erasing_at_event = false;
  int progress_at_event = -1;
  std::vector<int> progress;  // sampled while waiting
};

// Starts an erase and pumps the main thread until the erase thread is gone.
Outcome Erase(TSCSIDevice& device, uint8_t type) {
  Outcome o;
  device.OnEraseDone = [&](TComponent* sender, bool with_error) {
    EXPECT_EQ(sender, &device);
    EXPECT_TRUE(IsMainThread());
    ++o.events;
    o.with_error = with_error;
    o.erasing_at_event = device.Erasing();
    o.progress_at_event = device.EraseProgress();
  };
  o.started = device.EraseDisc(type);
  while (o.started && (o.events == 0 || EraseThreadRunning())) {
    o.progress.push_back(device.EraseProgress());
    CheckSynchronize(5);
  }
  EXPECT_FALSE(device.Erasing());
  EXPECT_EQ(device.EraseProgress(), 0);
  return o;
}

std::vector<uint8_t> SpeedPage(uint16_t current_write) {
  std::vector<uint8_t> p(28, 0);
  p[0] = 0x2A;
  p[1] = 26;
  p[2] = 0x3F;
  p[3] = 0x37;
  PutBE16(p.data() + 8, 7056);
  PutBE16(p.data() + 18, current_write);
  PutBE16(p.data() + 20, current_write);
  return p;
}

class Erasing : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSleepSpeedup(1000);
    drive_.current_page[0x2A] = D::ModeAnswer(SpeedPage(1411), false);
    std::vector<uint8_t> page05(52, 0);
    page05[0] = 0x05;
    page05[1] = 0x32;
    drive_.current_page[0x05] = D::ModeAnswer(page05, false);
    drive_.answer[0x03] = std::vector<uint8_t>(18, 0);  // REQUEST SENSE: nothing to report
    drive_.answer[0x51] = D::DiscInfoAnswer(0, 0, true, 1, 1);
  }
  void TearDown() override { MediumIs = 0; }

  // After the erase command, the polls that follow report "in progress"
  // `polls` times, then the drive is ready.
  void BusyAfterStart(int polls, Sense sense = kNotReadyInProgress) {
    busy_ = polls;
    drive_.judge = [this, sense](const Command& c) -> std::optional<Sense> {
      if (c.op() == 0xA1 || c.op() == 0x04) started_ = true;
      if (started_ && (c.op() == 0x00 || c.op() == 0x51) && busy_ > 0) {
        --busy_;
        return sense;
      }
      return std::nullopt;
    };
  }

  ScriptedDrive drive_;
  std::atomic<bool> started_{false};
  std::atomic<int> busy_{0};
};

TEST_F(Erasing, QuickCdRwEraseBlanksWaitsAndReportsSuccess) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  BusyAfterStart(20);
  ScriptedDevice device(drive_);
  std::vector<std::string> lines;
  device.OnDebugMessage = [&](TComponent*, const std::string& m, uint8_t type) {
    if (type == 1) lines.push_back(m);
  };
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_EQ(o.events, 1);
  EXPECT_FALSE(o.with_error);
  EXPECT_TRUE(o.erasing_at_event);
  EXPECT_EQ(o.progress_at_event, 100);
  EXPECT_EQ(MediumIs, 3);
  EXPECT_EQ(device.EraseType(), 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], ">>> STARTING ERASE PROCESS ON CD-RW AT 8(1,411 KB/s)");

  // BLANK, minimal, immediate.
  auto blanks = drive_.Commands(0xA1);
  ASSERT_EQ(blanks.size(), 1u);
  EXPECT_EQ(blanks[0].cdb.size(), 12u);
  EXPECT_EQ(blanks[0].cdb[1], 0x11);
  EXPECT_EQ(blanks[0].flags, 0x40);

  // The progress only rises while the thread waits.
  for (size_t i = 1; i < o.progress.size(); ++i)
    if (o.progress[i] != 0) EXPECT_GE(o.progress[i], o.progress[i - 1]);
  EXPECT_GT(*std::max_element(o.progress.begin(), o.progress.end()), 0);

  // The drive is given back: allowed removal, loaded, ready.
  auto all = drive_.Commands();
  auto last_blank = std::find_if(all.begin(), all.end(), [](auto& c) { return c.op() == 0xA1; });
  EXPECT_TRUE(std::any_of(last_blank, all.end(), [](auto& c) { return c.op() == 0x1E && c.cdb[4] == 0; }));
  EXPECT_EQ(all.back().op(), 0x00);
}

TEST_F(Erasing, RefusedBlankReportsAnErrorAtOnce) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  drive_.fail[0xA1] = {0x05, 0x24, 0x00};
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 0);
  EXPECT_FALSE(o.started);
  EXPECT_EQ(o.events, 1);
  EXPECT_TRUE(o.with_error);
  EXPECT_FALSE(o.erasing_at_event);
  EXPECT_FALSE(EraseThreadRunning());
  EXPECT_EQ(drive_.Commands(0xA1).at(0).cdb[1], 0x10);  // whole disc, immediate
  EXPECT_EQ(drive_.Commands().back().op(), 0x00);       // the drive is unlocked
}

TEST_F(Erasing, DriveNotReadyAtTheStartSendsNothingAndRaisesNoEvent) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  drive_.fail[0x00] = {0x02, 0x04, 0x01};  // becoming ready, for ever
  drive_.fail[0x51] = {0x02, 0x04, 0x01};
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  EXPECT_FALSE(o.started);
  EXPECT_EQ(o.events, 0);
  EXPECT_TRUE(drive_.Commands(0xA1).empty());
}

// The erase thread used to report success whatever happened; these end in
// an error.
TEST_F(Erasing, DriveThatStaysNotReadyPastTheEstimateIsAnError) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  BusyAfterStart(1 << 30);
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_TRUE(o.with_error);
  EXPECT_GE(o.progress_at_event, 100);
}

TEST_F(Erasing, BlankEndingInAFailingSenseIsAnError) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  BusyAfterStart(3);
  drive_.judge = [this, judge = drive_.judge](const Command& c) -> std::optional<Sense> {
    auto verdict = judge(c);
    if (!verdict && started_ && c.op() == 0x00) return Sense{0x03, 0x51, 0x00};  // erase failure
    return verdict;
  };
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 0);
  ASSERT_TRUE(o.started);
  EXPECT_TRUE(o.with_error);
}

TEST_F(Erasing, MediumThatIsNotBlankAfterwardsIsAnError) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, true, 1, 1);
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_TRUE(o.with_error);
}

TEST_F(Erasing, QuickDvdPlusRwEraseOverwritesTheStartWithZeros) {
  drive_.feature[0] = D::ConfigAnswer(0x1A);
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, true, 1, 1);  // formatted media read as complete
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_FALSE(o.with_error);
  EXPECT_TRUE(drive_.Commands(0x04).empty());
  EXPECT_TRUE(drive_.Commands(0xA1).empty());
  auto writes = drive_.Commands(0x2A);
  ASSERT_EQ(writes.size(), 65u);
  for (size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(GetBE32(writes[i].cdb.data() + 2), i * 32);
    EXPECT_EQ(GetBE16(writes[i].cdb.data() + 7), 32);
    ASSERT_EQ(writes[i].out.size(), 65536u);
    EXPECT_TRUE(std::all_of(writes[i].out.begin(), writes[i].out.end(), [](uint8_t b) { return b == 0; }));
  }
  // The cache is flushed after the last write.
  auto all = drive_.Commands();
  auto last_write = std::find_if(all.rbegin(), all.rend(), [](auto& c) { return c.op() == 0x2A; });
  EXPECT_EQ((last_write - 1)->op(), 0x35);
}

TEST_F(Erasing, FailedOverwriteIsAnError) {
  drive_.feature[0] = D::ConfigAnswer(0x12);
  drive_.fail[0x2A] = {0x03, 0x0C, 0x00};
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_TRUE(o.with_error);
  EXPECT_EQ(drive_.Commands(0x2A).size(), 1u);
}

TEST_F(Erasing, FullEraseOfDvdRamAndDvdPlusRwFormats) {
  const uint8_t ram[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22, 0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
  const uint8_t plus[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x98, 0x00, 0x00, 0x00};
  for (auto [profile, list] : {std::pair{uint16_t{0x12}, ram}, {uint16_t{0x1A}, plus}}) {
    drive_.Clear();
    drive_.feature[0] = D::ConfigAnswer(profile);
    drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, true, 1, 1);
    drive_.answer[0x23] = D::FormatCapacityAnswer(2236704, 2, 2048);  // formatted
    BusyAfterStart(5);
    ScriptedDevice device(drive_);
    const Outcome o = Erase(device, 0);
    ASSERT_TRUE(o.started);
    EXPECT_FALSE(o.with_error) << profile;
    auto formats = drive_.Commands(0x04);
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0].cdb.size(), 6u);
    EXPECT_EQ(formats[0].cdb[1], 0x11);
    EXPECT_EQ(formats[0].flags, 0x50);
    ASSERT_EQ(formats[0].out.size(), 12u);
    EXPECT_EQ(std::memcmp(formats[0].out.data(), list, 12), 0);
    // DVD-RAM gets no write parameters.
    EXPECT_EQ(drive_.Commands(0x55).size(), profile == 0x12 ? 1u : 2u);  // the second restores CD settings

    // A format that leaves the medium unformatted is an error.
    drive_.answer[0x23] = D::FormatCapacityAnswer(2236704, 1, 2048);
    started_ = false;
    BusyAfterStart(2);
    EXPECT_TRUE(Erase(device, 0).with_error) << profile;
  }
}

TEST_F(Erasing, DvdRwIsBlankedThenQuickFormatted) {
  drive_.feature[0] = D::ConfigAnswer(0x13);
  BusyAfterStart(6);
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_FALSE(o.with_error);
  EXPECT_EQ(drive_.Commands(0xA1).at(0).cdb[1], 0x11);
  auto formats = drive_.Commands(0x04);
  ASSERT_EQ(formats.size(), 1u);
  const uint8_t quick[12] = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
  EXPECT_EQ(std::memcmp(formats[0].out.data(), quick, 12), 0);
}

TEST_F(Erasing, DvdRwFormatWaitHasALimit) {
  drive_.feature[0] = D::ConfigAnswer(0x14);
  // The blank ends at once; the format never does.
  drive_.judge = [this](const Command& c) -> std::optional<Sense> {
    if (c.op() == 0x04) started_ = true;
    if (started_ && (c.op() == 0x00 || c.op() == 0x51)) return Sense{0x02, 0x04, 0x04};
    return std::nullopt;
  };
  ScriptedDevice device(drive_);
  const Outcome o = Erase(device, 1);
  ASSERT_TRUE(o.started);
  EXPECT_TRUE(o.with_error);
}

TEST(EraseFigures, EstimatesAndSpeedTexts) {
  EXPECT_EQ(EraseEstimate(3, 1), 150);
  EXPECT_EQ(EraseEstimate(3, 0), 4500);
  EXPECT_EQ(EraseEstimate(0, 5), 4500);
  EXPECT_EQ(EraseEstimate(7, 0), 4440);
  EXPECT_EQ(EraseEstimate(8, 1), 180);
  EXPECT_EQ(EraseEstimate(7, 2), 8880);
  EXPECT_EQ(EraseEstimate(9, 1), 600);
  EXPECT_EQ(EraseEstimate(6, 0), 4440);
  EXPECT_EQ(EraseEstimate(10, 3), 8880);
  EXPECT_EQ(EraseSpeedText(3, 1411), "8(1,411 KB/s)");
  EXPECT_EQ(EraseSpeedText(9, 3324), "2.4(3,324 KB/s)");
  EXPECT_EQ(EraseSpeedText(6, 1385), "1.0(1,385 KB/s)");
  EXPECT_EQ(EraseSpeedText(2, 88), "0(88 KB/s)");
  EXPECT_EQ(EraseSpeedText(5, 11080), "63(11,080 KB/s)");  // DVD-R counts as a CD here
}

TEST(EraseFigures, NoProgressWithoutAnErase) {
  ScriptedDrive drive;
  ScriptedDevice device(drive);
  EXPECT_EQ(device.EraseProgress(), 0);
  EXPECT_FALSE(device.Erasing());
}

}  // namespace
}  // namespace orlix::test
