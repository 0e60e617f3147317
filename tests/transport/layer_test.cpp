#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dynamic_library.h"
#include "tests/transport/fake_system.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

const fs::path kFakes = fs::path(ORLIX_BIN_DIR) / "fake_aspi";

// Which stand-in manager answers: its id is the adapter count it reports.
int LoadedId() { return ASPIDLLLoaded ? static_cast<int>(GetASPI32SupportInfo() & 0xFF) : 0; }

class LayerSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_cwd_ = fs::current_path();
    empty_dir_ = fs::temp_directory_path() /
                 ("orlix_layer_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(empty_dir_);
  }
  void TearDown() override {
    if (ASPILayerName == kEmulationLayerName) ASPIDLLLoaded = false;
    _DeInitializeASPI();
    SPTIDeInit();
    ASPIDLLLoaded = false;
    ASPILayerName.clear();
    fs::current_path(saved_cwd_);
    fs::remove_all(empty_dir_);
  }
  void EnterDir(const fs::path& dir) { fs::current_path(dir); }

  FakeSystem os_;
  fs::path saved_cwd_, empty_dir_;
};

TEST_F(LayerSelection, SearchOrderIsGivenPathThenCurrentDirectoryThenSystem) {
  EnterDir(kFakes / "cwd");
  ASSERT_TRUE(_InitializeASPI(false, (kFakes / "given" / LibraryFileName("fake_given")).string()));
  EXPECT_EQ(LoadedId(), 1);
  EXPECT_EQ(ASPILayerName, LibraryFileName("wnaspi32"));
  EXPECT_NE(ASPILibHandle, nullptr);
  EXPECT_TRUE(_DeInitializeASPI());
  EXPECT_FALSE(ASPIDLLLoaded);
  EXPECT_EQ(ASPILibHandle, nullptr);
  EXPECT_EQ(SendASPI32Command, nullptr);

  // An empty path is skipped: the copy in the current directory comes first.
  ASSERT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(LoadedId(), 2);
  EXPECT_EQ(ASPILibPath, "./" + LibraryFileName("wnaspi32"));
  _DeInitializeASPI();

  EnterDir(empty_dir_);
  ASSERT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(LoadedId(), 3);
  EXPECT_EQ(ASPILibPath, LibraryFileName("wnaspi32"));
}

TEST_F(LayerSelection, AMissingGivenLibraryFallsThrough) {
  EnterDir(kFakes / "cwd");
  ASSERT_TRUE(_InitializeASPI(false, (empty_dir_ / "absent.so").string()));
  EXPECT_EQ(LoadedId(), 2);
}

TEST_F(LayerSelection, ALibraryWithoutAnEntryPointIsNotUsed) {
  EnterDir(kFakes / "broken");
  EXPECT_FALSE(_InitializeASPI(false, ""));
  EXPECT_FALSE(ASPIDLLLoaded);
  EXPECT_EQ(ASPILibHandle, nullptr);
  EXPECT_EQ(SendASPI32Command, nullptr);
  EXPECT_NE(ASPILayerError.find("SendASPI32Command"), std::string::npos);

  // With a drive in the system the emulation stands in. (The table built
  // above stays until it is released: it is not probed twice.)
  os_.Add(3, 0, 0);
  EXPECT_FALSE(_InitializeASPI(false, ""));
  SPTIDeInit();
  EXPECT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(ASPILayerName, kEmulationLayerName);
}

TEST_F(LayerSelection, InstalledManagerWinsUnlessTheEmulationIsAskedFirst) {
  os_.Add(3, 0, 0);
  EnterDir(kFakes / "cwd");
  ASSERT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(LoadedId(), 2);
  EXPECT_FALSE(TryInternalASPIFirst);
  _DeInitializeASPI();

  ASSERT_TRUE(_InitializeASPI(true, ""));
  EXPECT_EQ(ASPILayerName, kEmulationLayerName);
  EXPECT_EQ(ASPILibHandle, nullptr);
  EXPECT_TRUE(TryInternalASPIFirst);
  EXPECT_EQ(GetASPI32SupportInfo(), 0x0101u);

  // Unloading the library leaves the emulation running.
  EXPECT_TRUE(_DeInitializeASPI());
  EXPECT_TRUE(ASPIDLLLoaded);

  // Re-initialising probes the drives again from scratch.
  size_t probes = os_.sent.size();
  os_.Add(4, 0, 1);
  EXPECT_TRUE(_ReInitializeASPI());
  EXPECT_EQ(ASPILayerName, kEmulationLayerName);
  EXPECT_EQ(os_.sent.size(), probes + 2);
  EXPECT_EQ(ScsiDrives.drive[4].used, 1);
}

}  // namespace
}  // namespace orlix::test
