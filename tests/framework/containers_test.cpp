#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/exceptions.h"
#include "framework/memory_stream.h"
#include "framework/string_list.h"

namespace orlix {
namespace {

TEST(StringList, EditingAndBadIndexes) {
  TStringList list;
  EXPECT_EQ(list.Add("beta"), 0);
  list.Insert(0, "Alpha");
  list.Insert(2, "gamma");  // at the end is allowed
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  EXPECT_EQ(list.IndexOf("delta"), -1);
  list.SetStrings(1, "Beta");
  list.Delete(0);
  EXPECT_EQ(list.Text(), "Beta\ngamma\n");
  EXPECT_THROW(list.Strings(2), EListError);
  EXPECT_THROW(list.Strings(-1), EListError);
  EXPECT_THROW(list.Insert(3, "x"), EListError);
  EXPECT_THROW(list.Delete(2), EListError);
  EXPECT_THROW(list.SetStrings(5, "x"), EListError);
  EXPECT_EQ(list.Count(), 2);  // failed edits change nothing
}

TEST(StringList, TextSplitsOnBothLineEnds) {
  TStringList list;
  list.SetText("one\r\ntwo\n\nthree");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Strings(0), "one");
  EXPECT_EQ(list.Strings(2), "");
  EXPECT_EQ(list.Strings(3), "three");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(MemoryStream, GrowsSeeksAndTruncates) {
  TMemoryStream s;
  EXPECT_EQ(s.Write("abcdef", 6), 6);
  EXPECT_EQ(s.Seek(10, TMemoryStream::soBeginning), 10);
  EXPECT_EQ(s.Write("Z", 1), 1);  // the gap is filled with zeros
  EXPECT_EQ(s.Size(), 11);
  EXPECT_EQ(s.Memory()[8], 0);
  EXPECT_EQ(s.Seek(-2, TMemoryStream::soCurrent), 9);
  EXPECT_EQ(s.Seek(-20, TMemoryStream::soEnd), -1);
  EXPECT_EQ(s.Position(), 9);
  char buf[8] = {};
  s.SetPosition(4);
  EXPECT_EQ(s.Read(buf, 8), 7);
  EXPECT_EQ(s.Read(buf, 8), 0);
  EXPECT_EQ(s.Read(buf, -1), 0);
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, SaveToFile) {
  auto dir = std::filesystem::temp_directory_path() / "orlix_memstream_test";
  std::filesystem::create_directories(dir);
  TMemoryStream s;
  s.Write("hello", 5);
  s.SaveToFile((dir / "out.bin").string());
  std::ifstream in(dir / "out.bin", std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "hello");
  EXPECT_THROW(s.SaveToFile((dir / "missing" / "out.bin").string()), EFileError);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orlix
