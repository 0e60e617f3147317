// Byte streams with 64-bit positions and sizes, for source files and image
// files beyond 2 GB. They stand apart from the framework's memory stream.
#pragma once

#include <cstdint>
#include <string>

#include "framework/export.h"
#include "platform/file_modes.h"

namespace orlix {

class ORLIX_API TStreamEx {
 public:
  virtual ~TStreamEx() = default;

  // Does nothing here; file streams move the end of the file.
  virtual void SetSize(int64_t /*new_size*/) {}
  // Bytes moved; 0 at the end and on failure, never negative.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Origins 0 (beginning), 1 (current), 2 (end); returns the position from
  // the beginning.
  virtual int64_t Seek(int64_t offset, uint16_t origin) = 0;

  int64_t GetPosition() { return Seek(0, 1); }
  void SetPosition(int64_t position) { Seek(position, 0); }
  // The size, leaving the position where it was.
  int64_t GetSize();
  int64_t Position() { return GetPosition(); }
  int64_t Size() { return GetSize(); }

  // Move exactly `count` bytes or raise EFileError ("Stream read error",
  // "Stream write error"): a short transfer is never passed over silently.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies `count` bytes from the source's position to this stream's; with
  // 0 the whole source from its first byte. Returns the count copied. A whole
  // source of 2 GiB or more cannot be counted and raises EFileError before
  // anything is copied; a negative count copies nothing.
  int32_t CopyFrom(TStreamEx& source, int32_t count);

 protected:
  TStreamEx() = default;
  TStreamEx(const TStreamEx&) = delete;
  TStreamEx& operator=(const TStreamEx&) = delete;
};

// A stream over an open OS handle; it does not close the handle.
class ORLIX_API THandleStreamEx : public TStreamEx {
 public:
  explicit THandleStreamEx(THandle handle) : handle_(handle) {}

  // Raises EFileError with the system's error when the end cannot be set.
  void SetSize(int64_t new_size) override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;

  THandle Handle() const { return handle_; }

 protected:
  THandle handle_;
};

// A stream over a file opened by name, closed when the stream is destroyed.
class ORLIX_API TFileStreamEx : public THandleStreamEx {
 public:
  // Mode fmCreate (0xFFFF) creates or empties the file; any other mode opens
  // an existing file with its access and sharing bits. Raises EFileError when
  // the file cannot be created or opened; no stream exists then.
  TFileStreamEx(const std::string& file_name, uint16_t mode);
  ~TFileStreamEx() override;
};

}  // namespace orlix
