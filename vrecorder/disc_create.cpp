#include <filesystem>
#include <fstream>
#include <system_error>

#include "vrecorder/disc_file.h"

namespace orlix::vrec {

namespace fs = std::filesystem;

bool CreateDisc(const std::string& path, const Medium& medium, int64_t blocks, const std::string& image,
                std::string& error) {
  std::error_code ec;
  if (path.empty()) {
    error = "no disc file named";
    return false;
  }
  if (fs::exists(DescriptionPath(path), ec)) {
    error = path + " is already a virtual disc";
    return false;
  }
  DiscState s;
  s.profile = medium.profile;
  s.capacity = blocks > 0 ? static_cast<uint32_t>(blocks) : medium.default_blocks;

  if (medium.recording == Recording::kPressed) {
    if (!image.empty()) {
      uintmax_t size = fs::file_size(image, ec);
      if (ec || size == 0) {
        error = "cannot use the image " + image + (ec ? ": " + ec.message() : ": it is empty");
        return false;
      }
      if (size > uintmax_t{UINT32_MAX - 1} * kBlockSize) {
        error = "the image " + image + " is too large";
        return false;
      }
      if (!fs::equivalent(image, path, ec)) {
        ec.clear();
        fs::copy_file(image, path, fs::copy_options::overwrite_existing, ec);
        if (ec) {
          error = "cannot copy " + image + " to " + path + ": " + ec.message();
          return false;
        }
      }
      s.capacity = static_cast<uint32_t>((size + kBlockSize - 1) / kBlockSize);
    } else if (fs::exists(path, ec)) {
      error = path + " exists and is not a virtual disc";
      return false;
    } else {
      std::ofstream(path, std::ios::binary);
    }
    // One session of one track over the whole content.
    s.tracks.push_back(Track{1, 0, s.capacity, s.capacity, false, true});
    s.closed_sessions = 1;
    s.finalized = true;
    s.next_start = s.capacity;
  } else {
    if (!image.empty()) {
      error = "an image makes a pressed disc: use the profile cd-rom or dvd-rom";
      return false;
    }
    if (fs::exists(path, ec)) {
      error = path + " exists and is not a virtual disc";
      return false;
    }
    std::ofstream(path, std::ios::binary);
    s.formatted = medium.profile == kProfileDvdRam || medium.profile == kProfileDvdRwRestricted;
    // A restricted overwrite disc made as such is formatted over its whole capacity.
    if (medium.profile == kProfileDvdRwRestricted) s.session_size = s.capacity;
  }
  if (!fs::exists(path, ec)) {
    error = "cannot create " + path;
    return false;
  }
  return SaveDescription(path, s, error);
}

}  // namespace orlix::vrec
