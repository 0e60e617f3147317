// Recording tests: a burner on the virtual recorder, recordings run to their
// end with the main thread pumping the writer's event, and the disc file
// read back.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "framework/sleep.h"
#include "framework/thread.h"
#include "platform/dynamic_library.h"
#include "tests/burner/burner_test_support.h"
#include "transport/transport_state.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::test {

using Bytes = std::vector<uint8_t>;

inline const std::string kRecorderLibrary =
    std::string(ORLIX_BIN_DIR) + "/" + LibraryFileName("orlix_vrecorder");

inline Bytes ReadFileBytes(const std::string& path, int64_t offset = 0, int64_t count = -1) {
  std::ifstream in(path, std::ios::binary);
  if (count < 0) {
    in.seekg(0, std::ios::end);
    count = static_cast<int64_t>(in.tellg()) - offset;
  }
  Bytes b(static_cast<size_t>(std::max<int64_t>(count, 0)), 0);
  in.seekg(offset);
  in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return b;  // past the end: zeros, as the sparse disc file reads
}

// The first byte offset where `got` differs from `want` (or is missing); -1
// when it holds all of `want`.
inline int64_t FirstDifference(const Bytes& got, const Bytes& want) {
  for (size_t i = 0; i < want.size(); ++i)
    if (i >= got.size() || got[i] != want[i]) return static_cast<int64_t>(i);
  return -1;
}

class RecordingTest : public BurnerTest {
 protected:
  void SetUp() override {
    BurnerTest::SetUp();
    // The writer raises debug lines on its own thread.
    burner->OnDebugMessage = [this](TComponent*, const std::string& text, uint8_t type) {
      std::lock_guard<std::mutex> guard(lines_mutex_);
      lines.push_back({text, type});
    };
    if (!std::filesystem::exists(kRecorderLibrary)) GTEST_SKIP() << kRecorderLibrary << " is not built";
    SetSleepSpeedup(1000);
    // Two preparations of one tree must give the same bytes, the dates of
    // the "." records included.
    SetNowOverride(true, EncodeDate(2026, 12, 7) + EncodeTime(12, 0, 0, 0));
    ASSERT_TRUE(burner->InitializeASPI(false, kRecorderLibrary));
  }
  void TearDown() override {
    burner.reset();  // waits for a writer still running
    if (ASPILibHandle) {
      Faults("");
      _DeInitializeASPI();
    }
    SetSleepSpeedup(1);
    SetNowOverride(false, 0);
    BurnerTest::TearDown();
  }

  template <typename Fn>
  Fn Symbol(const char* name) {
    return reinterpret_cast<Fn>(SharedLibrarySymbol(ASPILibHandle, name));
  }
  // A new disc of the profile ("dvd+r", "cd-rw"...), and the drive selected.
  void Load(const std::string& profile, const std::string& options = "") {
    disc = (temp / ("disc-" + profile)).string();
    std::filesystem::remove(disc);
    std::filesystem::remove(disc + ".desc");
    const std::string spec = disc + ",profile=" + profile + ",op-ms=0" + (options.empty() ? "" : "," + options);
    ASSERT_EQ(Symbol<OrlixVRecorderConfigureFn>("OrlixVRecorderConfigure")(spec.c_str()), 0)
        << Symbol<OrlixVRecorderLastErrorFn>("OrlixVRecorderLastError")();
    burner->SetDeviceID("0:0:0");
    burner->GetDeviceCapabilities();
  }
  void Faults(const std::string& faults) {
    ASSERT_EQ(Symbol<OrlixVRecorderSetFaultsFn>("OrlixVRecorderSetFaults")(faults.c_str()), 0);
  }
  std::string Describe() {
    char text[4096];
    Symbol<OrlixVDiscDescribeFn>("OrlixVDiscDescribe")(disc.c_str(), text, sizeof text);
    return text;
  }

  // Pumps the main thread until the writer has reported and ended.
  std::string WaitForResult() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while ((!done || burner->RecordingActive()) && std::chrono::steady_clock::now() < limit)
      CheckSynchronize(20);
    EXPECT_TRUE(done) << "no OnWriteDone within two minutes";
    return result;
  }
  void Watch() {
    done = false;
    result = "unset";
    burner->OnWriteDone = [this](TComponent*, const std::string& error) {
      done = true;
      result = error;
    };
  }
  // PrepareCD and BurnCD; the result text ("" on success).
  std::string Burn() {
    Watch();
    burner->PrepareCD();
    if (!burner->BurnCD()) return done ? result : "BurnCD refused";
    return WaitForResult();
  }
  std::string BurnImage(const std::string& image) {
    Watch();
    if (!burner->BurnISOImage(image)) return done ? result : "BurnISOImage refused";
    return WaitForResult();
  }
  // The image of the current tree, saved directly from sector 0.
  Bytes DirectImage() {
    const std::string path = (temp / "direct.iso").string();
    burner->PrepareISO();
    Watch();
    burner->SaveToISOFile(path, true);
    EXPECT_EQ(result, "") << "the direct save";
    return ReadFileBytes(path);
  }
  Bytes DiscBytes(int64_t lba, int64_t count) { return ReadFileBytes(disc, lba * 2048, count); }

  // The debug lines of one type so far.
  Strings Lines(uint8_t type) {
    std::lock_guard<std::mutex> guard(lines_mutex_);
    Strings out;
    for (const Line& l : lines)
      if (l.type == type) out.push_back(l.text);
    return out;
  }

  std::string disc;
  bool done = false;
  std::string result;

 private:
  std::mutex lines_mutex_;
};

}  // namespace orlix::test
