#include "streams/stream_ex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/exceptions.h"
#include "tests/platform/scratch.h"

namespace orlix {
namespace {

using orlix::testing::ScratchDir;
namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileStreamEx, SizesBeyondFourGiBKeepThePosition) {
  ScratchDir dir;
  TFileStreamEx s(dir / "big.iso", fmCreate);
  const int64_t size = (6ll << 30) + 12345;
  s.SetSize(size);  // sparse: nothing is written
  s.SetPosition(5ll << 30);
  EXPECT_EQ(s.GetSize(), size);
  EXPECT_EQ(s.Position(), 5ll << 30);
  s.WriteBuffer("tail", 4);
  s.Seek(-4, 1);
  char buf[4];
  s.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "tail");
  s.SetPosition(size);
  EXPECT_EQ(s.Read(buf, 4), 0);  // past the end
  s.SetSize(100);
  s.SetPosition(50);
  EXPECT_THROW(s.SetSize(-1), EFileError);
  EXPECT_EQ(s.Size(), 100);  // a refused size cuts nothing
}

TEST(FileStreamEx, OpeningCreatingAndFailing) {
  ScratchDir dir;
  try {
    TFileStreamEx missing(dir / "missing.bin", fmOpenRead | fmShareDenyNone);
    FAIL() << "opened a missing file";
  } catch (const EFileError& e) {
    EXPECT_NE(e.OsError(), 0);
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos);
  }
  EXPECT_THROW(TFileStreamEx(dir / "no/such/folder.iso", fmCreate), EFileError);
  std::string path = dir.Write("old.iso", "previous image");
  TFileStreamEx(path, fmCreate);
  EXPECT_EQ(fs::file_size(path), 0u);

  // Source files are read while others may hold them for writing.
  dir.Write("source.dat", "abc");
  TFileStreamEx writer(dir / "source.dat", fmOpenReadWrite | fmShareDenyNone);
  EXPECT_EQ(TFileStreamEx(dir / "source.dat", 0x40).Size(), 3);
  EXPECT_THROW(TFileStreamEx(dir / "source.dat", fmOpenRead | fmShareExclusive), EFileError);
}

TEST(HandleStreamEx, FailuresGiveZeroAndShortTransfersRaise) {
  THandleStreamEx none(kInvalidHandle);
  char buf[8];
  EXPECT_EQ(none.Read(buf, 8), 0);
  EXPECT_EQ(none.Write(buf, 8), 0);
  EXPECT_THROW(none.ReadBuffer(buf, 8), EFileError);
  none.ReadBuffer(buf, 0);  // nothing asked, nothing wrong

  ScratchDir dir;
  std::string path = dir.Write("short.txt", "abc");
  TFileStreamEx ro(path, fmOpenRead);
  auto error_of = [](auto&& transfer) -> std::string {
    try {
      transfer();
    } catch (const EFileError& e) {
      return e.what();
    }
    return "passed";
  };
  EXPECT_EQ(error_of([&] { ro.ReadBuffer(buf, 8); }), "Stream read error");
  EXPECT_EQ(error_of([&] { ro.WriteBuffer("x", 1); }), "Stream write error");
  EXPECT_THROW(ro.SetSize(1), EFileError);
  EXPECT_EQ(fs::file_size(path), 3u);
  THandleStreamEx(ro.Handle()).SetPosition(1);  // a wrapping stream leaves the handle open
  EXPECT_EQ(ro.Position(), 1);
}

TEST(CopyFrom, WholeSourcesPartsAndBufferBoundaries) {
  ScratchDir dir;
  std::string data(3 * 61440 + 17, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  dir.Write("src.bin", data);
  {
    TFileStreamEx src(dir / "src.bin", 0x40);
    TFileStreamEx dst(dir / "all.bin", fmCreate);
    src.SetPosition(1000);  // count 0 copies from the first byte all the same
    EXPECT_EQ(dst.CopyFrom(src, 0), static_cast<int32_t>(data.size()));
    EXPECT_EQ(src.Position(), static_cast<int64_t>(data.size()));
    TFileStreamEx part(dir / "part.bin", fmCreate);
    part.WriteBuffer("head", 4);
    src.SetPosition(61440 - 5);
    EXPECT_EQ(part.CopyFrom(src, 61440 + 10), 61440 + 10);
    EXPECT_EQ(part.CopyFrom(src, -5), 0);
  }
  EXPECT_EQ(Contents(dir / "all.bin"), data);
  EXPECT_EQ(Contents(dir / "part.bin"), "head" + data.substr(61440 - 5, 61440 + 10));
}

TEST(CopyFrom, EmptyShortAndOversizedSources) {
  ScratchDir dir;
  dir.Write("empty.bin", "");
  dir.Write("small.bin", "12345");
  TFileStreamEx dst(dir / "out.bin", fmCreate);
  TFileStreamEx empty(dir / "empty.bin", 0x40);
  EXPECT_EQ(dst.CopyFrom(empty, 0), 0);
  TFileStreamEx small(dir / "small.bin", 0x40);
  EXPECT_THROW(dst.CopyFrom(small, 10), EFileError);  // the source runs dry
  // A whole source of 2 GiB or more cannot be counted in 32 bits: refused
  // before anything is copied.
  TFileStreamEx big(dir / "big.bin", fmCreate);
  big.SetSize(3ll << 30);
  TFileStreamEx dst2(dir / "out2.bin", fmCreate);
  EXPECT_THROW(dst2.CopyFrom(big, 0), EFileError);
  EXPECT_EQ(dst2.Size(), 0);
}

}  // namespace
}  // namespace orlix
