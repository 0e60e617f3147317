#include "vrecorder/disc_file.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace orlix::vrec {

namespace fs = std::filesystem;

bool DiscFile::Open(const std::string& path, std::string& error) {
  Close();
  path_ = path;
  std::error_code ec;
  if (!fs::exists(path, ec)) std::ofstream(path, std::ios::binary);  // create it empty
  file_.open(path, std::ios::binary | std::ios::in | std::ios::out);
  if (!file_.is_open()) {
    error = "cannot open the disc file " + path;
    return false;
  }
  return true;
}

void DiscFile::Close() {
  if (file_.is_open()) file_.close();
  file_.clear();
}

bool DiscFile::Read(uint32_t lba, uint32_t count, uint8_t* out) {
  const std::streamsize want = std::streamsize{count} * kBlockSize;
  std::memset(out, 0, static_cast<size_t>(want));
  if (!file_.is_open()) return false;
  file_.clear();
  file_.seekg(std::streamoff{lba} * kBlockSize);
  if (!file_) {
    file_.clear();
    return true;
  }
  file_.read(reinterpret_cast<char*>(out), want);
  file_.clear();  // a short read past the end leaves zeros
  return true;
}

bool DiscFile::Write(uint32_t lba, uint32_t count, const uint8_t* data) {
  if (!file_.is_open()) return false;
  file_.clear();
  file_.seekp(std::streamoff{lba} * kBlockSize);
  file_.write(reinterpret_cast<const char*>(data), std::streamsize{count} * kBlockSize);
  file_.flush();
  bool ok = static_cast<bool>(file_);
  file_.clear();
  return ok;
}

bool DiscFile::Flush() {
  if (!file_.is_open()) return false;
  file_.flush();
  bool ok = static_cast<bool>(file_);
  file_.clear();
  return ok;
}

bool DiscFile::KeepBlocks(uint32_t blocks) {
  if (!file_.is_open()) return false;
  file_.close();
  std::error_code ec;
  uintmax_t size = fs::file_size(path_, ec);
  uintmax_t keep = uintmax_t{blocks} * kBlockSize;
  if (!ec && size > keep) fs::resize_file(path_, keep, ec);
  file_.clear();
  file_.open(path_, std::ios::binary | std::ios::in | std::ios::out);
  return !ec && file_.is_open();
}

}  // namespace orlix::vrec
