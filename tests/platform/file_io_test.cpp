#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scratch.h"

namespace orlix {
namespace {

using orlix::testing::ScratchDir;

class Handle {
 public:
  explicit Handle(THandle h) : h_(h) {}
  ~Handle() { FileClose(h_); }
  THandle get() const { return h_; }
  bool ok() const { return h_ >= 0; }

 private:
  THandle h_;
};

bool CanOpen(const std::string& path, uint16_t mode) { return Handle(FileOpen(path, mode)).ok(); }

TEST(FileIo, ReadWriteSeekBeyondFourGiB) {
  ScratchDir dir;
  Handle h(FileCreate(dir / "big.bin"));
  ASSERT_TRUE(h.ok());
  const int64_t far = (5ll << 30) + 3;
  EXPECT_EQ(FileSeek(h.get(), far, 0), far);
  EXPECT_EQ(FileWrite(h.get(), "end", 3), 3);
  EXPECT_EQ(FileSeek(h.get(), 0, 2), far + 3);
  EXPECT_EQ(FileSeek(h.get(), -3, 1), far);
  char buf[8] = {};
  EXPECT_EQ(FileRead(h.get(), buf, 8), 3);
  EXPECT_EQ(std::string(buf, 3), "end");
  EXPECT_EQ(FileRead(h.get(), buf, 8), 0);  // at the end
  EXPECT_EQ(FileSeek(h.get(), 1ll << 32, 0), 1ll << 32);
  EXPECT_TRUE(FileSetEnd(h.get()));
  EXPECT_EQ(FileSeek(h.get(), 0, 2), 1ll << 32);
  EXPECT_EQ(FileSeek(h.get(), -1, 0), -1);
  EXPECT_EQ(FileSeek(h.get(), 0, 3), -1);
}

TEST(FileIo, FailuresReturnZeroAndTellWhy) {
  ScratchDir dir;
  char buf[4];
  EXPECT_EQ(FileRead(kInvalidHandle, buf, 4), 0);
  EXPECT_EQ(FileWrite(kInvalidHandle, buf, 4), 0);
  EXPECT_EQ(FileOpen(dir / "missing", fmOpenRead), kInvalidHandle);
  EXPECT_NE(LastOsError(), 0);
  EXPECT_FALSE(OsErrorMessage(LastOsError()).empty());
  EXPECT_EQ(FileOpen(dir.str(), fmOpenRead | fmShareDenyNone), kInvalidHandle);  // a folder is no file
  EXPECT_EQ(FileOpen(dir.Write("f"), 0x0003), kInvalidHandle);                   // no such access
  EXPECT_EQ(FileOpen(dir / "f", 0x0050), kInvalidHandle);                        // no such sharing
  Handle ro(FileOpen(dir / "f", fmOpenRead));
  EXPECT_EQ(FileWrite(ro.get(), "x", 1), 0);
}

TEST(FileIo, CreateTruncatesButNotWhatAnotherHolds) {
  ScratchDir dir;
  std::string path = dir.Write("image.iso", "old contents");
  {
    Handle h(FileCreate(path));
    ASSERT_TRUE(h.ok());
  }
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  dir.Write("image.iso", "keep me");
  Handle holder(FileOpen(path, fmOpenRead | fmShareExclusive));
  ASSERT_TRUE(holder.ok());
  EXPECT_EQ(FileCreate(path), kInvalidHandle);
  EXPECT_EQ(std::filesystem::file_size(path), 7u);
}

TEST(FileIo, SharingModes) {
  ScratchDir dir;
  std::string path = dir.Write("shared.bin", "data");
  const uint16_t readShared = fmOpenRead | fmShareDenyNone;  // how every source file is read
  {
    // A writer that lets others read and write, or only read.
    Handle writer(FileOpen(path, fmOpenWrite | fmShareDenyNone));
    ASSERT_TRUE(writer.ok());
    EXPECT_TRUE(CanOpen(path, readShared));
    EXPECT_FALSE(CanOpen(path, fmOpenRead | fmShareDenyWrite));  // would deny the writer
  }
  {
    Handle writer(FileOpen(path, fmOpenReadWrite | fmShareDenyWrite));
    ASSERT_TRUE(writer.ok());
    EXPECT_TRUE(CanOpen(path, readShared));
    EXPECT_FALSE(CanOpen(path, fmOpenWrite | fmShareDenyNone));  // writing is denied
  }
  {
    // A program that knows nothing of sharing does not stop a shared read.
    std::ofstream other(path, std::ios::app);
    other << "more";
    other.flush();
    EXPECT_TRUE(CanOpen(path, readShared));
  }
  {
    Handle exclusive(FileOpen(path, fmOpenRead | fmShareExclusive));
    ASSERT_TRUE(exclusive.ok());
    EXPECT_FALSE(CanOpen(path, readShared));
  }
  {
    Handle deny_read(FileOpen(path, fmOpenWrite | fmShareDenyRead));
    ASSERT_TRUE(deny_read.ok());
    EXPECT_FALSE(CanOpen(path, readShared));
    EXPECT_TRUE(CanOpen(path, fmOpenWrite | fmShareDenyNone));
  }
  {
    Handle creator(FileCreate(path));  // a file being created is held exclusively
    ASSERT_TRUE(creator.ok());
    EXPECT_FALSE(CanOpen(path, readShared));
  }
  // Everything closed: nothing is left locked.
  EXPECT_TRUE(CanOpen(path, fmOpenReadWrite | fmShareExclusive));
}

TEST(FileIo, ExistsDeleteRename) {
  ScratchDir dir;
  std::string a = dir.Write("a"), b = dir.Write("b");
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(FileExists(dir.str()));
  EXPECT_FALSE(FileRename(a, b));  // never over an existing file
  EXPECT_TRUE(FileExists(a));
  EXPECT_TRUE(FileRename(a, dir / "c"));
  EXPECT_TRUE(FileDelete(dir / "c"));
  EXPECT_FALSE(FileDelete(dir / "c"));
}

}  // namespace
}  // namespace orlix
