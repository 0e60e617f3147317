// Disc facts and erasing on the virtual recorder, loaded the way an installed
// ASPI manager is.
#include <gtest/gtest.h>

#include <atomic>
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
    dir_ = fs::temp_directory_path() /
           ("orlix_erase_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    SetSleepSpeedup(1000);
    device_ = std::make_unique<TSCSIDevice>(nullptr);
    ASSERT_TRUE(device_->InitializeASPI(false, kRecorder));
  }
  void TearDown() override {
    device_.reset();
    _DeInitializeASPI();
    PassThrough = SystemPassThrough();
    SetSleepSpeedup(1);
    MediumIs = 0;
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  template <typename F>
  F Entry(const char* name) {
    return reinterpret_cast<F>(SharedLibrarySymbol(ASPILibHandle, name));
  }

  // Loads a new disc of that profile and selects the drive.
  void Load(const std::string& profile, const std::string& extra = "") {
    disc_ = (dir_ / "disc.img").string();
    const std::string spec = disc_ + ",profile=" + profile + extra;
    ASSERT_EQ(Entry<OrlixVRecorderConfigureFn>("OrlixVRecorderConfigure")(spec.c_str()), 0)
        << Entry<OrlixVRecorderLastErrorFn>("OrlixVRecorderLastError")();
    device_->SetDeviceID("0:0:0");
    ASSERT_EQ(device_->DeviceType(), 5);
  }
  void Faults(const std::string& faults) {
    ASSERT_EQ(Entry<OrlixVRecorderSetFaultsFn>("OrlixVRecorderSetFaults")(faults.c_str()), 0);
  }

  // Writes `blocks` blocks of a pattern at `lba`.
  bool WritePattern(uint32_t lba, uint32_t blocks) {
    std::vector<uint8_t> data(blocks * 2048, 0xA5);
    for (uint32_t done = 0; done < blocks; done += 32) {
      const uint32_t n = std::min<uint32_t>(32, blocks - done);
      if (!device_->Write10(lba + done, static_cast<uint16_t>(n), data.data(), n * 2048, 0x50)) return false;
    }
    return device_->FlushCache(30000, false);
  }

  // Records one closed session of data on a sequential medium.
  void RecordSession(uint8_t medium) {
    ASSERT_TRUE(device_->SetWriteParams(false, false, false, medium)) << device_->LastError();
    ASSERT_TRUE(WritePattern(device_->ReadTrackInformation(1) ? device_->TrackInfoNextWritable() : 0, 64))
        << device_->LastError();
    ASSERT_TRUE(device_->CloseTrack(true, false, false)) << device_->LastError();
    ASSERT_TRUE(device_->CloseTrack(false, false, false)) << device_->LastError();
    ASSERT_TRUE(device_->WaitForReady(10000, 500));
    ASSERT_EQ(device_->DiscStatus(), kDiscIncomplete);
  }

  // The blocks of the disc file, 2048 bytes each.
  std::vector<uint8_t> DiscBytes(uint32_t lba, uint32_t blocks) {
    std::vector<uint8_t> b(blocks * 2048, 0);
    std::ifstream f(disc_, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(lba) * 2048);
    f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return b;
  }

  struct Outcome {
    bool started = false;
    int events = 0;
    bool with_error = false;
    std::vector<int> progress;
    int progress_at_event = -1;
  };

  Outcome Erase(uint8_t type) {
    Outcome o;
    device_->OnEraseDone = [&](TComponent*, bool with_error) {
      ++o.events;
      o.with_error = with_error;
      o.progress_at_event = device_->EraseProgress();
    };
    o.started = device_->EraseDisc(type);
    while (o.started && (o.events == 0 || EraseThreadRunning())) {
      o.progress.push_back(device_->EraseProgress());
      CheckSynchronize(2);
    }
    return o;
  }

  fs::path dir_;
  std::string disc_;
  std::unique_ptr<TSCSIDevice> device_;
};

TEST_F(Recorder, FactsOfABlankCdR) {
  Load("cd-r");
  EXPECT_EQ(device_->DiscType(), kMediumCDR);
  EXPECT_EQ(device_->DiscStatus(), kDiscEmpty);
  EXPECT_EQ(device_->SessionsOnDisc(), 0);
  EXPECT_FALSE(device_->Erasable());
  const uint32_t free = device_->FreeBlocksOnDisc();
  EXPECT_GT(free, 300000u);
  EXPECT_EQ(device_->TotalBlocksOnDisc(), free);
  EXPECT_EQ(device_->UsedBlocksOnDisc(), 0u);
  const TDisc disc = device_->GetDiscInformation();
  EXPECT_EQ(disc.Ready, 1);
  EXPECT_EQ(disc.Medium, "CD-R");
  EXPECT_EQ(disc.Profile, 0x09);
  EXPECT_EQ(disc.Status, kDiscEmpty);
  EXPECT_GE(disc.Capacity, free);
  EXPECT_TRUE(device_->Capabilities().Contains(dcWriteCDR));
  EXPECT_GT(device_->MaxWriteSpeed(), 0);
}

// Every rewritable medium, recorded on, then erased quick or full.
enum class After { kEmpty, kRestrictedOverwrite, kZeroStart };

