#include "platform/short_names.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

namespace orlix {
namespace {

TEST(ShortNames, ValidNamesNeedNone) {
  for (const char* name :
       {"README", "README.TXT", "readme.txt", "ReadMe.Md", "A", "12345678.123", "X_Y-Z~1.$$$", "NOEXT."})
    EXPECT_TRUE(IsValidShortName(name)) << name;
  for (const char* name : {"", ".", "..", ".profile", "123456789", "a.html", "a.b.c", "a b.txt", "a+b.txt",
                           "caf\xC3\xA9.txt", "name[1].txt"})
    EXPECT_FALSE(IsValidShortName(name)) << name;
  TShortNameGenerator g;
  for (const char* name : {"readme.txt", ".", ".."}) EXPECT_EQ(g.Generate(name), "") << name;
}

TEST(ShortNames, ShapesOfGeneratedNames) {
  TShortNameGenerator g;
  EXPECT_EQ(g.Generate("Long File Name.html"), "LONGFI~1.HTM");
  EXPECT_EQ(g.Generate("a b.txt"), "AB~1.TXT");
  EXPECT_EQ(g.Generate("archive.tar.gz"), "ARCHIV~1.GZ");
  EXPECT_EQ(g.Generate(".bashrc"), "BASHRC~1");
  EXPECT_EQ(g.Generate("verylongname"), "VERYLO~1");
  EXPECT_EQ(g.Generate("x+y=z;[1].dat"), "X_Y_Z_~1.DAT");
  EXPECT_EQ(g.Generate("caf\xC3\xA9 au lait.txt"), "CAF_AU~1.TXT");
  EXPECT_EQ(g.Generate("   .txt"), "_~1.TXT");
  EXPECT_EQ(g.Generate("name.extension"), "NAME~1.EXT");
}

TEST(ShortNames, NumbersCountUpAndShortenTheBase) {
  TShortNameGenerator g;
  for (int i = 1; i <= 9; ++i)
    EXPECT_EQ(g.Generate("document " + std::to_string(i) + ".txt"), "DOCUME~" + std::to_string(i) + ".TXT");
  EXPECT_EQ(g.Generate("document 10.txt"), "DOCUM~10.TXT");
  // Another extension has its own numbers.
  EXPECT_EQ(g.Generate("document 1.html"), "DOCUME~1.HTM");
  for (int i = 11; i <= 99; ++i) g.Generate("document " + std::to_string(i) + ".txt");
  EXPECT_EQ(g.Generate("document 100.txt"), "DOCU~100.TXT");
}

TEST(ShortNames, ExistingShortNamesAreNeverReused) {
  TShortNameGenerator g;
  g.Reserve("LONGFI~1.TXT");
  g.Reserve("longfi~3.txt");
  g.Reserve("not a short name.txt");  // ignored
  EXPECT_EQ(g.Generate("longfilename one.txt"), "LONGFI~2.TXT");
  EXPECT_EQ(g.Generate("longfilename two.txt"), "LONGFI~4.TXT");
  EXPECT_EQ(g.Generate("not a short name.txt"), "NOTASH~1.TXT");
}

TEST(ShortNames, SixtyFiveThousandNamesOnOnePrefixStayUnique) {
  TShortNameGenerator g;
  std::unordered_set<std::string> seen;
  for (int i = 0; i < 65000; ++i) {
    std::string s = g.Generate("file number " + std::to_string(i) + ".data");
    ASSERT_LE(s.size(), 12u);
    ASSERT_TRUE(seen.insert(s).second) << s;
  }
  // 9 + 90 + 900 + 9000 names fill one to four digits; the rest take five.
  EXPECT_EQ(seen.count("FIL~9999.DAT"), 1u);
  EXPECT_EQ(seen.count("FI~65000.DAT"), 1u);
}

}  // namespace
}  // namespace orlix
