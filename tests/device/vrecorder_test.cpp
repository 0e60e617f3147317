// The virtual recorder loaded the way an installed ASPI manager is, found by
// the scan and driven through the command builders and the erase thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#include "device/device_state.h"
#include "messages/messages.h"
#include "tests/device/fake_layer.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

const std::string kRecorder = std::string(ORLIX_BIN_DIR) + "/" + LibraryFileName("orlix_vrecorder");

class Recorder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kRecorder)) GTEST_SKIP() << kRecorder << " is not built";
    PassThrough.open = [](int) { return kNoDriveHandle; };  // the machine's drives stay out
    SetSleepSpeedup(1000);
    ASSERT_TRUE(device_.InitializeASPI(false, kRecorder));
  }
  void TearDown() override {
    _DeInitializeASPI();
    PassThrough = SystemPassThrough();
    SetSleepSpeedup(1);
    MediumIs = 0;
    Forget();
  }
  void Forget() { fs::remove(disc_), fs::remove(disc_.string() + ".desc"); }

  // Loads a new disc (none for "") with the faults given, and selects the drive.
  void Load(const std::string& config, const std::string& faults = "") {
    Forget();
    auto configure = reinterpret_cast<OrlixVRecorderConfigureFn>(
        SharedLibrarySymbol(ASPILibHandle, "OrlixVRecorderConfigure"));
    ASSERT_EQ(configure(config.empty() ? "" : (disc_.string() + "," + config).c_str()), 0);
    Faults(faults);
    device_.SetDeviceID("0:0:0");
  }
  void Faults(const std::string& faults) {
    auto set = reinterpret_cast<OrlixVRecorderSetFaultsFn>(
        SharedLibrarySymbol(ASPILibHandle, "OrlixVRecorderSetFaults"));
    ASSERT_EQ(set(faults.c_str()), 0);
  }
  bool WritePattern(uint32_t blocks) {
    std::vector<uint8_t> data(32 * 2048, 0xA5);
    for (uint32_t lba = 0; lba < blocks; lba += 32)
      if (!device_.Write10(lba, 32, data.data(), 32 * 2048, 0x50)) return false;
    return device_.FlushCache(30000, false);
  }
  // The disc file's first blocks; a file cut short reads as zeros.
  std::vector<uint8_t> DiscBytes(uint32_t blocks) {
    std::vector<uint8_t> b(blocks * 2048, 0);
    std::ifstream(disc_, std::ios::binary).read(reinterpret_cast<char*>(b.data()), b.size());
    return b;
  }

  const fs::path disc_ = fs::temp_directory_path() / ("orlix_vrec_" + std::to_string(std::random_device{}()));
  TSCSIDevice device_{nullptr};
};

TEST_F(Recorder, ScanWritesReadsAndFaults) {
  Load("");
  EXPECT_EQ(std::tuple(ASPILibPath, ASPILayerName, device_.DeviceType()),
            std::tuple(kRecorder, LibraryFileName(kAspiManagerBaseName), 5));
  ASSERT_EQ(device_.DeviceList().Count(), 1);
  EXPECT_TRUE(std::regex_match(device_.DeviceList().Strings(0), std::regex("0:0:0,.: .{28}")));
  EXPECT_FALSE(device_.TestUnitReady(0));  // no disc
  EXPECT_EQ(device_.LastError().rfind(Text(ERR_NOTREADY) + " (MEDIUM NOT PRESENT", 0), 0u)
      << device_.LastError();

  Load("profile=dvd+rw,blocks=1000");
  ASSERT_TRUE(device_.WaitForReady(10000, 100)) << device_.LastError();
  EXPECT_EQ(device_.DiscType(), 9);
  std::vector<uint8_t> out(32 * 2048), in(32 * 2048);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(device_.Write10(32, 32, out.data(), static_cast<uint32_t>(out.size()), 0x50))
      << device_.LastError();
  ASSERT_TRUE(device_.FlushCache(30000, false));
  ASSERT_TRUE(device_.Read10(32, 32, in.data(), static_cast<uint32_t>(in.size())));
  EXPECT_EQ(in, out);

  // Each fault once, then the drive is ready again.
  for (auto [fault, error] : {std::pair{"busy:1", Text(ERR_TARGETBUSY)},
                              {"notready:1", Text(ERR_NOTREADY) + " (" + Text(ERR_AS_04_01) + ")"}}) {
    Faults(fault);
    EXPECT_FALSE(device_.TestUnitReady(0));
    EXPECT_EQ(device_.LastError(), error);
    EXPECT_TRUE(device_.TestUnitReady(0));
  }
  Faults("gone");
  EXPECT_FALSE(device_.TestUnitReady(0));
  EXPECT_EQ(device_.LastError(), Text(ERR_NODEVICE));
}

