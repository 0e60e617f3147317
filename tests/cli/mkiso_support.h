// Running `orlix mkiso` and the peer tools on generated trees.
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

inline void WriteFile(const fs::path& p, const std::string& data) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << data;
}

// Bytes that differ from file to file and within a file.
inline std::string Pattern(size_t size, unsigned seed) {
  std::string data(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    data[i] = static_cast<char>(x >> 24);
  }
  return data;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class MkisoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("orlix_mkiso_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& p : fs::recursive_directory_iterator(dir, ec))
      fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }

  // Runs a shell command line; stdout and stderr are captured.
  Outcome Shell(const std::string& command) {
    const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
    const int raw = std::system((command + " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null").c_str());
    return {(raw >> 8) & 0xFF, ReadAll(out), ReadAll(err)};
  }

  Outcome Mkiso(const std::string& args) {
    return Shell(Quote(std::string(ORLIX_BIN_DIR) + "/orlix") + " mkiso " + args);
  }

  fs::path dir;
};

}  // namespace orlix::test
