#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"
#include "messages/messages.h"
#include "platform/event.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

TSRB_ExecSCSICmd Blank(uint8_t op, uint8_t flags = SRB_EVENT_NOTIFY) {
  TSRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Flags = flags;
  srb.SRB_CDBLen = 10;
  srb.CDBByte[0] = op;
  return srb;
}

class Exec : public ::testing::Test {
 protected:
  void SetUp() override {
    layer_.Add(0, 0, 0);
    device_.SetDeviceID("0:0:0");
    device_.OnDebugMessage = [this](TComponent* sender, const std::string& line, uint8_t type) {
      EXPECT_EQ(sender, &device_);
      lines_.push_back(line);
      types_.push_back(type);
    };
  }
  void TearDown() override { GenerateLogs = false; }

  // Sends `op` and answers it with a check condition.
  std::string Fail(uint8_t op, uint8_t key, uint8_t asc, uint8_t ascq, uint8_t extra = 10) {
    layer_.answer = [=](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, key, asc, ascq, extra); };
    auto srb = Blank(op);
    device_.ExecScsiCommand(srb, 0);
    return device_.LastError();
  }

  FakeLayer layer_;
  TSCSIDevice device_{nullptr};
  std::vector<std::string> lines_;
  std::vector<uint8_t> types_;
};

TEST_F(Exec, NothingIsSentWithoutALayerOrADrive) {
  layer_.executed.clear();
  auto srb = Blank(0x00);
  ASPIDLLLoaded = false;
  EXPECT_EQ(device_.ExecScsiCommand(srb, 0), SS_ILLEGAL_MODE);
  ASPIDLLLoaded = true;
  device_.SetDeviceID("");
  EXPECT_EQ(device_.ExecScsiCommand(srb, 0), SS_ILLEGAL_MODE);
  EXPECT_TRUE(layer_.executed.empty());
  EXPECT_EQ(srb.SRB_Cmd, 0);  // untouched
  EXPECT_EQ(srb.SRB_SenseLen, 0);

  // Requests of other kinds never call an entry point that is not there.
  ASPIDLLLoaded = false;
  SendASPI32Command = nullptr;
  device_.GetHostAdapterInfo(0);
  EXPECT_EQ(device_.AdapterCount(), 255);  // unknown: every adapter number is tried
  EXPECT_EQ(device_.GetDiskLetter(0, 0, 0), 128);
  EXPECT_FALSE(device_.AbortSCSICommand(srb));
  EXPECT_EQ(device_.ScsiReset(), 0);
}

TEST_F(Exec, FillsTheAddressAndTheEventHandle) {
  layer_.Add(1, 2, 3);
  layer_.adapters = 2;
  device_.SetDeviceID("1:2:3");
  auto srb = Blank(0x28, SRB_EVENT_NOTIFY | SRB_DIR_IN);
  srb.CDBByte[1] = 0xFF;
  EXPECT_EQ(device_.ExecScsiCommand(srb, 0), 1);
  TSRB_ExecSCSICmd sent = layer_.Last();
  EXPECT_EQ(sent.SRB_Cmd, SC_EXEC_SCSI_CMD);
  EXPECT_EQ(sent.SRB_HaId, 1);
  EXPECT_EQ(sent.SRB_Target, 2);
  EXPECT_EQ(sent.SRB_Lun, 3);
  EXPECT_EQ(sent.SRB_SenseLen, 24);
  EXPECT_EQ(sent.CDBByte[1], 0x7F);  // LUN 3 in bits 5-7, bits 0-4 kept
  void* event = sent.SRB_PostProc;
  EXPECT_NE(event, nullptr);
  void* after = srb.SRB_PostProc;
  EXPECT_EQ(after, nullptr);  // closed and gone

  srb = Blank(0x00, 0);
  device_.ExecScsiCommand(srb, 0);
  event = layer_.Last().SRB_PostProc;
  EXPECT_EQ(event, nullptr);
}

