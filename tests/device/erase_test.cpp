// Erasing on a scripted drive: the commands that start it and the thread's
// verdicts.
#include <gtest/gtest.h>

#include <atomic>

#include "device/device_state.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

class Erasing : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSleepSpeedup(1000);
    // 1411 KB/s, REQUEST SENSE with nothing to report, an empty CD-RW.
    drive_.page[0x2A] =
        ModeAnswer(Answer(28, {{0, 0x2A}, {1, 26}, {20, 1411 >> 8}, {21, 1411 & 0xFF}}), false);
    drive_.page[0x05] = ModeAnswer(Answer(52, {{0, 0x05}, {1, 0x32}}), false);
    drive_.reply[0x03] = Bytes(18, 0);
    drive_.reply[0x51] = DiscInfoAnswer(0, 0, true, 1, 1);
    drive_.feature[0] = ConfigAnswer(0x0A);
  }
  void TearDown() override { MediumIs = 0; }

  // Once `start` is sent, the next `polls` readiness checks (all when
  // negative) fail with `sense`.
  void BusyAfterStart(int polls, Sense sense = {0x02, 0x04, 0x07}, uint8_t start = 0xA1) {
    started_ = false;
    busy_ = polls;
    drive_.judge = [=, this](const Command& c) -> std::optional<Sense> {
      started_ = started_ || c.op() == start;
      if (!started_ || (c.op() != 0x00 && c.op() != 0x51) || busy_ == 0) return std::nullopt;
      if (busy_ > 0) --busy_;
      return sense;
    };
  }

  ScriptedDrive drive_;
  ScriptedDevice device_{drive_};
  std::atomic<bool> started_{false};
  std::atomic<int> busy_{0};
};

TEST_F(Erasing, QuickCdRwErase) {
  BusyAfterStart(20);
  std::vector<std::string> lines;
  device_.OnDebugMessage = [&](TComponent*, const std::string& m, uint8_t) { lines.push_back(m); };
  const EraseOutcome o = RunErase(device_, 1);
  EXPECT_EQ(std::tuple(o.started, o.events, o.with_error, o.erasing_at_event, o.progress_at_event,
                       device_.EraseProgress()),
            std::tuple(true, 1, false, true, 100, 0));
  EXPECT_EQ(lines, std::vector<std::string>{">>> STARTING ERASE PROCESS ON CD-RW AT 8(1,411 KB/s)"});
  EXPECT_EQ(drive_.Commands(0xA1).at(0).cdb[1], 0x11);  // minimal, immediate
  // The drive is given back: removal allowed, then ready.
  const auto all = drive_.Commands();
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](auto& c) { return c.op() == 0x1E && c.cdb[4] == 0; }));
  EXPECT_EQ(all.back().op(), 0x00);
}

TEST_F(Erasing, FailuresAreReported) {
  // A refused BLANK: the event at once, with an error.
  drive_.fail[0xA1] = {0x05, 0x24, 0x00};
  EraseOutcome o = RunErase(device_, 0);
  EXPECT_EQ(std::tuple(o.started, o.events, o.with_error, o.erasing_at_event),
            std::tuple(false, 1, true, false));
  // A drive that does not become ready: nothing sent, no event.
  drive_.Clear();
  drive_.fail[0x00] = drive_.fail[0x51] = {0x02, 0x04, 0x01};
  o = RunErase(device_, 1);
  EXPECT_EQ(std::tuple(o.started, o.events, drive_.Commands(0xA1).size()), std::tuple(false, 0, 0u));
  drive_.fail.clear();

  // During the wait.
  BusyAfterStart(-1);  // still not ready once the estimate is used up
  EXPECT_TRUE(RunErase(device_, 1).with_error);
  BusyAfterStart(3, {0x03, 0x51, 0x00});  // erase failure
  EXPECT_TRUE(RunErase(device_, 0).with_error);
  BusyAfterStart(0);  // the disc is not blank afterwards
  drive_.reply[0x51] = DiscInfoAnswer(2, 3, true, 1, 1);
  EXPECT_TRUE(RunErase(device_, 1).with_error);
  drive_.feature[0] = ConfigAnswer(0x14);
  BusyAfterStart(-1, {0x02, 0x04, 0x04}, 0x04);  // a DVD-RW format that never ends
  EXPECT_TRUE(RunErase(device_, 1).with_error);
  drive_.feature[0] = ConfigAnswer(0x1A);
  drive_.judge = nullptr;
  drive_.fail[0x2A] = {0x03, 0x0C, 0x00};  // a DVD+RW overwrite that fails
  EXPECT_TRUE(RunErase(device_, 1).with_error);
  EXPECT_EQ(drive_.Commands(0x2A).size(), 1u);
}

}  // namespace
}  // namespace orlix::test
