// `orlix tree` end to end: the listing, and every refusal named with its
// reason and reflected in the exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct CliResult {
  int status = -1;
  std::string out, err;
};

class TreeCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orlix_cli_tree_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "src");
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& p : fs::recursive_directory_iterator(dir_, fs::directory_options::skip_permission_denied, ec))
      fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(dir_ / "src", fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  std::string Src(const std::string& relative = "") const { return (dir_ / "src" / relative).string(); }

  std::string MakeFile(const std::string& relative, size_t size = 1) {
    fs::path p = dir_ / "src" / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
    return p.string();
  }

  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs orlix with `args` (already quoted for the shell).
  CliResult Orlix(const std::string& args) {
    const fs::path out = dir_ / "out.txt", err = dir_ / "err.txt", rc = dir_ / "rc.txt";
    const std::string command = "'" ORLIX_BIN_DIR "/orlix' " + args + " > '" + out.string() + "' 2> '" +
                                err.string() + "'; echo $? > '" + rc.string() + "'";
    std::system(command.c_str());
    CliResult r;
    r.status = std::atoi(Slurp(rc).c_str());
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }

  static std::string Quote(const std::string& s) { return "'" + s + "'"; }

  bool PermissionsAreEnforced() {
    fs::path probe = dir_ / "probe";
    std::ofstream(probe) << "x";
    fs::permissions(probe, fs::perms::none);
    const bool enforced = !std::ifstream(probe).is_open();
    fs::remove(probe);
    return enforced;
  }

  fs::path dir_;
};

TEST_F(TreeCliTest, ListsEveryDirectoryAndEntry) {
  const std::string a = MakeFile("a.txt", 3), b = MakeFile("sub/Long Name.text", 2048);
  MakeFile("sub/deeper/c", 0);
  CliResult r = Orlix("tree " + Quote(Src()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("\\\n  sub\tSUB\t<DIR>\t\n  a.txt\tA.TXT\t3\t" + a + "\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\\sub\n"), std::string::npos);
  EXPECT_NE(r.out.find("\\sub\\deeper\n  c.\tC.\t0\t"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  Long Name.text\tLONGNA~1.TEX\t2048\t" + b + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("directories: 2  entries: 5\n"), std::string::npos) << r.out;
}

TEST_F(TreeCliTest, DestinationMaskAndKeptPaths) {
  MakeFile("docs/a.txt");
  MakeFile("docs/b.dat");
  CliResult r = Orlix("tree --dest '\\backup' --mask '*.txt' " + Quote(Src("docs")));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\\backup\n  a.txt\t"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("b.dat"), std::string::npos);

  r = Orlix("tree --keep-path --last-dir-only " + Quote(Src("docs")));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\\docs\n  a.txt\t"), std::string::npos) << r.out;
}

TEST_F(TreeCliTest, RefusedEntriesAreNamedWithTheirReasons) {
  // Names equal ignoring case list upper case first: the lower-case one is
  // the one refused.
  MakeFile("SAME.TXT");
  const std::string twin = MakeFile("same.txt");
  const std::string long_name = MakeFile(std::string(130, 'n') + ".txt");
  const std::string kept = MakeFile("kept.txt");
  fs::path big = dir_ / "src" / "big.iso";
  std::ofstream(big).close();
  fs::resize_file(big, int64_t{4} << 30);

  CliResult r = Orlix("tree " + Quote(Src()));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("left out " + twin + ": the folder already holds"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("left out " + long_name + ": name longer than 127 characters"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("left out " + big.string() + ": 4 GiB or larger"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(kept), std::string::npos);
  EXPECT_EQ(r.out.find(twin), std::string::npos);
  EXPECT_NE(r.out.find("entries: 2\n"), std::string::npos) << r.out;
}

TEST_F(TreeCliTest, FullTablesAreReported) {
  MakeFile("a.txt");
  MakeFile("b.txt");
  const std::string c = MakeFile("c.txt");
  CliResult r = Orlix("tree --max-files 2 " + Quote(Src()));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("left out " + c + ": the tree is full (MAXIMUM FILES CAN BE 2)"), std::string::npos)
      << r.err;

  MakeFile("d1/x.txt");
  MakeFile("d2/y.txt");
  r = Orlix("tree --max-dirs 2 " + Quote(Src()));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(">>> MAXIMUM DIRECTORIES CAN BE 2"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the rest of this folder was not added"), std::string::npos) << r.err;
}

TEST_F(TreeCliTest, UnreadableSourcesAreNamed) {
  if (!PermissionsAreEnforced()) GTEST_SKIP() << "permissions are not enforced for this user";
  const std::string locked_file = MakeFile("locked.txt");
  MakeFile("locked_dir/inside.txt");
  MakeFile("fine.txt");
  fs::permissions(locked_file, fs::perms::none);
  fs::permissions(Src("locked_dir"), fs::perms::none);
  CliResult r = Orlix("tree --test-files " + Quote(Src()));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("left out " + locked_file + ": the file cannot be opened"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("left out " + Src("locked_dir") + ": the folder cannot be read"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.out.find(locked_file), std::string::npos);
  EXPECT_NE(r.out.find("fine.txt"), std::string::npos);
}

TEST_F(TreeCliTest, BadArgumentsFailPlainly) {
  CliResult r = Orlix("tree " + Quote(Src("absent")) + " " + Quote(MakeFile("here.txt")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(Src("absent") + ": no such file or folder"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("here.txt"), std::string::npos);

  r = Orlix("tree --no-such-option " + Quote(Src()));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("--no-such-option"), std::string::npos) << r.err;

  r = Orlix("tree");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("PATH"), std::string::npos) << r.err;

  r = Orlix("tree --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
}

}  // namespace
