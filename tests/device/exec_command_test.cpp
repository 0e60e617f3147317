#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "device/device_state.h"
#include "messages/messages.h"
#include "platform/event.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

TSRB_ExecSCSICmd Request(uint8_t op, uint8_t flags = SRB_EVENT_NOTIFY) {
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Flags = flags;
  srb.SRB_CDBLen = 10;
  srb.CDBByte[0] = op;
  return srb;
}

void Pending(TSRB_ExecSCSICmd& srb) { srb.SRB_Status = SS_PENDING; }

class Exec : public ::testing::Test {
 protected:
  void SetUp() override {
    layer_.Add(0, 0, 0);
    device_.SetDeviceID("0:0:0");
    device_.OnDebugMessage = [this](TComponent*, const std::string& line, uint8_t) {
      lines_.push_back(line);
    };
  }
  void TearDown() override { GenerateLogs = false; }

  // The message a command answered with this sense becomes.
  std::string Fail(Sense sense, uint8_t extra = 10) {
    layer_.answer = [=](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, sense, extra); };
    device_.TestUnitReady(0);
    return device_.LastError();
  }

  FakeLayer layer_;
  TSCSIDevice device_{nullptr};
  std::vector<std::string> lines_;
};

TEST_F(Exec, NothingIsSentWithoutALayerOrADrive) {
  layer_.Clear();
  auto srb = Request(0x00);
  uint8_t data[2048];
  for (bool layer : {false, true}) {
    ASPIDLLLoaded = layer;
    if (layer) device_.SetDeviceID("");
    EXPECT_EQ(device_.ExecScsiCommand(srb, 0), SS_ILLEGAL_MODE);
    EXPECT_FALSE(device_.Write10(0, 1, data, sizeof data, 0x50));
  }
  EXPECT_TRUE(layer_.Commands().empty());

  // Requests of other kinds never call an entry point that is not there.
  ASPIDLLLoaded = false;
  SendASPI32Command = nullptr;
  device_.GetHostAdapterInfo(0);  // 255 adapters: unknown, every number is tried
  EXPECT_EQ(std::tuple(device_.AdapterCount(), device_.GetDiskLetter(0, 0, 0), device_.AbortSCSICommand(srb),
                       device_.ScsiReset()),
            std::tuple(255, 128, false, 0));
}

TEST_F(Exec, FillsTheAddressAndTheEventHandle) {
  layer_.Add(1, 2, 3);
  layer_.adapters = 2;
  device_.SetDeviceID("1:2:3");
  auto srb = Request(0x28, SRB_EVENT_NOTIFY | SRB_DIR_IN);
  srb.CDBByte[1] = 0xFF;
  device_.ExecScsiCommand(srb, 0);
  // LUN 3 goes into bits 5-7 of CDB byte 1; the event is gone after.
  const TSRB_ExecSCSICmd s = layer_.Commands().back().srb;
  EXPECT_EQ(std::tuple(s.SRB_HaId, s.SRB_Target, s.SRB_Lun, s.CDBByte[1], srb.SRB_PostProc != nullptr),
            std::tuple(1, 2, 3, 0x7F, false));
}

TEST_F(Exec, PendingRequestsAreWaitedForThenAborted) {
  SetSleepSpeedup(1000);
  layer_.answer = Pending;
  for (int timeout : {0, 30000}) {
    auto srb = Request(0x2A, SRB_EVENT_NOTIFY | SRB_DIR_OUT);
    const uint64_t start = TickCount();
    EXPECT_EQ(device_.ExecScsiCommand(srb, timeout), 1);
    EXPECT_GE(TickCount() - start, static_cast<uint64_t>(std::max(timeout, 10000)));
    EXPECT_EQ(std::tuple(layer_.last_abort_target, device_.GetAspiError(srb.SRB_Status, srb.SRB_HaStat, 0)),
              std::tuple(static_cast<void*>(&srb), Text(ERR_TIMEOUT)));
  }
  // Without an event there is no wait, but still the abort.
  auto srb = Request(0x00, 0);
  device_.ExecScsiCommand(srb, 0);
  EXPECT_EQ(std::tuple(layer_.last_abort_target, srb.SRB_HaStat),
            std::tuple(static_cast<void*>(&srb), HASTAT_TIMEOUT));

  // A layer that finishes later signals the event. The wait is in real time
  // here: a slow (sanitised) thread start must not look like a timeout.
  SetSleepSpeedup(1);
  std::thread worker;
  layer_.last_abort_target = nullptr;
  layer_.answer = [&](TSRB_ExecSCSICmd& srb) {
    srb.SRB_Status = SS_PENDING;
    worker = std::thread([request = &srb, event = srb.SRB_PostProc] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      std::atomic_ref<uint8_t>(request->SRB_Status).store(SS_COMP);
      SetEventObject(event);
    });
  };
  EXPECT_TRUE(device_.FlushCache(60000, false));
  worker.join();
  EXPECT_EQ(layer_.last_abort_target, nullptr);
}