TEST_F(Exec, PendingRequestsAreWaitedForThenAborted) {
  SetSleepSpeedup(1000);
  layer_.answer = [](TSRB_ExecSCSICmd&) {};  // stays pending
  for (int timeout : {0, 5000, 10000, 30000}) {
    SCOPED_TRACE(timeout);
    auto srb = Blank(0x2A, SRB_EVENT_NOTIFY | SRB_DIR_OUT);
    uint64_t start = TickCount();
    EXPECT_EQ(device_.ExecScsiCommand(srb, timeout), 1);
    EXPECT_GE(TickCount() - start, static_cast<uint64_t>(std::max(timeout, 10000)));
    EXPECT_EQ(layer_.last_abort_target, &srb);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
    EXPECT_EQ(device_.LastError(), "");
    EXPECT_EQ(device_.GetAspiError(srb.SRB_Status, srb.SRB_HaStat, srb.SRB_TargStat), Text(ERR_TIMEOUT));
  }
  // Logged as still pending, once every command is logged.
  GenerateLogs = true;
  lines_.clear();
  auto srb = Blank(0x2A, SRB_EVENT_NOTIFY | SRB_DIR_OUT);
  device_.ExecScsiCommand(srb, 0);
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find("<00>"), std::string::npos);

  // Without an event there is no wait at all.
  layer_.last_abort_target = nullptr;
  srb = Blank(0x00, 0);
  device_.ExecScsiCommand(srb, 0);
  EXPECT_EQ(layer_.last_abort_target, &srb);
  EXPECT_EQ(srb.SRB_Status, SS_ERR);
}

TEST_F(Exec, ALayerFinishingLaterSignalsTheEvent) {
  std::thread worker;
  layer_.answer = [&](TSRB_ExecSCSICmd& srb) {
    TSRB_ExecSCSICmd* request = &srb;
    TEventHandle event = srb.SRB_PostProc;
    worker = std::thread([request, event] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      request->SRB_Status = SS_COMP;
      SetEventObject(event);
    });
  };
  auto srb = Blank(0x35);
  device_.ExecScsiCommand(srb, 60000);
  worker.join();
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(layer_.last_abort_target, nullptr);
}

TEST_F(Exec, StatusAndSenseBecomeMessages) {
  EXPECT_EQ(Fail(0x00, 0x02, 0x3A, 0x00), Text(ERR_NOTREADY) + " (" + Text(ERR_AS_3A_00) + ")");
  EXPECT_EQ(device_.LastSense()[12], 0x3A);
  EXPECT_EQ(device_.LastSense()[2], 0x02);
  EXPECT_EQ(Fail(0x00, 0x02, 0x3A, 0x00, 0), Text(ERR_NOTREADY));
  EXPECT_EQ(Fail(0x00, 0x05, 0x3B, 0x10), Text(ERR_ILLEGALREQUEST) + " (59,16)");
  EXPECT_EQ(Fail(0x00, 0x40, 0, 0, 0), Text(ERR_ENDOFMEDIA));      // no sense key, end-of-medium flag
  EXPECT_EQ(Fail(0x00, 0x09, 0, 0, 0), Text(ERR_CHECKCONDITION));  // vendor-specific key
  EXPECT_EQ(device_.GetAspiError(SS_ERR, HASTAT_SEL_TO, 0), Text(ERR_SELECTIONTIMEOUT));
  EXPECT_EQ(device_.GetAspiError(SS_NO_DEVICE, 0, 0), Text(ERR_NODEVICE));
  EXPECT_EQ(device_.GetAspiError(SS_ILLEGAL_MODE, 0, 0), Text(ERR_UNKNOWN));

  // Sense that is absent or not in fixed format.
  layer_.answer = [](TSRB_ExecSCSICmd& srb) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_TargStat = STATUS_CHKCOND;
  };
  auto srb = Blank(0x00);
  device_.ExecScsiCommand(srb, 0);
  EXPECT_EQ(device_.LastError(), "");
  layer_.answer = [](TSRB_ExecSCSICmd& srb) {
    CheckCondition(srb, 2, 4, 1, 0);
    srb.SenseArea[0] = 0x72;
  };
  device_.ExecScsiCommand(srb, 0);
  EXPECT_EQ(device_.LastError(), Text(ERR_UNKNOWN));

  layer_.answer = [](TSRB_ExecSCSICmd& srb) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_TargStat = STATUS_BUSY;
  };
  device_.ExecScsiCommand(srb, 0);
  EXPECT_EQ(device_.LastError(), Text(ERR_TARGETBUSY));
  EXPECT_TRUE(device_.TargetBusy());

  // The next command starts clean.
  layer_.answer = nullptr;
  device_.ExecScsiCommand(srb, 0);
  EXPECT_FALSE(device_.TargetBusy());
  EXPECT_EQ(device_.LastError(), "");
  EXPECT_EQ(device_.LastSense()[12], 0);
}