// The counts the library takes from the recorder's answers agree: used and
// free make the total, a complete disc is all used, and READ CAPACITY names
// the last block, one short of the blocks.
TEST_F(Recorder, UsedAndFreeMakeTheTotal) {
  const struct {
    const char* config;
    uint32_t written;  // blocks written from 0 (and flushed) first
    uint32_t used, free, total;
  } cases[] = {
      {"profile=dvd-ram", 0, 0, 2236704, 2236704},
      {"profile=dvd-ram", 64, 64, 2236640, 2236704},
      {"profile=dvd+rw", 0, 0, 2295104, 2295104},
      {"profile=dvd+rw", 64, 2295104, 0, 2295104},  // formatted by its first write
      {"profile=dvd-rom,blocks=5000", 0, 5000, 0, 5000},
      {"profile=cd-rom,blocks=384", 0, 384, 0, 384},
      {"profile=cd-r", 0, 0, 359849, 359849},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.config) + ", " + std::to_string(c.written) + " written");
    Load(c.config);
    if (c.written > 0) {
      ASSERT_TRUE(WritePattern(c.written)) << device_.LastError();
    }
    MediumIs = device_.DiscType();
    EXPECT_EQ(device_.UsedBlocksOnDisc(), c.used);
    EXPECT_EQ(device_.FreeBlocksOnDisc(), c.free);
    EXPECT_EQ(device_.TotalBlocksOnDisc(), c.total);
    uint32_t last = 0, block_length = 0;
    if (c.used > 0 && device_.DiscStatus() == kDiscComplete) {
      ASSERT_TRUE(device_.ReadCapacity(last, block_length));
      EXPECT_EQ(last, c.used - 1);
    }
  }
  // A CD-R with one closed session: the next session's track starts after
  // the lead-out and lead-in, and the ATIP's lead-out ends the disc.
  Load("profile=cd-r");
  ASSERT_TRUE(device_.SetWriteParams(false, false, false, device_.DiscType()));
  ASSERT_TRUE(WritePattern(64));
  ASSERT_TRUE(device_.CloseTrack(true, false, false) && device_.CloseTrack(false, false, false));
  MediumIs = device_.DiscType();
  const uint32_t used = device_.UsedBlocksOnDisc(), free = device_.FreeBlocksOnDisc();
  EXPECT_EQ(used, 64u + 11400u);
  EXPECT_EQ(used + free, device_.TotalBlocksOnDisc());
}

TEST_F(Recorder, QuickDvdPlusRwEraseZeroesExactlySectors0To2079AndARefusedBlankFails) {
  Load("profile=dvd+rw");
  ASSERT_TRUE(WritePattern(2208)) << device_.LastError();
  ASSERT_FALSE(RunErase(device_, 1).with_error);
  const auto bytes = DiscBytes(2208);
  const auto boundary = bytes.begin() + 2080 * 2048;
  EXPECT_TRUE(std::all_of(bytes.begin(), boundary, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(boundary, bytes.end(), [](uint8_t b) { return b == 0xA5; }));

  Load("profile=cd-rw", "fail:A1:5/24/0");
  const EraseOutcome o = RunErase(device_, 1);
  EXPECT_EQ(std::tuple(o.started, o.events, o.with_error), std::tuple(false, 1, true));
}

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
  const bool session = c.after == After::kEmpty || std::string(c.profile) == "dvd-rw";
  if (session) {
    ASSERT_TRUE(device_.SetWriteParams(false, false, false, device_.DiscType()));
  }
  ASSERT_TRUE(WritePattern(64)) << device_.LastError();
  if (session) {  // one closed session
    ASSERT_TRUE(device_.CloseTrack(true, false, false) && device_.CloseTrack(false, false, false));
    ASSERT_TRUE(device_.WaitForReady(10000, 500) && device_.DiscStatus() == kDiscIncomplete);
  }
  const EraseOutcome o = RunErase(device_, c.type);
  ASSERT_EQ(std::tuple(o.started, o.events, o.with_error, o.progress_at_event),
            std::tuple(true, 1, false, 100))
      << device_.LastError();
  // The estimate never falls before the end; a quick blank shows it rising
  // while the drive works.
  const auto end = std::find(std::find_if(o.progress.begin(), o.progress.end(), [](int p) { return p > 0; }),
                             o.progress.end(), 0);
  EXPECT_TRUE(std::is_sorted(o.progress.begin(), end));
  EXPECT_TRUE(c.type != 1 || c.after == After::kZeroStart ||
              std::any_of(o.progress.begin(), o.progress.end(), [](int p) { return p > 0 && p < 100; }));
  if (c.after == After::kEmpty) {
    EXPECT_EQ(std::tuple(device_.DiscStatus(), device_.SessionsOnDisc()), std::tuple(kDiscEmpty, 0));
  } else if (c.after == After::kRestrictedOverwrite) {
    EXPECT_EQ(device_.GetDiscInformation().Profile, 0x13);  // blanked, then quick-formatted
  } else {
    uint32_t blocks = 0, block_length = 0;
    ASSERT_TRUE(device_.GetFormatCapacity(blocks, block_length));
    EXPECT_EQ(blocks, c.profile == std::string("dvd-ram") ? 2236704u : blocks);
    const auto start = DiscBytes(64);
    EXPECT_TRUE(std::all_of(start.begin(), start.end(), [](uint8_t b) { return b == 0; }));
  }
}

const MediumCase kMedia[] = {
    {"CdRwQuick", "cd-rw", 1, After::kEmpty},
    {"CdRwFull", "cd-rw", 0, After::kEmpty},
    {"DvdRwQuick", "dvd-rw", 1, After::kRestrictedOverwrite},
    {"DvdRwFull", "dvd-rw", 0, After::kRestrictedOverwrite},
    {"DvdRwRoQuick", "dvd-rw-ro", 1, After::kRestrictedOverwrite},
    {"DvdPlusRwFull", "dvd+rw", 0, After::kZeroStart},
    {"DvdRamQuick", "dvd-ram", 1, After::kZeroStart},
    {"DvdRamFull", "dvd-ram", 0, After::kZeroStart},
};
INSTANTIATE_TEST_SUITE_P(Rewritable, RecorderErase, ::testing::ValuesIn(kMedia),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orlix::test