struct MediumCase {
  const char* name;
  const char* profile;
  uint8_t medium;
  bool sequential;  // recorded in sessions; else written in place
  After after;
  uint8_t type;  // 1 quick, 0 full
};

class RecorderErase : public Recorder, public ::testing::WithParamInterface<MediumCase> {};

TEST_P(RecorderErase, LeavesTheMediumBlank) {
  const MediumCase& c = GetParam();
  Load(c.profile, ",op-ms=200");
  ASSERT_TRUE(device_->Erasable());
  if (c.sequential) {
    RecordSession(c.medium);
  } else {
    ASSERT_TRUE(WritePattern(0, 64)) << device_->LastError();
  }
  const Outcome o = Erase(c.type);
  ASSERT_TRUE(o.started) << device_->LastError();
  EXPECT_EQ(o.events, 1);
  EXPECT_FALSE(o.with_error);
  EXPECT_EQ(o.progress_at_event, 100);
  EXPECT_FALSE(device_->Erasing());
  switch (c.after) {
    case After::kEmpty:
      EXPECT_EQ(device_->DiscStatus(), kDiscEmpty);
      EXPECT_EQ(device_->SessionsOnDisc(), 0);
      break;
    case After::kRestrictedOverwrite:
      // A DVD-RW is blanked, then quick-formatted for writing in place.
      EXPECT_EQ(device_->GetDiscInformation().Profile, 0x13);
      break;
    case After::kZeroStart: {
      const auto start = DiscBytes(0, 64);
      EXPECT_TRUE(std::all_of(start.begin(), start.end(), [](uint8_t b) { return b == 0; }));
      break;
    }
  }
  EXPECT_TRUE(device_->Erasable());
}

INSTANTIATE_TEST_SUITE_P(
    Rewritable, RecorderErase,
    ::testing::Values(
        MediumCase{"CdRwQuick", "cd-rw", kMediumCDRW, true, After::kEmpty, 1},
        MediumCase{"CdRwFull", "cd-rw", kMediumCDRW, true, After::kEmpty, 0},
        MediumCase{"DvdMinusRwQuick", "dvd-rw", kMediumDVDRW, true, After::kRestrictedOverwrite, 1},
        MediumCase{"DvdMinusRwFull", "dvd-rw", kMediumDVDRW, true, After::kRestrictedOverwrite, 0},
        MediumCase{"DvdMinusRwRoQuick", "dvd-rw-ro", kMediumDVDRW, false, After::kRestrictedOverwrite, 1},
        MediumCase{"DvdMinusRwRoFull", "dvd-rw-ro", kMediumDVDRW, false, After::kRestrictedOverwrite, 0},
        MediumCase{"DvdPlusRwQuick", "dvd+rw", kMediumDVDPlusRW, false, After::kZeroStart, 1},
        MediumCase{"DvdPlusRwFull", "dvd+rw", kMediumDVDPlusRW, false, After::kZeroStart, 0},
        MediumCase{"DvdRamQuick", "dvd-ram", kMediumDVDRAM, false, After::kZeroStart, 1},
        MediumCase{"DvdRamFull", "dvd-ram", kMediumDVDRAM, false, After::kZeroStart, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Recorder, QuickDvdPlusRwEraseZeroesExactlyTheFirst2080Sectors) {
  Load("dvd+rw");
  ASSERT_TRUE(WritePattern(0, 2200)) << device_->LastError();
  const Outcome o = Erase(1);
  ASSERT_TRUE(o.started);
  EXPECT_FALSE(o.with_error);
  const auto bytes = DiscBytes(0, 2200);
  const auto boundary = bytes.begin() + 2080 * 2048;
  EXPECT_TRUE(std::all_of(bytes.begin(), boundary, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(boundary, bytes.end(), [](uint8_t b) { return b == 0xA5; }));
}

TEST_F(Recorder, ProgressRisesToOneHundred) {
  // A full blank of a CD-RW that takes long enough for many polls.
  Load("cd-rw", ",op-ms=1500");
  const Outcome o = Erase(0);
  ASSERT_TRUE(o.started);
  EXPECT_FALSE(o.with_error);
  EXPECT_EQ(o.progress_at_event, 100);
  int rises = 0;
  for (size_t i = 1; i < o.progress.size(); ++i) {
    if (o.progress[i] == 0) continue;  // after the end
    EXPECT_GE(o.progress[i], o.progress[i - 1]);
    rises += o.progress[i] > o.progress[i - 1];
  }
  EXPECT_GT(rises, 1);
}

TEST_F(Recorder, RefusedBlankReportsAnError) {
  Load("cd-rw");
  Faults("fail:A1:05/24/00");
  const Outcome o = Erase(1);
  EXPECT_FALSE(o.started);
  EXPECT_EQ(o.events, 1);
  EXPECT_TRUE(o.with_error);
  EXPECT_FALSE(device_->Erasing());
}

TEST_F(Recorder, NonErasableMediaAreSaidSo) {
  for (const char* profile : {"cd-r", "dvd-r", "dvd+r"}) {
    Load(profile);
    EXPECT_FALSE(device_->Erasable()) << profile;
    fs::remove(disc_);
    fs::remove(disc_ + ".desc");
  }
}

}  // namespace
}  // namespace orlix::test
