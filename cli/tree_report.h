// Filling the burner's tree from host paths while naming on stderr, with the
// reason, everything the tree leaves out. Shared by the commands that build
// a tree (tree, mkiso).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "burner/burner.h"

namespace orlix::cli {

// Follows insertion calls through the burner's OnAddFile and OnDebugMessage
// events (it takes both over) and tells what they left out, and why.
class RefusalLog {
 public:
  explicit RefusalLog(TOrlixBurner& burner);

  // Call when an insertion call has returned.
  void Settle();
  void LeftOut(const std::string& path, const std::string& reason);

  size_t FullTables() const { return full_tables_; }
  const std::string& LastFullMessage() const { return last_full_message_; }
  int LeftOutCount() const { return left_out_; }

 private:
  struct Pending {
    bool active = false;
    std::string path, long_name;
    int64_t size = 0;
    bool skip = false;
    PFEntry last_before = nullptr;
    size_t full_before = 0;
  };
  TOrlixBurner& burner_;
  Pending pending_;
  size_t full_tables_ = 0;
  std::string last_full_message_;
  int left_out_ = 0;
};

struct SourceOptions {
  bool keep_path = false;
  bool archive_only = false;
  std::string mask = "*.*";
};

// Adds a host file, or a host folder's content recursively, to the image
// folder `dest` (whose path is `dest_path`). False when the path does not
// exist (already reported); refusals go to `log`.
bool AddSource(TOrlixBurner& burner, PDEntry dest, const std::string& dest_path, const std::string& path,
               const SourceOptions& options, RefusalLog& log);

// Takes out of the tree the files that cannot be opened now: they could not
// be recorded either.
void DropUnreadableFiles(TOrlixBurner& burner, RefusalLog& log);

}  // namespace orlix::cli
