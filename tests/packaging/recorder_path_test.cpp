#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/module_path.h"
#include "transport/recorder_path.h"

namespace fs = std::filesystem;

namespace orlix {
namespace {

class RecorderPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orlix_recorder_path_" + std::to_string(getpid()));
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  // Makes `dir`/liborlix_vrecorder.so and returns `dir` with a separator.
  std::string Put(const fs::path& dir) {
    fs::create_directories(dir);
    std::ofstream(dir / LibraryFileName("orlix_vrecorder")) << "x";
    return Dir(dir);
  }
  static std::string Dir(const fs::path& dir) { return dir.string() + "/"; }

  fs::path root_;
};

TEST_F(RecorderPathTest, InstalledLibraryTakesItsOwnFolderFirst) {
  const std::string lib = Dir(root_ / "lib");
  Put(root_ / "lib" / "orlix");
  Put(root_ / "lib");  // a stray copy beside it
  const std::string exe = Put(root_ / "app");
  EXPECT_EQ(FindVirtualRecorder(lib, exe), lib + "orlix/" + LibraryFileName("orlix_vrecorder"));
}

TEST_F(RecorderPathTest, BuildTreeFindsItBesideTheModule) {
  const std::string bin = Put(root_ / "bin");
  EXPECT_EQ(FindVirtualRecorder(bin, Dir(root_ / "elsewhere")), bin + LibraryFileName("orlix_vrecorder"));
}

TEST_F(RecorderPathTest, NoneFoundNamesThePathBesideTheProgram) {
  const std::string exe = Dir(root_ / "app");
  EXPECT_EQ(FindVirtualRecorder(Dir(root_ / "lib"), exe), exe + LibraryFileName("orlix_vrecorder"));
}

// A module folder that cannot be told must not turn the search into paths
// relative to the working directory, where anyone could have put a library.
TEST_F(RecorderPathTest, UnknownModuleFolderNeverSearchesTheWorkingDirectory) {
  Put(root_ / "orlix");
  Put(root_);
  const fs::path before = fs::current_path();
  fs::current_path(root_);
  const std::string exe = Dir(root_ / "app");
  const std::string found = FindVirtualRecorder("", exe);
  fs::current_path(before);
  EXPECT_EQ(found, exe + LibraryFileName("orlix_vrecorder"));
}

TEST(ModuleDir, StaticProgramIsItsOwnModule) {
  EXPECT_EQ(ModuleDir(reinterpret_cast<const void*>(&FindVirtualRecorder)), ExecutableDir());
}

TEST(ModuleDir, SharedLibraryIsNamedByItsRealFolder) {
  // A symbol of the C library: its folder, not the program's.
  const std::string dir = ModuleDir(reinterpret_cast<const void*>(&dlopen));
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_EQ(dir.back(), '/');
  EXPECT_NE(dir, ExecutableDir());
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_EQ(fs::canonical(dir).string() + "/", dir);
}

}  // namespace
}  // namespace orlix
