#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "framework/exceptions.h"
#include "framework/memory_stream.h"
#include "framework/string_list.h"
#include "tests/platform/scratch.h"

namespace orlix {
namespace {

TEST(StringList, EditingTextAndBadIndexes) {
  TStringList list;
  list.Add("beta");
  list.Insert(0, "Alpha");
  list.Insert(2, "gamma");  // at the end is allowed
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  list.Delete(0);
  EXPECT_EQ(list.Text(), "beta\ngamma\n");
  EXPECT_THROW(list.Strings(2), EListError);
  EXPECT_THROW(list.Insert(3, "x"), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.SetStrings(5, "x"), EListError);
  EXPECT_EQ(list.Count(), 2);  // failed edits change nothing
  list.SetText("one\r\ntwo\n\nthree");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Strings(1), "two");
  EXPECT_EQ(list.Strings(2), "");
}

TEST(MemoryStream, GrowsSeeksTruncatesAndSaves) {
  TMemoryStream s;
  s.Write("abcdef", 6);
  EXPECT_EQ(s.Seek(10, TMemoryStream::soBeginning), 10);
  s.Write("Z", 1);  // the gap is filled with zeros
  EXPECT_EQ(s.Size(), 11);
  EXPECT_EQ(s.Memory()[8], 0);
  EXPECT_EQ(s.Seek(-20, TMemoryStream::soEnd), -1);
  EXPECT_EQ(s.Position(), 11);
  char buf[8] = {};
  s.SetPosition(4);
  EXPECT_EQ(s.Read(buf, 8), 7);
  EXPECT_EQ(s.Read(buf, -1), 0);
  s.SetSize(5);
  EXPECT_EQ(s.Position(), 5);

  orlix::testing::ScratchDir dir;
  s.SaveToFile(dir / "out.bin");
  std::ifstream in(dir / "out.bin", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abcde");
  EXPECT_THROW(s.SaveToFile(dir / "missing/out.bin"), EFileError);
}

}  // namespace
}  // namespace orlix
