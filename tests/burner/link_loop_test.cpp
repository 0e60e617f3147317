// A link back to a folder the walk is inside must not be followed: it would
// repeat the folder level after level until the tables fill.
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using LinkLoopTest = BurnerTest;

TEST_F(LinkLoopTest, LinkToAnEnclosingFolderIsLeftOutAndNamed) {
  MakeFile("src/a/b/f.txt", 2);
  fs::create_directory_symlink("../..", temp / "src" / "a" / "b" / "up");
  fs::create_directory_symlink("../a", temp / "src" / "a" / "side");  // loops through a as well
  MakeFile("other/g.txt");
  fs::create_directory_symlink(temp / "other", temp / "src" / "elsewhere");  // not a loop: followed
  ASSERT_EQ(burner->InsertDir("\\", Src(), "*.*", faAnyFile, true, false, false), 1);
  EXPECT_NE(burner->FindFile(burner->FindDir("\\a\\b"), "f.txt"), nullptr);
  EXPECT_EQ(burner->FindDir("\\a\\b\\up"), nullptr);
  EXPECT_EQ(burner->FindDir("\\a\\side"), nullptr);
  EXPECT_NE(burner->FindFile(burner->FindDir("\\elsewhere"), "g.txt"), nullptr);
  int refused = 0;
  for (const auto& line : lines)
    if (line.type == 4 && line.text.rfind(">>> " + Text(ERR_NOTSUPPORTED) + " ", 0) == 0) ++refused;
  EXPECT_EQ(refused, 2);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
