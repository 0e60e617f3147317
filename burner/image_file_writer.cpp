// The image file of a direct save.
#include "burner/image_file_writer.h"

#include <algorithm>
#include <cstring>

#include "framework/exceptions.h"
#include "messages/messages.h"
#include "platform/file_copy.h"

namespace orlix {
namespace {

[[noreturn]] void Raise(MessageId id, const std::string& path, int error) {
  throw EFileError(Text(id) + " \"" + path + "\": " + OsErrorMessage(error), error);
}

}  // namespace

TImageFileWriter::TImageFileWriter(const std::string& path, int64_t expected)
    : path_(path), buffer_(kBufferSize) {
  handle_ = FileCreate(path);
  if (handle_ == kInvalidHandle) {
    const int error = LastOsError();
    throw EFileError(Format(ERR_CREATEFILE, path.c_str()) + ": " + OsErrorMessage(error), error);
  }
  // A disk too small fails here rather than after most of the copying.
  if (const int error = FileReserve(handle_, expected); error != 0) Raise(ERR_SWRITEERROR, path_, error);
  reserved_ = expected;
}

TImageFileWriter::~TImageFileWriter() {
  if (handle_ != kInvalidHandle) FileClose(handle_);
}

void TImageFileWriter::Flush() {
  size_t done = 0;
  while (done < fill_) {
    const int32_t n = FileWrite(handle_, buffer_.data() + done, static_cast<int32_t>(fill_ - done));
    if (n <= 0) Raise(ERR_SWRITEERROR, path_, LastOsError());
    done += static_cast<size_t>(n);
  }
  flushed_ += static_cast<int64_t>(fill_);
  fill_ = 0;
}

void TImageFileWriter::Write(const void* data, int64_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    if (fill_ == buffer_.size()) Flush();
    const size_t n =
        static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(buffer_.size() - fill_)));
    std::memcpy(buffer_.data() + fill_, p, n);
    fill_ += n;
    p += n;
    count -= static_cast<int64_t>(n);
  }
}

void TImageFileWriter::Zeros(int64_t count) {
  while (count > 0) {
    if (fill_ == buffer_.size()) Flush();
    const size_t n =
        static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(buffer_.size() - fill_)));
    std::memset(buffer_.data() + fill_, 0, n);
    fill_ += n;
    count -= static_cast<int64_t>(n);
  }
}

int64_t TImageFileWriter::ReadInto(THandle source, const std::string& source_path, int64_t count) {
  if (static_cast<int64_t>(buffer_.size() - fill_) < count) Flush();
  int64_t done = 0;
  while (done < count) {
    const int32_t n = FileRead(source, buffer_.data() + fill_, static_cast<int32_t>(count - done));
    // The end of the file and a failed read look alike here; either way
    // the caller sees fewer bytes than it asked for.
    if (n <= 0) break;
    fill_ += static_cast<size_t>(n);
    done += n;
  }
  return done;
}

int64_t TImageFileWriter::KernelCopy(THandle source, const std::string& source_path, int64_t count) {
  Flush();
  const int64_t n = FileCopyData(source, handle_, count);
  if (n < 0) Raise(ERR_SREADERROR, source_path + "\" -> \"" + path_, LastOsError());
  flushed_ += n;
  return n;
}

void TImageFileWriter::Close() {
  Flush();
  // Only when the data did not fill the reservation exactly (a tree edited
  // since its preparation): the file ends where the data ends.
  if (reserved_ > flushed_ && !FileSetEnd(handle_)) Raise(ERR_SWRITEERROR, path_, LastOsError());
  FileClose(handle_);
  handle_ = kInvalidHandle;
}

}  // namespace orlix
