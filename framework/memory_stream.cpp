#include "framework/memory_stream.h"

#include <algorithm>
#include <cstring>

#include "framework/exceptions.h"
#include "platform/file_io.h"

namespace orlix {

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  int64_t n = std::min<int64_t>(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, uint16_t origin) {
  int64_t base = origin == soCurrent ? position_ : origin == soEnd ? Size() : 0;
  int64_t target = base + offset;
  if (target < 0) return -1;
  position_ = target;
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  data_.resize(static_cast<size_t>(size));
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  THandle handle = FileCreate(path);
  if (handle == kInvalidHandle) {
    int error = LastOsError();
    throw EFileError("Cannot create file \"" + path + "\". " + OsErrorMessage(error), error);
  }
  int64_t done = 0;
  while (done < Size()) {
    int32_t chunk = static_cast<int32_t>(std::min<int64_t>(Size() - done, 1 << 30));
    int32_t written = FileWrite(handle, data_.data() + done, chunk);
    if (written != chunk) {
      int error = LastOsError();
      FileClose(handle);
      throw EFileError("Stream write error", error);
    }
    done += written;
  }
  FileClose(handle);
}

}  // namespace orlix
