// Look-ups, directory making and the short-name rules.
#include "burner/tree_names.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using LookupTest = BurnerTest;

TEST_F(LookupTest, FindDirTakesRootFormsAndIgnoresCase) {
  EXPECT_EQ(burner->FindDir(""), burner->Root());
  EXPECT_EQ(burner->FindDir("\\"), burner->Root());
  PDEntry docs = burner->MakeDir("\\DOCS");
  ASSERT_NE(docs, nullptr);
  EXPECT_EQ(burner->FindDir("\\docs\\"), docs);
  EXPECT_EQ(burner->FindDir("\\Docs"), docs);
  EXPECT_EQ(burner->FindDir("docs"), nullptr);  // no leading backslash
  EXPECT_EQ(burner->FindDir("\\docs\\\\"), nullptr);
  EXPECT_EQ(burner->FindDir("\\\\"), nullptr);
}

TEST_F(LookupTest, MakeDirMakesEveryLevelOnce) {
  PDEntry c = burner->MakeDir("\\a\\b\\c");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(DirCounter, 4);
  EXPECT_EQ(FileCounter, 3);
  PDEntry a = burner->FindDir("\\A"), b = burner->FindDir("\\A\\B");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->Level, 2);
  EXPECT_EQ(b->Level, 3);
  EXPECT_EQ(c->Level, 4);
  EXPECT_EQ(c->Path, "\\A\\B\\C");
  EXPECT_EQ(c->Parent, b);
  EXPECT_EQ(burner->MakeDir("\\a\\b\\c"), c);
  EXPECT_EQ(burner->CreateDir("\\A\\B\\C"), c);
  EXPECT_EQ(DirCounter, 4);
  // A trailing backslash makes the folders above and answers nil.
  EXPECT_EQ(burner->MakeDir("\\x\\y\\"), nullptr);
  EXPECT_NE(burner->FindDir("\\x\\y"), nullptr);
  EXPECT_FALSE(burner->Prepared());
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(LookupTest, DirectoryNamesAndItsEntry) {
  PDEntry d = burner->CreateDir(burner->Root(), "my dir!", 0x10);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->LongName, "my dir!");
  EXPECT_EQ(d->Name, "MY_DIR!");
  PFEntry e = burner->Root()->FirstFile;
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Dir, d);
  EXPECT_EQ(e->Name, "MY_DIR!");
  EXPECT_EQ(e->Attr & 0x10, 0x10);
  EXPECT_GT(e->DateTime, 0);

  // Leading and trailing backslashes of a name are dropped; the entry always
  // carries the directory bit.
  PDEntry s = burner->CreateDir(burner->Root(), "\\sub\\", 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Path, "\\SUB");
  EXPECT_EQ(burner->FindFile(burner->Root(), "sub")->Attr, 0x10);

  EXPECT_EQ(burner->CreateDir("\\nowhere", "x"), nullptr);
  EXPECT_EQ(lines.back().text, "INVALID DESTINATION PATH");
  EXPECT_EQ(lines.back().type, 4);
  EXPECT_NE(burner->CreateDir("\\SUB", "inner"), nullptr);
  EXPECT_NE(burner->FindDir("\\sub\\inner"), nullptr);
}

TEST(ShortNames, MakeShortNameRules) {
  EXPECT_EQ(MakeShortName("my dir!"), "MY_DIR!");
  EXPECT_EQ(MakeShortName("a very long folder name"), "A_VERY_LONG_F");
  EXPECT_EQ(MakeShortName("{x}~\x7f"), "_X___");
  EXPECT_EQ(MakeShortName("caf\xc3\xa9"), "CAF__");
  EXPECT_EQ(MakeShortName(""), "");
}

}  // namespace
}  // namespace orlix::test
