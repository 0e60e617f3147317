// Running the built `orlix` and the peer tools from the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orlix::test {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out, err;
};

inline std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// `text` holds `part`; a failure shows the whole text.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// Bytes that differ from file to file and within a file.
inline std::string Pattern(size_t size, unsigned seed) {
  std::string data(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : data) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  return data;
}

// Runs a shell command line; stdout and stderr are captured.
inline Outcome Shell(const std::string& command, const fs::path& scratch) {
  const fs::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
  const int raw = std::system((command + " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null").c_str());
  return {(raw >> 8) & 0xFF, ReadAll(out), ReadAll(err)};
}

// The virtual recorder on `file`, quoted for the shell: "virtual:FILE,profile=
// P,op-ms=0EXTRA" (closing, blanking and formatting take no time). Only
// `vdisc create` makes a disc, so a missing one is made here first: blank
// (of blocks=N in `extra`), or pressed with the content of its image=PATH.
inline std::string VirtualDrive(const fs::path& file, const std::string& profile, const std::string& extra = "") {
  if (!fs::exists(file.string() + ".desc")) {
    std::string create = Quote(ORLIX_BIN_DIR "/orlix") + " vdisc create " + Quote(file.string()) + " --profile " +
                         Quote(profile);
    for (const std::string key : {"image", "blocks"})
      if (const size_t at = extra.find("," + key + "="); at != std::string::npos) {
        const size_t from = at + key.size() + 2, end = extra.find(',', from);
        create += " --" + key + " " + Quote(extra.substr(from, end == std::string::npos ? end : end - from));
      }
    EXPECT_EQ(std::system((create + " >/dev/null").c_str()), 0) << create;
  }
  return Quote("virtual:" + file.string() + ",profile=" + profile + ",op-ms=0" + extra);
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("orlix_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    // Whatever a test made unreadable must be opened again to go.
    for (auto& p : fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec))
      fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }

  Outcome Shell(const std::string& command) { return test::Shell(command, dir); }
  Outcome Orlix(const std::string& args) { return Shell(Quote(ORLIX_BIN_DIR "/orlix") + " " + args); }
  // Writes a file under the test's folder; returns its path.
  std::string Write(const std::string& relative, const std::string& data = "x") {
    const fs::path p = dir / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << data;
    return p.string();
  }
  std::string Path(const std::string& relative) const { return Quote((dir / relative).string()); }

  fs::path dir;
};

}  // namespace orlix::test
