// Erasing on the virtual recorder, loaded the way an installed ASPI manager
// is: every rewritable medium, quick and full.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "device/device_state.h"
#include "device/erase_thread.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"
#include "framework/thread.h"
#include "platform/dynamic_library.h"
#include "transport/transport_state.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

const std::string kRecorder = std::string(ORLIX_BIN_DIR) + "/" + LibraryFileName("orlix_vrecorder");

class Recorder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kRecorder)) GTEST_SKIP() << kRecorder << " is not built";
    PassThrough.open = [](int) { return kNoDriveHandle; };
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    disc_ = fs::temp_directory_path() / ("orlix_erase_" + name + ".img");
    fs::remove(disc_);
    fs::remove(disc_.string() + ".desc");
    SetSleepSpeedup(1000);
    ASSERT_TRUE(device_.InitializeASPI(false, kRecorder));
  }
  void TearDown() override {
    _DeInitializeASPI();
    PassThrough = SystemPassThrough();
    SetSleepSpeedup(1);
    MediumIs = 0;
    fs::remove(disc_);
    fs::remove(disc_.string() + ".desc");
  }

  // Loads a new disc and selects the drive; "faults" are injected after.
  void Load(const std::string& spec, const std::string& faults = "") {
    auto configure = reinterpret_cast<OrlixVRecorderConfigureFn>(
        SharedLibrarySymbol(ASPILibHandle, "OrlixVRecorderConfigure"));
    ASSERT_EQ(configure((disc_.string() + "," + spec).c_str()), 0);
    auto set_faults = reinterpret_cast<OrlixVRecorderSetFaultsFn>(
        SharedLibrarySymbol(ASPILibHandle, "OrlixVRecorderSetFaults"));
    ASSERT_EQ(set_faults(faults.c_str()), 0);
    device_.SetDeviceID("0:0:0");
  }

  bool WritePattern(uint32_t blocks) {
    std::vector<uint8_t> data(32 * 2048, 0xA5);
    for (uint32_t lba = 0; lba < blocks; lba += 32)
      if (!device_.Write10(lba, 32, data.data(), 32 * 2048, 0x50)) return false;
    return device_.FlushCache(30000, false);
  }

  std::vector<uint8_t> DiscBytes(uint32_t blocks) {
    std::vector<uint8_t> b(blocks * 2048, 0);
    std::ifstream(disc_, std::ios::binary)
        .read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return b;
  }

  struct Outcome {
    bool started = false, with_error = false;
    int events = 0, progress_at_event = -1;
    std::vector<int> progress;
  };
  Outcome Erase(uint8_t type) {
    Outcome o;
    device_.OnEraseDone = [&](TComponent*, bool with_error) {
      ++o.events;
      o.with_error = with_error;
      o.progress_at_event = device_.EraseProgress();
    };
    o.started = device_.EraseDisc(type);
    while (o.started && (o.events == 0 || EraseThreadRunning())) {
      o.progress.push_back(device_.EraseProgress());
      CheckSynchronize(2);
    }
    return o;
  }

  fs::path disc_;
  TSCSIDevice device_{nullptr};
};

enum class After { kEmpty, kRestrictedOverwrite, kZeroStart };

struct MediumCase {
  const char* name;
  const char* profile;
  uint8_t type;  // 1 quick, 0 full
  After after;
};

class RecorderErase : public Recorder, public ::testing::WithParamInterface<MediumCase> {};

TEST_P(RecorderErase, LeavesTheMediumBlank) {
  const MediumCase& c = GetParam();
  Load(std::string("profile=") + c.profile + ",op-ms=200");
  if (c.after == After::kEmpty || std::string(c.profile) == "dvd-rw") {
    // One closed session.
    ASSERT_TRUE(device_.SetWriteParams(false, false, false, device_.DiscType()));
    ASSERT_TRUE(WritePattern(64));
    ASSERT_TRUE(device_.CloseTrack(true, false, false) && device_.CloseTrack(false, false, false));
    ASSERT_TRUE(device_.WaitForReady(10000, 500));
    ASSERT_EQ(device_.DiscStatus(), kDiscIncomplete);
  } else {
    ASSERT_TRUE(WritePattern(64)) << device_.LastError();
  }
  const Outcome o = Erase(c.type);
  ASSERT_TRUE(o.started) << device_.LastError();
  EXPECT_EQ(o.events, 1);
  EXPECT_FALSE(o.with_error);
  EXPECT_EQ(o.progress_at_event, 100);
  EXPECT_FALSE(device_.Erasing());
  // The estimate never falls before the end; a quick blank shows it rising
  // while the drive works.
  const auto end = std::find(std::find_if(o.progress.begin(), o.progress.end(), [](int p) { return p > 0; }),
                             o.progress.end(), 0);
  EXPECT_TRUE(std::is_sorted(o.progress.begin(), end));
  if (c.type == 1 && c.after != After::kZeroStart)
    EXPECT_TRUE(std::any_of(o.progress.begin(), o.progress.end(), [](int p) { return p > 0 && p < 100; }));
  if (c.after == After::kEmpty) {
    EXPECT_EQ(device_.DiscStatus(), kDiscEmpty);
    EXPECT_EQ(device_.SessionsOnDisc(), 0);
  } else if (c.after == After::kRestrictedOverwrite) {
    // A DVD-RW is blanked, then quick-formatted for writing in place.
    EXPECT_EQ(device_.GetDiscInformation().Profile, 0x13);
  } else {
    uint32_t blocks = 0, block_length = 0;
    ASSERT_TRUE(device_.GetFormatCapacity(blocks, block_length));
    if (c.profile == std::string("dvd-ram")) EXPECT_EQ(blocks, 2236704u);
    const auto start = DiscBytes(64);
    EXPECT_TRUE(std::all_of(start.begin(), start.end(), [](uint8_t b) { return b == 0; }));
  }
}

INSTANTIATE_TEST_SUITE_P(Rewritable, RecorderErase,
                         ::testing::Values(MediumCase{"CdRwQuick", "cd-rw", 1, After::kEmpty},
                                           MediumCase{"CdRwFull", "cd-rw", 0, After::kEmpty},
                                           MediumCase{"DvdRwQuick", "dvd-rw", 1, After::kRestrictedOverwrite},
                                           MediumCase{"DvdRwFull", "dvd-rw", 0, After::kRestrictedOverwrite},
                                           MediumCase{"DvdRwRoQuick", "dvd-rw-ro", 1,
                                                      After::kRestrictedOverwrite},
                                           MediumCase{"DvdPlusRwFull", "dvd+rw", 0, After::kZeroStart},
                                           MediumCase{"DvdRamQuick", "dvd-ram", 1, After::kZeroStart},
                                           MediumCase{"DvdRamFull", "dvd-ram", 0, After::kZeroStart}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Recorder, QuickDvdPlusRwEraseZeroesExactlySectors0To2079) {
  Load("profile=dvd+rw");
  ASSERT_TRUE(WritePattern(2208)) << device_.LastError();
  const Outcome o = Erase(1);
  ASSERT_TRUE(o.started);
  EXPECT_FALSE(o.with_error);
  const auto bytes = DiscBytes(2208);
  const auto boundary = bytes.begin() + 2080 * 2048;
  EXPECT_TRUE(std::all_of(bytes.begin(), boundary, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(boundary, bytes.end(), [](uint8_t b) { return b == 0xA5; }));
}

}  // namespace
}  // namespace orlix::test
