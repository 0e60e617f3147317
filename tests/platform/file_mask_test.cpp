#include "platform/file_mask.h"

#include <gtest/gtest.h>

#include "platform/file_search.h"

namespace orlix {
namespace {

TEST(FileMask, WindowsRules) {
  // "*.*" and "*" take every name, with or without a dot; "*." means no
  // extension; '?' is one character, or none before a dot or at the end;
  // ".*" after a name also takes the name without a dot; a character beyond
  // ASCII, or a stray byte, counts as one.
  // clang-format off
  const char* const matching[][2] = {
      {"README", "*.*"}, {"a.b.c", "*.*"}, {".profile", "*.*"}, {"README", "*"}, {"Photo.JPG", "*.jpg"},
      {"archive.tar.gz", "*.gz"}, {"archive.tar.gz", "*.tar.*"}, {"README", "*."}, {"ab.txt", "???.txt"},
      {"a", "a?"}, {"ab", "a?"}, {"abc", "a*c"}, {"a.txt", "a?.txt"}, {"data1.bin", "DATA?.BIN"},
      {"a", "a.*"}, {"a.b", "a.*"}, {"\xC3\xA9t\xC3\xA9.txt", "???.txt"},
      {"\xC3\xA9t\xC3\xA9.txt", "\xC3\xA9*"}, {"\xFF\xFE.bin", "??.bin"}};
  const char* const other[][2] = {
      {"photo.jpeg", "*.jpg"}, {"README", "*.txt"}, {"archive.tar.gz", "*.tar"}, {"read.me", "*."},
      {"abcd.txt", "???.txt"}, {"abc", "a?"}, {"abd", "a*c"}, {"x", ""}, {"ab", "a.*"}};
  // clang-format on
  for (auto& c : matching) EXPECT_TRUE(MatchesMask(c[0], c[1])) << c[0] << " vs " << c[1];
  for (auto& c : other) EXPECT_FALSE(MatchesMask(c[0], c[1])) << c[0] << " vs " << c[1];
  EXPECT_FALSE(TFileMask("a.txt").HasWildcards());
  EXPECT_TRUE(TFileMask("a?.txt").HasWildcards());
  EXPECT_EQ(DecodeUtf8("\xC0\x80").size(), 2u);  // overlong form: two bad bytes
}

}  // namespace
}  // namespace orlix
