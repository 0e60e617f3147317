// A scratch folder of the test's own, and paths as the library takes them
// (UTF-8, whatever the ANSI code page is).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace orlix::windows_test {

inline std::string Utf8(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

inline std::filesystem::path FromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = std::filesystem::temp_directory_path() / ("orlix-win-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  // Creates `name` (UTF-8) holding `bytes`; returns its path, UTF-8.
  std::string MakeFile(const std::string& name, size_t bytes = 0) const;

 private:
  std::filesystem::path path_;
};

}  // namespace orlix::windows_test
