#include "streams/stream_ex.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "framework/exceptions.h"
#include "platform/file_io.h"

namespace orlix {
namespace {

constexpr int32_t kCopyBufferSize = 61440;

THandle OpenOrRaise(const std::string& file_name, uint16_t mode) {
  THandle handle = mode == fmCreate ? FileCreate(file_name) : FileOpen(file_name, mode);
  if (handle < 0) {
    int error = LastOsError();
    const char* what = mode == fmCreate ? "Cannot create file \"" : "Cannot open file \"";
    throw EFileError(what + file_name + "\". " + OsErrorMessage(error), error);
  }
  return handle;
}

}  // namespace

int64_t TStreamEx::GetSize() {
  int64_t position = Seek(0, 1);
  int64_t size = Seek(0, 2);
  Seek(position, 0);
  return size;
}

void TStreamEx::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EFileError("Stream read error", 0);
}

void TStreamEx::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EFileError("Stream write error", 0);
}

int32_t TStreamEx::CopyFrom(TStreamEx& source, int32_t count) {
  if (count < 0) return 0;
  if (count == 0) {
    source.SetPosition(0);
    int64_t whole = source.GetSize();
    if (whole > std::numeric_limits<int32_t>::max())
      throw EFileError("Stream too large to copy in one call (" + std::to_string(whole) + " bytes)", 0);
    count = static_cast<int32_t>(whole);
  }
  const int32_t result = count;
  // The vector goes away also when a transfer raises.
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kCopyBufferSize)));
  while (count != 0) {
    int32_t n = std::min(count, kCopyBufferSize);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return result;
}

void THandleStreamEx::SetSize(int64_t new_size) {
  // A refused seek must not cut the file at the old position.
  if (new_size < 0 || Seek(new_size, 0) != new_size || !FileSetEnd(handle_)) {
    int error = new_size < 0 ? 0 : LastOsError();
    throw EFileError("Cannot set the end of the file. " + OsErrorMessage(error), error);
  }
}

int32_t THandleStreamEx::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  return FileRead(handle_, buffer, count);
}

int32_t THandleStreamEx::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  return FileWrite(handle_, buffer, count);
}

int64_t THandleStreamEx::Seek(int64_t offset, uint16_t origin) { return FileSeek(handle_, offset, origin); }

TFileStreamEx::TFileStreamEx(const std::string& file_name, uint16_t mode)
    : THandleStreamEx(OpenOrRaise(file_name, mode)) {}

TFileStreamEx::~TFileStreamEx() {
  if (handle_ >= 0) FileClose(handle_);
}

}  // namespace orlix
