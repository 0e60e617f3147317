// orlix devices and orlix drive end to end on the virtual recorder.
#include <gtest/gtest.h>

#include <regex>

#include "tests/cli/mkiso_support.h"

namespace orlix::test {
namespace {

class DevicesCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orlix_devices_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome Orlix(const std::string& args) {
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    const std::string command = Quote(std::string(ORLIX_BIN_DIR) + "/orlix") + " " + args + " >" +
                                Quote(out) + " 2>" + Quote(err) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {(raw >> 8) & 0xFF, ReadAll(out), ReadAll(err)};
  }
  std::string Virtual(const std::string& options = "") {
    return Quote("virtual:" + (dir_ / "disc.img").string() + options);
  }

  fs::path dir_;
};

TEST_F(DevicesCli, ListsAndShowsTheVirtualDrive) {
  Outcome list = Orlix("devices -d " + Virtual(",profile=dvd+rw"));
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_TRUE(std::regex_match(list.out, std::regex("layer: \\S+\n0:0:0,.: .{28}\n"))) << list.out;

  Outcome drive = Orlix("drive -v --log-commands -d " + Virtual());
  ASSERT_EQ(drive.status, 0) << drive.err;
  EXPECT_NE(drive.out.find("address: 0:0:0\n"), std::string::npos) << drive.out;
  EXPECT_TRUE(std::regex_search(drive.out, std::regex("\nname: .{30}\n"))) << drive.out;
  EXPECT_NE(drive.out.find("type: 5 (CD/DVD)\n"), std::string::npos);
  EXPECT_NE(drive.out.find("poll ready: no\n"), std::string::npos);
  // Every command logged on stderr, with its time.
  EXPECT_TRUE(std::regex_search(drive.err, std::regex("<<< \\d\\d:\\d\\d:\\d\\d\\d INQUIRY"))) << drive.err;
}

TEST_F(DevicesCli, BadDrivesAreRefused) {
  Outcome syntax = Orlix("drive -d x:0:0");
  EXPECT_EQ(syntax.status, 1);
  EXPECT_NE(syntax.err.find("orlix: "), std::string::npos);
  Outcome profile = Orlix("devices -d " + Virtual(",profile=floppy"));
  EXPECT_EQ(profile.status, 1);
  EXPECT_NE(profile.err.find("virtual recorder"), std::string::npos) << profile.err;
}

}  // namespace
}  // namespace orlix::test
