// Keeping a source's folder structure: the string rules and the folders the
// insertions make from them.
#include "burner/tree_names.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

TEST(KeptFolderPath, HostNetworkAndDrivePrefixes) {
#ifndef _WIN32
  EXPECT_EQ(KeptFolderPath("/home/u/x/"), "\\home\\u\\x\\");
  EXPECT_EQ(KeptFolderPath("/home/u/x"), "\\home\\u\\x");
  EXPECT_EQ(KeptFolderPath("//home//u/"), "\\home\\u\\");  // "//" is "/" here
  EXPECT_EQ(KeptFolderPath("rel/dir/"), "\\rel\\dir\\");
  EXPECT_EQ(KeptFolderPath("/"), "\\");
#endif
  EXPECT_EQ(KeptFolderPath("\\\\server\\share\\dir\\sub\\"), "\\dir\\sub\\");
  EXPECT_EQ(KeptFolderPath("\\\\server\\share\\dir"), "\\dir");
  EXPECT_EQ(KeptFolderPath("\\\\server\\share\\"), "\\");
  EXPECT_EQ(KeptFolderPath("\\\\server\\share"), "");
  EXPECT_EQ(KeptFolderPath("\\\\server"), "");
  EXPECT_EQ(KeptFolderPath("C:\\data\\x\\"), "\\data\\x\\");
  EXPECT_EQ(KeptFolderPath("C:data"), "\\data");
  EXPECT_EQ(KeptFolderPath(""), "");
  EXPECT_EQ(HostFolderOf(std::string("a") + PathDelim + "b.txt"), std::string("a") + PathDelim);
  EXPECT_EQ(HostFolderOf("b.txt"), "");
}

using KeepPathTest = BurnerTest;

// The image path a host folder is kept under.
std::string Kept(const std::filesystem::path& p) { return UpperCaseAscii(KeptFolderPath(p.string())); }

TEST_F(KeepPathTest, InsertFileKeepsTheSourceFolders) {
  std::string f = MakeFile("src/deep/file.txt");
  const auto folder = Temp() / "src" / "deep";
  ASSERT_EQ(burner->InsertFile("\\ignored", f, true), 1);
  PDEntry d = burner->FindDir(Kept(folder));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Names(d), std::vector<std::string>{"file.txt"});
  EXPECT_EQ(burner->FindDir("\\ignored"), nullptr);

  burner->SetLastDirOnly(true);
  std::string g = MakeFile("src/deep/other.txt");
  ASSERT_EQ(burner->InsertFile("\\", g, true), 1);
  PDEntry last = burner->FindDir("\\DEEP");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(Names(last), std::vector<std::string>{"other.txt"});
  EXPECT_EQ(Names(burner->FindDir(Kept(folder))), std::vector<std::string>{"file.txt"});
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(KeepPathTest, InsertDirKeepsTheTargetAndTheSourceFolders) {
  MakeFile("tree/photos/a.jpg");
  const auto photos = Temp() / "tree" / "photos";
  ASSERT_NE(burner->MakeDir("\\backup"), nullptr);
  ASSERT_EQ(burner->InsertDir("\\backup", photos.string(), "", faAnyFile, true, true, false), 1);
  PDEntry kept = burner->FindDir("\\BACKUP" + Kept(photos));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(Names(kept), std::vector<std::string>{"a.jpg"});

  // Only the source is cut to its last folder: the target stays.
  burner->SetLastDirOnly(true);
  ASSERT_EQ(burner->InsertDir("\\backup", photos.string() + PathDelim, "", faAnyFile, true, true, false), 1);
  PDEntry last = burner->FindDir("\\backup\\photos");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(Names(last), std::vector<std::string>{"a.jpg"});
  ASSERT_EQ(burner->InsertDir("\\", photos.string(), "", faAnyFile, true, true, false), 1);
  EXPECT_NE(burner->FindDir("\\photos"), nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
