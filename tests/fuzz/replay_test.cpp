// Every seed of the import fuzz target and every input that once failed it,
// run again: a mend that regresses shows here without a fuzzing run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/import_harness.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(const std::string& folder) {
  std::vector<fs::path> inputs;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(ORLIX_SOURCE_DIR) / folder, ec))
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') inputs.push_back(e.path());
  return inputs;
}

TEST(ImportFuzzInputs, SeedsAndPastFailuresRunClean) {
  const std::vector<fs::path> seeds = Inputs("fuzz/corpus/import"), failures = Inputs("fuzz/regressions/import");
  ASSERT_FALSE(seeds.empty()) << "no seeds in fuzz/corpus/import";
  for (const std::vector<fs::path>* set : {&seeds, &failures})
    for (const fs::path& p : *set) {
      SCOPED_TRACE(p.string());
      std::ifstream in(p, std::ios::binary);
      const std::string data{std::istreambuf_iterator<char>(in), {}};
      // A fault ends the program under the sanitizers; reaching the end is the test.
      EXPECT_EQ(fuzz::RunImportInput(reinterpret_cast<const uint8_t*>(data.data()), data.size()), 0);
    }
}

}  // namespace
}  // namespace orlix::test
