// The disc file: sector N at byte N x 2048, sparse where nothing was written;
// and the small description kept beside it (FILE.desc) with the state of the
// medium, so that a disc written by one process can be read by the next.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_io.h"
#include "vrecorder/disc.h"

namespace orlix::vrec {

constexpr uint32_t kBlockSize = 2048;

// Each transfer is one positioned read or write of the platform's file I/O:
// nothing is buffered here, so what a WRITE brought is in the file (and
// visible to other processes) when the command ends.
class DiscFile {
 public:
  DiscFile() = default;
  ~DiscFile() { Close(); }
  DiscFile(DiscFile&& other) noexcept;
  DiscFile& operator=(DiscFile&& other) noexcept;
  DiscFile(const DiscFile&) = delete;
  DiscFile& operator=(const DiscFile&) = delete;

  bool Open(const std::string& path, std::string& error);
  void Close();
  bool IsOpen() const { return handle_ >= 0; }
  // Blocks past the end of the file read as zeros.
  bool Read(uint32_t lba, uint32_t count, uint8_t* out);
  bool Write(uint32_t lba, uint32_t count, const uint8_t* data);
  // Drops every block from `blocks` on (a blank, a format).
  bool KeepBlocks(uint32_t blocks);

 private:
  std::string path_;
  THandle handle_ = kInvalidHandle;
};

std::string DescriptionPath(const std::string& disc_path);
// Written to a new file and renamed over the old one, so that a crash leaves
// either description whole.
bool SaveDescription(const std::string& disc_path, const DiscState& state, std::string& error);
bool LoadDescription(const std::string& disc_path, DiscState& state, std::string& error);
// Makes a new disc: blank (or formatted, for DVD-RAM and restricted
// overwrite DVD-RW) for recordable media; for pressed media the content of
// `image` (which may be the disc file itself) or `blocks` zero blocks.
// `blocks` 0 gives the medium's usual capacity.
bool CreateDisc(const std::string& disc_path, const Medium& medium, int64_t blocks, const std::string& image,
                std::string& error);
// A few lines for people: medium, status, sessions, tracks.
std::string DescribeDisc(const DiscState& state);

}  // namespace orlix::vrec
