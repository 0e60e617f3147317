// Erasing on a scripted drive: the commands that start it, the thread's
// verdicts, and the completion event on the main thread.
#include <gtest/gtest.h>

#include <atomic>

#include "device/device_state.h"
#include "device/erase_thread.h"
#include "framework/sleep.h"
#include "framework/thread.h"
#include "tests/device/scripted_drive.h"

namespace orlix::test {
namespace {

struct Outcome {
  bool started = false;
  int events = 0;
  bool with_error = false;
  bool erasing_at_event = false;
  int progress_at_event = -1;
};

class Erasing : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSleepSpeedup(1000);
    // 1411 KB/s, REQUEST SENSE with nothing to report, an empty disc.
    drive_.page[0x2A] =
        ModeAnswer(Answer(28, {{0, 0x2A}, {1, 26}, {20, 1411 >> 8}, {21, 1411 & 0xFF}}), false);
    drive_.page[0x05] = ModeAnswer(Answer(52, {{0, 0x05}, {1, 0x32}}), false);
    drive_.answer[0x03] = Bytes(18, 0);
    drive_.answer[0x51] = DiscInfoAnswer(0, 0, true, 1, 1);
  }
  void TearDown() override { MediumIs = 0; }

  // After the erase command the polls report `sense` `polls` times.
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

  // Starts an erase and pumps the main thread until the erase thread is gone.
  Outcome Erase(uint16_t profile, uint8_t type) {
    drive_.feature[0] = ConfigAnswer(profile);
    Outcome o;
    device_.OnEraseDone = [&](TComponent* sender, bool with_error) {
      EXPECT_EQ(sender, &device_);
      EXPECT_TRUE(IsMainThread());
      ++o.events;
      o.with_error = with_error;
      o.erasing_at_event = device_.Erasing();
      o.progress_at_event = device_.EraseProgress();
    };
    o.started = device_.EraseDisc(type);
    while (o.started && (o.events == 0 || EraseThreadRunning())) CheckSynchronize(5);
    EXPECT_FALSE(device_.Erasing());
    EXPECT_EQ(device_.EraseProgress(), 0);
    return o;
  }

  ScriptedDrive drive_;
  ScriptedDevice device_{drive_};
  std::atomic<bool> started_{false};
  std::atomic<int> busy_{0};
};

TEST_F(Erasing, QuickCdRwErase) {
  BusyAfterStart(20);
  std::vector<std::string> lines;
  device_.OnDebugMessage = [&](TComponent*, const std::string& m, uint8_t type) {
    if (type == 1) lines.push_back(m);
  };
  const Outcome o = Erase(0x0A, 1);
  ASSERT_TRUE(o.started);
  EXPECT_EQ(o.events, 1);
  EXPECT_FALSE(o.with_error);
  EXPECT_TRUE(o.erasing_at_event);
  EXPECT_EQ(o.progress_at_event, 100);
  EXPECT_EQ(lines, std::vector<std::string>{">>> STARTING ERASE PROCESS ON CD-RW AT 8(1,411 KB/s)"});
  const Command blank = drive_.Commands(0xA1).at(0);
  EXPECT_EQ(blank.cdb, (Bytes{0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));  // minimal, immediate
  // The drive is given back: removal allowed, then ready.
  const auto all = drive_.Commands();
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](auto& c) { return c.op() == 0x1E && c.cdb[4] == 0; }));
  EXPECT_EQ(all.back().op(), 0x00);
}

TEST_F(Erasing, StartFailures) {
  // A refused BLANK: the event at once, with an error.
  drive_.fail[0xA1] = {0x05, 0x24, 0x00};
  Outcome o = Erase(0x0A, 0);
  EXPECT_FALSE(o.started);
  EXPECT_EQ(o.events, 1);
  EXPECT_TRUE(o.with_error);
  EXPECT_FALSE(o.erasing_at_event);
  // A drive that does not become ready: nothing sent, no event.
  drive_.Clear();
  drive_.fail[0x00] = drive_.fail[0x51] = {0x02, 0x04, 0x01};
  o = Erase(0x0A, 1);
  EXPECT_FALSE(o.started);
  EXPECT_EQ(o.events, 0);
  EXPECT_TRUE(drive_.Commands(0xA1).empty());
}

// The thread used to report success whatever happened.
TEST_F(Erasing, FailuresDuringTheWaitAreReported) {
  // Still not ready once the estimate is used up.
  BusyAfterStart(1 << 30);
  EXPECT_TRUE(Erase(0x0A, 1).with_error);
  // Erase failure.
  started_ = false;
  BusyAfterStart(3, {0x03, 0x51, 0x00});
  EXPECT_TRUE(Erase(0x0A, 0).with_error);
  // The disc is not blank afterwards.
  started_ = false;
  BusyAfterStart(0);
  drive_.answer[0x51] = DiscInfoAnswer(2, 3, true, 1, 1);
  EXPECT_TRUE(Erase(0x0A, 1).with_error);
  // A DVD-RW format that never ends: its wait has a limit too.
  started_ = false;
  drive_.judge = [this](const Command& c) -> std::optional<Sense> {
    if (c.op() == 0x04) started_ = true;
    if (started_ && (c.op() == 0x00 || c.op() == 0x51)) return Sense{0x02, 0x04, 0x04};
    return std::nullopt;
  };
  EXPECT_TRUE(Erase(0x14, 1).with_error);
  // An overwrite that fails.
  drive_.judge = nullptr;
  drive_.fail[0x2A] = {0x03, 0x0C, 0x00};
  EXPECT_TRUE(Erase(0x1A, 1).with_error);
  EXPECT_EQ(drive_.Commands(0x2A).size(), 1u);
}

TEST(EraseFigures, EstimatesAndSpeedTexts) {
  const std::pair<std::pair<uint8_t, uint8_t>, int> estimates[] = {
      {{3, 1}, 150},  {{3, 0}, 4500}, {{0, 5}, 4500}, {{7, 0}, 4440}, {{8, 1}, 180},
      {{7, 2}, 8880}, {{9, 1}, 600},  {{6, 0}, 4440}, {{10, 3}, 8880}};
  for (auto [key, seconds] : estimates) EXPECT_EQ(EraseEstimate(key.first, key.second), seconds);
  EXPECT_EQ(EraseSpeedText(3, 1411), "8(1,411 KB/s)");
  EXPECT_EQ(EraseSpeedText(9, 3324), "2.4(3,324 KB/s)");
  EXPECT_EQ(EraseSpeedText(5, 11080), "63(11,080 KB/s)");  // DVD-R counts as a CD here
}

}  // namespace
}  // namespace orlix::test
