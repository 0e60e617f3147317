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
  const int64_t far = (5ll << 30) + 3;
  EXPECT_EQ(FileSeek(h.get(), far, 0), far);
  EXPECT_EQ(FileWrite(h.get(), "end", 3), 3);
  EXPECT_EQ(FileSeek(h.get(), -3, 1), far);
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
  EXPECT_EQ(FileOpen(dir / "missing", fmOpenRead), kInvalidHandle);
  EXPECT_FALSE(OsErrorMessage(LastOsError()).empty());
  EXPECT_EQ(FileOpen(dir.str(), fmOpenRead | fmShareDenyNone), kInvalidHandle);  // a folder is no file
  EXPECT_EQ(FileOpen(dir.Write("f"), 0x0003), kInvalidHandle);                   // no such access
  EXPECT_EQ(FileOpen(dir / "f", 0x0050), kInvalidHandle);                        // no such sharing
  EXPECT_EQ(FileWrite(Handle(FileOpen(dir / "f", fmOpenRead)).get(), "x", 1), 0);
  EXPECT_FALSE(FileRename(dir.Write("a"), dir / "f"));  // never over an existing file
  EXPECT_TRUE(FileRename(dir / "a", dir / "c"));
  EXPECT_TRUE(FileDelete(dir / "c"));
  EXPECT_FALSE(FileDelete(dir / "c"));
  EXPECT_FALSE(FileExists(dir.str()));
}

TEST(FileIo, CreateTruncatesButNotWhatAnotherHolds) {
  ScratchDir dir;
  std::string path = dir.Write("image.iso", "old contents");
  FileClose(FileCreate(path));
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
  const uint16_t shared_read = fmOpenRead | fmShareDenyNone;  // how every source file is read
  const struct {
    uint16_t held, asked;
    bool opens;
  } cases[] = {
      {fmOpenWrite | fmShareDenyNone, shared_read, true},
      {fmOpenWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false},  // would deny the writer
      {fmOpenReadWrite | fmShareDenyWrite, shared_read, true},
      {fmOpenReadWrite | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareExclusive, shared_read, false},
      {fmOpenWrite | fmShareDenyRead, shared_read, false},
      {fmOpenWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
  };
  for (const auto& c : cases) {
    Handle holder(FileOpen(path, c.held));
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(CanOpen(path, c.asked), c.opens) << std::hex << c.held << " then " << c.asked;
  }
  {
    // A program that knows nothing of sharing does not stop a shared read.
    std::ofstream other(path, std::ios::app);
    other << "more" << std::flush;
    EXPECT_TRUE(CanOpen(path, shared_read));
  }
  {
    Handle creator(FileCreate(path));  // a file being created is held exclusively
    EXPECT_FALSE(CanOpen(path, shared_read));
  }
  EXPECT_TRUE(CanOpen(path, fmOpenReadWrite | fmShareExclusive));  // nothing is left locked
}

}  // namespace
}  // namespace orlix
