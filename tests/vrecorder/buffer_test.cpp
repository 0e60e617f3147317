// The drive's buffer: filled by WRITE, drained at the configured speed, a
// full buffer holding the next WRITE back, SYNCHRONIZE CACHE waiting for it
// or leaving the drive busy while it drains.
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

constexpr uint32_t kBuffer = 2 * 1024 * 1024;
constexpr uint32_t kMiB = 1024 * 1024;

class Buffer : public RecorderTest {
 protected:
  // Runs `command` on another thread, notes whether it still waits after a
  // while of real time, then moves the clock on and returns its result.
  template <typename Command>
  Result HeldBack(Command command, int64_t advance_ms, bool& was_waiting) {
    std::atomic<bool> done{false};
    Result result;
    std::thread runner([&] {
      result = command();
      done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    was_waiting = !done;
    lib_.advance_clock(advance_ms);
    runner.join();
    return result;
  }
};

TEST_F(Buffer, FillsWithWritesAndDrainsAtTheConfiguredSpeed) {
  Load("profile=dvd-r,blocks=20000");  // speed=0: drained at once
  ASSERT_TRUE(drive_.Write(0, 512).ok());
  EXPECT_EQ(drive_.BufferFree(), kBuffer);

  // 1 kB/s: real time drains next to nothing, the clock the rest.
  Load("profile=dvd-r,blocks=20000,speed=1", "slow");
  EXPECT_EQ(Get32(&drive_.Query(Cdb(0x5C, 10).Put16(7, 12), 12)[4]), kBuffer) << "total";
  ASSERT_TRUE(drive_.Write(0, 512).ok());
  EXPECT_NEAR(drive_.BufferFree(), kBuffer - kMiB, 1000);
  Bytes blocks = drive_.Query(Cdb(0x5C, 10).Set(1, 1).Put16(7, 12), 12);
  EXPECT_EQ(blocks[7] & 0x01, 1) << "given in blocks";
  EXPECT_NEAR(Get32(&blocks[8]), 512u, 1);
  lib_.advance_clock(kMiB / 2);
  EXPECT_NEAR(drive_.BufferFree(), kBuffer - kMiB / 2, 1000);

  bool waiting = false;
  ASSERT_TRUE(drive_.Write(512, 512).ok());
  ASSERT_TRUE(drive_.Write(1024, 256).ok());  // full
  Result r = HeldBack([&] { return drive_.Write(1280, 32); }, 70000, waiting);
  EXPECT_TRUE(waiting) << "64 KiB more do not fit";
  EXPECT_TRUE(r.ok());
  EXPECT_NEAR(drive_.BufferFree(), 70000 - 65536, 1000) << "it took its room and no more";

  r = HeldBack([&] { return drive_.Sync(); }, kBuffer, waiting);
  EXPECT_TRUE(waiting) << "SYNCHRONIZE CACHE waits for the buffer";
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(drive_.BufferFree(), kBuffer);
}

TEST_F(Buffer, ImmediateSyncLeavesTheDriveBusyUntilDrained) {
  Load("profile=dvd-r,blocks=20000,speed=1");
  ASSERT_TRUE(drive_.Write(0, 32).ok());
  ASSERT_TRUE(drive_.Sync(true).ok());
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/04/08");
  EXPECT_EQ(drive_.Write(32, 32).Text(), "02/04/08");
  EXPECT_LT(drive_.BufferFree(), kBuffer) << "the buffer can be watched meanwhile";
  lib_.advance_clock(65536);
  EXPECT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_TRUE(drive_.Write(32, 32).ok());
}

TEST_F(Buffer, DriveSpeedFollowsSetCdSpeedAndSetStreaming) {
  Load("profile=cd-r,blocks=20000,speed=drive");
  ASSERT_TRUE(drive_.SetWriteParameters(0x01, 0xC4, 0x08).ok());
  ASSERT_TRUE(drive_.None(Cdb(0xBB, 12).Put16(2, 0xFFFF).Put16(4, 706)).ok());  // 4x
  ASSERT_TRUE(drive_.Write(0, 512).ok());
  lib_.advance_clock(1000);
  EXPECT_NEAR(drive_.BufferFree(), kBuffer - (kMiB - 706000), 706 * 50);

  Load("profile=dvd-r,blocks=20000,speed=drive", "dvd");
  Bytes descriptor(28, 0);
  PutBE(&descriptor[8], 4, 20000);
  PutBE(&descriptor[20], 4, 5540);  // 4x: kB per 1000 ms
  PutBE(&descriptor[24], 4, 1000);
  ASSERT_TRUE(drive_.Out(Cdb(0xB6, 12).Put16(9, 28), descriptor).ok());
  ASSERT_TRUE(drive_.Write(0, 512).ok());
  ASSERT_TRUE(drive_.Write(512, 512).ok());
  lib_.advance_clock(200);
  EXPECT_NEAR(drive_.BufferFree(), 5540 * 200, 5540 * 50);
}

}  // namespace
}  // namespace orlix::vrec_test
