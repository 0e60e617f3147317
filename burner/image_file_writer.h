// The image file of a direct save: small pieces are gathered in a buffer and
// written in large blocks; large file data is copied file to file by the
// platform. Failures raise EFileError with the image's or the source's path.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace orlix {

class TImageFileWriter {
 public:
  // Creates (or replaces) the file and reserves the `expected` bytes.
  TImageFileWriter(const std::string& path, int64_t expected);
  ~TImageFileWriter();
  TImageFileWriter(const TImageFileWriter&) = delete;
  TImageFileWriter& operator=(const TImageFileWriter&) = delete;

  // Bytes written so far, buffered ones included.
  int64_t Position() const { return flushed_ + static_cast<int64_t>(fill_); }
  void Write(const void* data, int64_t count);
  void Zeros(int64_t count);
  // Appends up to `count` bytes of `source` from its current position and
  // returns how many it held; `progress` is called between large pieces.
  template <typename Progress>
  int64_t CopyFrom(THandle source, const std::string& source_path, int64_t count, Progress progress);
  // Writes what is buffered and closes the file.
  void Close();

 private:
  static constexpr size_t kBufferSize = 1 << 20;
  // Bytes read straight into the buffer when small enough, copied by the
  // platform otherwise.
  int64_t ReadInto(THandle source, const std::string& source_path, int64_t count);
  int64_t KernelCopy(THandle source, const std::string& source_path, int64_t count);
  void Flush();

  std::string path_;
  THandle handle_ = kInvalidHandle;
  std::vector<uint8_t> buffer_;
  size_t fill_ = 0;
  int64_t flushed_ = 0;
  int64_t reserved_ = 0;
};

template <typename Progress>
int64_t TImageFileWriter::CopyFrom(THandle source, const std::string& source_path, int64_t count,
                                   Progress progress) {
  constexpr int64_t kPiece = 8 << 20;
  int64_t done = 0;
  while (done < count) {
    const int64_t want = std::min(count - done, kPiece);
    const int64_t got = want < static_cast<int64_t>(kBufferSize) ? ReadInto(source, source_path, want)
                                                                 : KernelCopy(source, source_path, want);
    done += got;
    if (got < want) break;
    if (done < count) progress();
  }
  return done;
}

}  // namespace orlix
