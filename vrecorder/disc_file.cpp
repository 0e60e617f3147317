#include "vrecorder/disc_file.h"

#include <cstring>
#include <utility>

namespace orlix::vrec {

namespace {

bool SeekTo(THandle handle, uint64_t offset) {
  return FileSeek(handle, static_cast<int64_t>(offset), 0) == static_cast<int64_t>(offset);
}

}  // namespace

DiscFile::DiscFile(DiscFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, kInvalidHandle)) {}

DiscFile& DiscFile::operator=(DiscFile&& other) noexcept {
  if (this != &other) {
    Close();
    path_ = std::move(other.path_);
    handle_ = std::exchange(other.handle_, kInvalidHandle);
  }
  return *this;
}

bool DiscFile::Open(const std::string& path, std::string& error) {
  Close();
  path_ = path;
  // Created empty when missing, never emptied when present.
  if (!FileExists(path)) {
    THandle created = FileCreate(path);
    if (created < 0) {
      error = "cannot create the disc file " + path + ": " + OsErrorMessage(LastOsError());
      return false;
    }
    FileClose(created);
  }
  handle_ = FileOpen(path, fmOpenReadWrite | fmShareDenyNone);
  if (handle_ < 0) {
    error = "cannot open the disc file " + path + ": " + OsErrorMessage(LastOsError());
    return false;
  }
  return true;
}

void DiscFile::Close() {
  FileClose(handle_);
  handle_ = kInvalidHandle;
}

bool DiscFile::Read(uint32_t lba, uint32_t count, uint8_t* out) {
  const uint64_t bytes = uint64_t{count} * kBlockSize;
  std::memset(out, 0, bytes);
  if (handle_ < 0 || !SeekTo(handle_, uint64_t{lba} * kBlockSize)) return false;
  FileRead(handle_, out, static_cast<int32_t>(bytes));  // a short read past the end leaves zeros
  return true;
}

bool DiscFile::Write(uint32_t lba, uint32_t count, const uint8_t* data) {
  const uint64_t bytes = uint64_t{count} * kBlockSize;
  if (handle_ < 0 || !SeekTo(handle_, uint64_t{lba} * kBlockSize)) return false;
  return FileWrite(handle_, data, static_cast<int32_t>(bytes)) == static_cast<int32_t>(bytes);
}

bool DiscFile::KeepBlocks(uint32_t blocks) {
  if (handle_ < 0) return false;
  const int64_t size = FileSeek(handle_, 0, 2);
  const int64_t keep = int64_t{blocks} * kBlockSize;
  if (size < 0) return false;
  return size <= keep || (SeekTo(handle_, static_cast<uint64_t>(keep)) && FileSetEnd(handle_));
}

}  // namespace orlix::vrec
