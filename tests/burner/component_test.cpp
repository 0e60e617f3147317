// The component itself: defaults, clamped settings, registration, counters
// and the time-zone figures taken when the tree is cleared.
#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "burner/cd_reader.h"
#include "framework/component.h"
#include "framework/exceptions.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using ComponentTest = BurnerTest;

TEST_F(ComponentTest, FreshComponentHasItsDefaults) {
  EXPECT_EQ(burner->Version(), "1.20.RC8");
  EXPECT_EQ(burner->CacheSize(), 4194304);
  EXPECT_TRUE(burner->JolietFileSystem());
  EXPECT_TRUE(burner->FinalizeTrack());
  EXPECT_TRUE(burner->WritePostGap());
  EXPECT_TRUE(burner->UnderrunProtection());
  EXPECT_FALSE(burner->ReplaceFile());
  EXPECT_FALSE(burner->TestWrite());
  EXPECT_FALSE(burner->PerformOPC());
  EXPECT_FALSE(burner->FinalizeDisc());
  EXPECT_FALSE(burner->DoDebug());
  EXPECT_FALSE(burner->LastDirOnly());
  EXPECT_EQ(burner->GetDirsCount(), 0);
  EXPECT_EQ(burner->GetFilesCount(), 0);

  PDEntry root = burner->Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Dirs[0], root);
  EXPECT_EQ(root->Path, "\\");
  EXPECT_EQ(root->Name, "CD_ROOT");
  EXPECT_EQ(root->LongName, "CD Root Directory");
  EXPECT_EQ(root->Level, 1);
  EXPECT_EQ(root->Parent, root);
  EXPECT_EQ(MaxFiles, 65535);
  EXPECT_EQ(MaxDirs, 8191);
}

TEST_F(ComponentTest, CacheSizeIsClampedAndVersionIgnoresWrites) {
  for (auto [given, kept] : {std::pair{1, 2097152},
                             {100, 2097152},
                             {2099199, 2097152},
                             {2099200, 2099200},
                             {3000000, 2998272},
                             {4194304, 4194304},
                             {-5, 2097152}}) {
    burner->SetBufferSize(given);
    EXPECT_EQ(burner->CacheSize(), kept) << given;
  }
  burner->SetOrlixVersion("2.0");
  EXPECT_EQ(burner->Version(), "1.20.RC8");
}

TEST_F(ComponentTest, ImageSizeIsPaddedToThePostGap) {
  burner->SetImageSectors(12);
  EXPECT_EQ(burner->GetImageSize(), 300);
  burner->SetWritePostGap(false);
  EXPECT_EQ(burner->GetImageSize(), 12);
  burner->SetWritePostGap(true);
  burner->SetImageSectors(301);
  EXPECT_EQ(burner->GetImageSize(), 301);
  burner->SetImageSectors(-1);  // a signed comparison
  EXPECT_EQ(burner->GetImageSize(), 300);
}

TEST_F(ComponentTest, CountsAndDeviceList) {
  ASSERT_NE(burner->MakeDir("\\docs"), nullptr);
  char data[4] = "abc";
  ASSERT_EQ(burner->InsertMemoryFile("\\docs", "a.txt", "", 0x20, data, 3), 1);
  EXPECT_EQ(burner->GetDirsCount(), 1);
  EXPECT_EQ(burner->GetFilesCount(), 2);  // the directory's entry and the file
  EXPECT_EQ(burner->DevicesFound(), 0);
  EXPECT_THROW(burner->GetDevice(0), EListError);
}

TEST_F(ComponentTest, BothComponentsRegisterOnThePalettePage) {
  RegisterBurner();
  RegisterCDReader();
  auto classes = PaletteComponents("Orlix CD Burner");
  EXPECT_NE(std::find(classes.begin(), classes.end(), "TOrlixBurner"), classes.end());
  EXPECT_NE(std::find(classes.begin(), classes.end(), "TCDReader"), classes.end());
  TCDReader reader(nullptr);
  reader.MakeISOImage();
}

class TimeZoneTest : public BurnerTest {
 protected:
  void TearDown() override {
    SetNowOverride(false);
    if (saved_) {
      setenv("TZ", saved_value_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
    BurnerTest::TearDown();
  }
  int16_t DiffAt(const char* tz, uint16_t month) {
    if (!saved_) {
      const char* old = std::getenv("TZ");
      saved_ = true;
      saved_value_ = old ? old : "";
    }
    setenv("TZ", tz, 1);
    tzset();
    SetNowOverride(true, EncodeDateTime(2004, month, 15, 12, 0, 0));
    burner->ClearAll(65535, 8191);
    return TimeZoneDiff;
  }
  bool saved_ = false;
  std::string saved_value_;
};

TEST_F(TimeZoneTest, DiffCountsQuarterHoursEastOfGmt) {
  EXPECT_EQ(DiffAt("CET-1CEST,M3.5.0,M10.5.0/3", 1), 4);
  EXPECT_EQ(DiffAt("CET-1CEST,M3.5.0,M10.5.0/3", 7), 8);
  EXPECT_EQ(DiffAt("EST5EDT,M3.2.0,M11.1.0", 1), -20);
  EXPECT_EQ(DiffAt("EST5EDT,M3.2.0,M11.1.0", 7), -16);
  EXPECT_EQ(DiffAt("IST-5:30", 7), 22);
  EXPECT_EQ(TimeZoneInformation.Bias, -330);
}

}  // namespace
}  // namespace orlix::test
