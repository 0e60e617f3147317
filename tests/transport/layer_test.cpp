#include <gtest/gtest.h>

#include <filesystem>

#include "tests/transport/fake_system.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

const fs::path kFakes = fs::path(ORLIX_BIN_DIR) / "fake_aspi";

// Each stand-in manager reports its id in the support information.
int LoadedId() { return ASPIDLLLoaded ? static_cast<int>(GetASPI32SupportInfo() & 0xFF) : 0; }

class LayerSelection : public ::testing::Test {
 protected:
  void TearDown() override {
    _DeInitializeASPI();
    SPTIDeInit();
    ASPIDLLLoaded = false;
    ASPILayerName.clear();
    fs::current_path(saved_cwd_);
  }

  FakeSystem os_;
  const fs::path saved_cwd_ = fs::current_path();
};

TEST_F(LayerSelection, GivenPathThenCurrentDirectoryThenSystem) {
  fs::current_path(kFakes / "cwd");
  ASSERT_TRUE(_InitializeASPI(false, (kFakes / "given" / LibraryFileName("fake_given")).string()));
  EXPECT_EQ(LoadedId(), 1);
  EXPECT_EQ(ASPILayerName, LibraryFileName("wnaspi32"));
  EXPECT_TRUE(_DeInitializeASPI());
  EXPECT_TRUE(!ASPIDLLLoaded && !ASPILibHandle && !SendASPI32Command && !GetASPI32SupportInfo);

  // An empty or missing path is skipped.
  for (const std::string& given : {std::string(), (kFakes / "absent.so").string()}) {
    ASSERT_TRUE(_InitializeASPI(false, given));
    EXPECT_EQ(std::tuple(LoadedId(), ASPILibPath), std::tuple(2, "./" + LibraryFileName("wnaspi32")));
    _DeInitializeASPI();
  }
  fs::current_path(kFakes);  // holds no manager itself
  ASSERT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(std::tuple(LoadedId(), ASPILibPath), std::tuple(3, LibraryFileName("wnaspi32")));
}

TEST_F(LayerSelection, ALibraryWithoutAnEntryPointIsNotUsed) {
  fs::current_path(kFakes / "broken");
  EXPECT_FALSE(_InitializeASPI(false, ""));
  EXPECT_TRUE(!ASPIDLLLoaded && !ASPILibHandle && !SendASPI32Command);
  EXPECT_NE(ASPILayerError.find("SendASPI32Command"), std::string::npos);

  // With a drive in the system the emulation stands in (once the table built
  // above without it is released).
  os_.Add(3, 0, 0);
  SPTIDeInit();
  EXPECT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(ASPILayerName, kEmulationLayerName);
}

TEST_F(LayerSelection, InstalledManagerWinsUnlessTheEmulationIsAskedFirst) {
  os_.Add(3, 0, 0);
  fs::current_path(kFakes / "cwd");
  ASSERT_TRUE(_InitializeASPI(false, ""));
  EXPECT_EQ(LoadedId(), 2);
  _DeInitializeASPI();

  ASSERT_TRUE(_InitializeASPI(true, ""));
  EXPECT_EQ(std::tuple(ASPILayerName, ASPILibHandle, GetASPI32SupportInfo()),
            std::tuple(kEmulationLayerName, nullptr, 0x0101u));
  EXPECT_TRUE(_DeInitializeASPI() && ASPIDLLLoaded);  // the emulation keeps running

  // Re-initialising probes the drives again.
  os_.Add(4, 0, 1);
  EXPECT_TRUE(_ReInitializeASPI());
  EXPECT_EQ(std::tuple(ASPILayerName, ScsiDrives.drive[4].used), std::tuple(kEmulationLayerName, 1));
}

}  // namespace
}  // namespace orlix::test
