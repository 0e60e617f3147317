// Host entries without data of their own (FIFOs, sockets, devices, links
// that lead nowhere) must be refused, not added as empty files: reading a
// FIFO at recording time would wait for ever.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "messages/messages.h"
#include "platform/file_kind.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using SpecialFilesTest = BurnerTest;

TEST_F(SpecialFilesTest, OnlyRegularFilesEnterTheTreeAndEachRefusalIsNamed) {
  MakeFile("src/plain.txt", 3);
  ASSERT_EQ(mkfifo((temp / "src" / "pipe").c_str(), 0600), 0);
  fs::create_symlink(temp / "src" / "gone", temp / "src" / "dangling");
  fs::create_symlink("plain.txt", temp / "src" / "alias");  // a good link is followed
  // A socket's path must fit sun_path: bound through a relative name.
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, "sock");
  const fs::path before = fs::current_path();
  fs::current_path(temp / "src");
  const int bound = bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  fs::current_path(before);
  close(sock);
  ASSERT_EQ(bound, 0);

  // Its result is the last file's: here a refused one.
  burner->InsertDir("\\", Src(), "*.*", faAnyFile, true, false, false);
  EXPECT_EQ(Names(burner->Root()), (Strings{"alias.", "plain.txt"}));
  std::set<std::string> refused;
  for (const auto& line : lines)
    if (line.type == 4) refused.insert(line.text);
  const auto told = [&](const char* name, TFileKind kind) {
    return refused.count(">>> " + Format(ERR_NOTREGULARFILE, (temp / "src" / name).string().c_str(),
                                         FileKindName(kind))) == 1;
  };
  EXPECT_TRUE(told("pipe", TFileKind::Fifo));
  EXPECT_TRUE(told("sock", TFileKind::Socket));
  EXPECT_TRUE(told("dangling", TFileKind::BrokenLink));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(SpecialFilesTest, DeviceNamedAsAFileIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  const fs::path node = temp / "null";
  ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  EXPECT_EQ(burner->InsertFile("\\", node.string(), false), 0);
  EXPECT_EQ(burner->Root()->FirstFile, nullptr);
}

}  // namespace
}  // namespace orlix::test