TEST_F(Exec, LogLines) {
  uint8_t data[4] = {1, 2, 3, 4};
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, 0x03, 0x11, 0x00); };
  device_.Write10(0x10, 1, data, sizeof data, 0x50);
  ASSERT_EQ(lines_.size(), 1u);
  std::string name = "WRITE (10)";
  name.resize(22, ' ');
  EXPECT_EQ(lines_[0],
            "<<< " + name +
                " (2A) {50|0A} - 0:0:0 <04> [00004] 00 00 00 00 10 00 00 01 00 00 00 00 00 00 00  |"
                "01 02 03 04 = 00 02 70 03 ASC:11,ASQ:00 MEDIUM ERROR (UNRECOVERED READ ERROR)");
  EXPECT_EQ(types_[0], 0);

  // Routine failures, successes and long writes in progress stay quiet.
  lines_.clear();
  device_.TestUnitReady(0);
  device_.Inquiry();
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, 0x02, 0x04, 0x08); };
  device_.Write10(0, 1, data, sizeof data, 0x50);
  layer_.answer = nullptr;
  device_.Write10(0, 1, data, sizeof data, 0x50);
  EXPECT_TRUE(lines_.empty());

  // With every command logged the line carries the time, and the dump stops
  // after 257 bytes.
  GenerateLogs = true;
  std::vector<uint8_t> big(1000, 0xAB);
  device_.Read10(0, 1, big.data(), static_cast<uint32_t>(big.size()));
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_TRUE(std::regex_search(lines_[0], std::regex("^<<< \\d\\d:\\d\\d:\\d\\d\\d READ \\(10\\)")));
  size_t dumped = 0;
  for (size_t p = lines_[0].find("AB "); p != std::string::npos; p = lines_[0].find("AB ", p + 3)) ++dumped;
  EXPECT_EQ(dumped, 257u);
  EXPECT_NE(lines_[0].find("[003E8]"), std::string::npos);

  // The debug window gets the same lines.
  TMemo memo;
  device_.SetDebugWindow(&memo);
  device_.TestUnitReady(0);
  EXPECT_EQ(memo.Lines().Count(), 1);
  EXPECT_EQ(CommandName[0x99], "99");
  EXPECT_EQ(CommandName[0x00].size(), 22u);
}

TEST_F(Exec, WaitForReadyPollsUntilTheDriveIsReady) {
  SetSleepSpeedup(100000);
  MediumIs = 0;
  // A drive that stays not ready: about ten intervals, then false.
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, 2, 4, 1); };
  EXPECT_FALSE(device_.WaitForReady(10000, 1000));
  EXPECT_EQ(layer_.CountOp(0x51), 11);

  // Ready at once.
  layer_.executed.clear();
  layer_.answer = nullptr;
  EXPECT_TRUE(device_.WaitForReady(10000, 1000));
  EXPECT_EQ(layer_.CountOp(0x51), 1);
  EXPECT_EQ(layer_.CountOp(0x00), 1);

  // Ready after three polls.
  int polls = 0;
  layer_.answer = [&](TSRB_ExecSCSICmd& srb) {
    if (srb.CDBByte[0] == 0x51 && ++polls <= 3) return CheckCondition(srb, 2, 4, 1);
    srb.SRB_Status = SS_COMP;
  };
  EXPECT_TRUE(device_.WaitForReady(10000, 1000));
  EXPECT_EQ(polls, 4);

  // A zero interval still uses the time up.
  layer_.answer = [](TSRB_ExecSCSICmd& srb) { CheckCondition(srb, 2, 4, 1); };
  EXPECT_FALSE(device_.WaitForReady(100, 0));

  // DVD-RAM skips the disc information and must pass REQUEST SENSE.
  MediumIs = 6;
  layer_.executed.clear();
  layer_.answer = nullptr;
  EXPECT_TRUE(device_.WaitForReady(10000, 1000));
  EXPECT_EQ(layer_.CountOp(0x51), 0);
  EXPECT_EQ(layer_.CountOp(0x03), 1);
  MediumIs = 0;
}

}  // namespace
}  // namespace orlix::test
