// Growable in-memory byte stream with a position, as the header stream uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/export.h"

namespace orlix {

class ORLIX_API TMemoryStream {
 public:
  // Origins of Seek.
  static constexpr uint16_t soBeginning = 0, soCurrent = 1, soEnd = 2;

  int32_t Read(void* buffer, int32_t count);         // bytes read, 0 at the end
  int32_t Write(const void* buffer, int32_t count);  // grows as needed
  int64_t Seek(int64_t offset, uint16_t origin);
  int64_t Position() const { return position_; }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size);  // the position is kept within the new size
  void Clear();                // empty, position 0
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  // Raises EFileError when the file cannot be written.
  void SaveToFile(const std::string& path) const;

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

}  // namespace orlix