TEST_F(Exec, StatusAndSenseBecomeMessages) {
  EXPECT_EQ(Fail({0x02, 0x3A, 0x00}), Text(ERR_NOTREADY) + " (" + Text(ERR_AS_3A_00) + ")");
  EXPECT_EQ(Fail({0x02, 0x3A, 0x00}, 0), Text(ERR_NOTREADY));
  EXPECT_EQ(Fail({0x05, 0x3B, 0x10}), Text(ERR_ILLEGALREQUEST) + " (59,16)");
  EXPECT_EQ(Fail({0x40, 0, 0}, 0), Text(ERR_ENDOFMEDIA));      // no sense key, end-of-medium flag
  EXPECT_EQ(Fail({0x09, 0, 0}, 0), Text(ERR_CHECKCONDITION));  // vendor-specific key
  EXPECT_EQ(device_.GetAspiError(SS_ERR, HASTAT_SEL_TO, 0), Text(ERR_SELECTIONTIMEOUT));

  // Sense that is absent, or not in fixed format.
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { srb.SRB_Status = SS_ERR, srb.SRB_TargStat = STATUS_CHKCOND; };
  device_.TestUnitReady(0);
  EXPECT_EQ(device_.LastError(), "");
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, {2, 4, 1}, 0), srb.SenseArea[0] = 0x72; };
  device_.TestUnitReady(0);
  EXPECT_EQ(device_.LastError(), Text(ERR_UNKNOWN));

  layer_.answer = [](TSRB_ExecSCSICmd& srb) { srb.SRB_Status = SS_ERR, srb.SRB_TargStat = STATUS_BUSY; };
  device_.TestUnitReady(0);
  EXPECT_EQ(std::tuple(device_.LastError(), device_.TargetBusy()), std::tuple(Text(ERR_TARGETBUSY), true));
  layer_.answer = nullptr;  // the next command starts clean
  device_.TestUnitReady(0);
  EXPECT_EQ(std::tuple(device_.LastError(), device_.TargetBusy(), device_.LastSense()[12]),
            std::tuple("", false, 0));
  EXPECT_TRUE(lines_.empty());  // a failed TEST UNIT READY is routine
}

TEST_F(Exec, LogLines) {
  uint8_t data[4] = {1, 2, 3, 4};
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, {0x03, 0x11, 0x00}); };
  device_.Write10(0x10, 1, data, sizeof data, 0x50);
  EXPECT_EQ(lines_,
            std::vector<std::string>{"<<< WRITE (10)             (2A) {50|0A} - 0:0:0 <04> [00004] 00 00 "
                                     "00 00 10 00 00 01 00 00 00 00 00 00 00  |01 02 03 04 = 00 02 70 "
                                     "03 ASC:11,ASQ:00 MEDIUM ERROR (UNRECOVERED READ ERROR)"});

  // Routine failures, successes and long writes in progress stay quiet.
  lines_.clear();
  device_.Inquiry();
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, {0x02, 0x04, 0x08}); };
  device_.Write10(0, 1, data, sizeof data, 0x50);
  EXPECT_TRUE(lines_.empty());

  // With every command logged: the time, a dump that stops after 257 bytes,
  // and a request still pending.
  GenerateLogs = true;
  layer_.answer = nullptr;
  std::vector<uint8_t> big(1000, 0xAB);
  device_.Read10(0, 1, big.data(), static_cast<uint32_t>(big.size()));
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_TRUE(std::regex_search(lines_[0], std::regex("^<<< \\d\\d:\\d\\d:\\d\\d\\d READ \\(10\\)")));
  EXPECT_TRUE(std::regex_search(lines_[0], std::regex("\\[003E8\\].*\\|(AB ){257}="))) << lines_[0];
  SetSleepSpeedup(1000);
  layer_.answer = Pending;
  device_.TestUnitReady(0);
  EXPECT_NE(lines_.back().find("<00>"), std::string::npos);

  TMemo memo;  // the debug window gets the same lines
  device_.SetDebugWindow(&memo);
  device_.TestUnitReady(0);
  EXPECT_EQ(memo.Lines().Count(), 1);
}

// A debug window that goes away is forgotten, whether it is destroyed itself
// or with its owner; one that was replaced no longer concerns the device.
TEST_F(Exec, DestroyedDebugWindowIsForgotten) {
  GenerateLogs = true;
  {
    TMemo memo;
    device_.SetDebugWindow(&memo);
  }
  EXPECT_EQ(device_.DebugWindow(), nullptr);
  device_.TestUnitReady(0);  // would write into the freed memo

  auto* form = new TComponent(nullptr);
  device_.SetDebugWindow(new TMemo(form));
  delete form;
  EXPECT_EQ(device_.DebugWindow(), nullptr);

  TMemo kept;
  {
    TMemo replaced;
    device_.SetDebugWindow(&replaced);
    device_.SetDebugWindow(&kept);
  }
  EXPECT_EQ(device_.DebugWindow(), &kept);
  device_.TestUnitReady(0);
  EXPECT_EQ(kept.Lines().Count(), 1);
}

TEST_F(Exec, WaitForReadyPollsUntilTheDriveIsReady) {
  SetSleepSpeedup(100000);
  int polls = 0;
  layer_.answer = [&](TSRB_ExecSCSICmd& srb) {
    if (srb.CDBByte[0] == 0x51 && ++polls != 4) CheckCondition(srb, {2, 4, 1});
  };
  EXPECT_TRUE(device_.WaitForReady(10000, 1000) && polls == 4);  // ready after three polls
  // A drive that stays not ready: asked at once, then after each of about
  // ten intervals, then false; also with an interval of zero.
  layer_.Clear();
  EXPECT_FALSE(device_.WaitForReady(10000, 1000));
  EXPECT_EQ(layer_.Commands(0x51).size(), 12u);
  EXPECT_FALSE(device_.WaitForReady(100, 0));

  // DVD-RAM skips the disc information and must pass REQUEST SENSE.
  MediumIs = 6;
  layer_.Clear();
  EXPECT_TRUE(device_.WaitForReady(10000, 1000));
  EXPECT_EQ(std::tuple(layer_.Commands(0x51).size(), layer_.Commands(0x03).size()), std::tuple(0u, 1u));
  MediumIs = 0;
}

}  // namespace
}  // namespace orlix::test
