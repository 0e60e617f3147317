// Defaults, clamped settings, and the time zone taken when the tree is cleared.
#include <cstdlib>
#include <ctime>

#include "framework/exceptions.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using ComponentTest = BurnerTest;

TEST_F(ComponentTest, DefaultsClampsAndImageSize) {
  burner->SetOrlixVersion("2.0");
  EXPECT_EQ(burner->Version(), "1.20.RC8");
  EXPECT_EQ(burner->Root()->Path + burner->Root()->Name + burner->Root()->LongName,
            "\\CD_ROOTCD Root Directory");
  EXPECT_EQ(std::pair(MaxFiles, MaxDirs), std::pair(65535, 8191));
  EXPECT_THROW(burner->GetDevice(0), EListError);  // no devices
  ASSERT_EQ(Mem("\\", "a.txt"), 1);
  ASSERT_NE(burner->MakeDir("\\docs"), nullptr);
  EXPECT_EQ(std::pair(burner->GetDirsCount(), burner->GetFilesCount()),
            std::pair(1, 2));  // with the folder's entry

  EXPECT_EQ(burner->CacheSize(), 4194304);
  for (auto [given, kept] :
       {std::pair{1, 2097152}, {-5, 2097152}, {2099199, 2097152}, {2099200, 2099200}, {3000000, 2998272}}) {
    burner->SetBufferSize(given);
    EXPECT_EQ(burner->CacheSize(), kept) << given;
  }
  // Short images are padded to the post-gap's 300 sectors.
  for (auto [sectors, post_gap, size] :
       {std::tuple{12, true, 300}, {12, false, 12}, {301, true, 301}, {-1, true, 300}}) {
    burner->SetWritePostGap(post_gap);
    burner->SetImageSectors(sectors);
    EXPECT_EQ(burner->GetImageSize(), size) << sectors;
  }
}

// Quarter hours east of Greenwich, summer time included.
TEST_F(ComponentTest, TimeZoneDiff) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows takes the zone from the system, not from TZ";
#else
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  SetNowOverride(true, EncodeDateTime(2004, 7, 15, 12, 0, 0));
  for (auto [tz, diff] :
       {std::pair{"CET-1CEST,M3.5.0,M10.5.0/3", 8}, {"EST5EDT,M3.2.0,M11.1.0", -16}, {"IST-5:30", 22}}) {
    setenv("TZ", tz, 1);
    tzset();
    burner->ClearAll(65535, 8191);
    EXPECT_EQ(TimeZoneDiff, diff) << tz;
  }
  SetNowOverride(false);
  old ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
#endif
}

}  // namespace
}  // namespace orlix::test
