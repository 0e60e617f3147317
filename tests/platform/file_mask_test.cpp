#include "platform/file_mask.h"

#include <gtest/gtest.h>

#include "platform/file_search.h"

namespace orlix {
namespace {

struct MaskCase {
  const char* name;
  const char* mask;
  bool matches;
};

TEST(FileMask, WindowsRules) {
  const MaskCase cases[] = {
      // "*.*" and "*" take every name, with or without a dot.
      {"README", "*.*", true},
      {"a.b.c", "*.*", true},
      {".profile", "*.*", true},
      {"README", "*", true},
      // Case does not matter.
      {"Photo.JPG", "*.jpg", true},
      {"photo.jpeg", "*.jpg", false},
      {"README", "*.txt", false},
      {"archive.tar.gz", "*.gz", true},
      {"archive.tar.gz", "*.tar", false},
      {"archive.tar.gz", "*.tar.*", true},
      // "*." means: no extension.
      {"README", "*.", true},
      {"read.me", "*.", false},
      // '?' is one character, or none before a dot or at the end.
      {"ab.txt", "???.txt", true},
      {"abcd.txt", "???.txt", false},
      {"a", "a?", true},
      {"ab", "a?", true},
      {"abc", "a?", false},
      {"a.txt", "a?.txt", true},
      {"a", "a.*", true},  // ".*" after a name also takes the name without a dot
      {"ab", "a.*", false},
      {"a.b", "a.*", true},
      {"abc", "a*c", true},
      {"abd", "a*c", false},
      {"data1.bin", "DATA?.BIN", true},
      {"x", "", false},
      // Characters beyond ASCII count as one each.
      {"\xC3\xA9t\xC3\xA9.txt", "???.txt", true},
      {"\xC3\xA9t\xC3\xA9.txt", "\xC3\xA9*", true},
  };
  for (const MaskCase& c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " vs " << c.mask;
}

TEST(FileMask, WildcardsAreKnownAndBadUtf8IsHarmless) {
  EXPECT_FALSE(TFileMask("a.txt").HasWildcards());
  EXPECT_TRUE(TFileMask("a?.txt").HasWildcards());
  EXPECT_TRUE(MatchesMask("\xFF\xFE.bin", "*.bin"));
  EXPECT_TRUE(MatchesMask("\xFF\xFE.bin", "??.bin"));
  EXPECT_EQ(DecodeUtf8("\xC3\xA9").size(), 1u);
  EXPECT_EQ(DecodeUtf8("\xC0\x80").size(), 2u);  // overlong form: two bad bytes
}

}  // namespace
}  // namespace orlix
