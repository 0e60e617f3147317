// Where a source's host folders land in the image, and the empty host
// folders the recursive insertion leaves out, made afterwards.
#pragma once

#include <optional>
#include <string>

#include "burner/burner.h"

namespace orlix::cli {

class RefusalLog;

// One source as the insertion walks it: the host folder its paths start
// with and the image folder that stands for it.
class SourceRoot {
 public:
  // `dest_path` is the image folder the source was given ("\" joined);
  // `keep_path` and the burner's LastDirOnly place it as the insertion does.
  SourceRoot(const TOrlixBurner& burner, const std::string& dest_path, const std::string& source, bool is_dir,
             bool keep_path);

  // The host folder, ending with the separator, as the insertion spells it.
  const std::string& HostFolder() const { return host_; }
  // Its image folder's path ("\" for the root).
  const std::string& ImageFolder() const { return image_; }
  // The image path of the folder that takes the host file `host_file`;
  // none for a file outside this source.
  std::optional<std::string> ImageFolderOf(const std::string& host_file) const;

 private:
  std::string host_, image_;
};

// Makes in the image every host folder below `root` that holds no file,
// directly or below it, and is not in the image yet (with the folders
// above it). Folders holding only files the mask or --archive-only left out
// are not empty and stay out. Full tables are told to `log`.
void KeepEmptyFolders(TOrlixBurner& burner, const SourceRoot& root, RefusalLog& log);

}  // namespace orlix::cli
