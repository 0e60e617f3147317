// Filling the burner's tree from host paths while naming on stderr, with the
// reason, everything the tree leaves out or renames. Shared by the commands
// that build a tree (tree, mkiso, burn).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "burner/burner.h"
#include "cli/name_report.h"
#include "cli/source_folders.h"

namespace orlix::cli {

// Follows insertion calls through the burner's OnAddFile and OnDebugMessage
// events (it takes both over) and tells what they left out, and why. With
// renaming asked for, a file whose name its folder already holds gets a
// free "~N" name instead, told through `names`.
class RefusalLog {
 public:
  RefusalLog(TOrlixBurner& burner, NameReport& names);

  // The source the next insertion calls walk; none between sources.
  void BeginSource(const SourceRoot* source, bool rename_duplicates) {
    source_ = source;
    rename_duplicates_ = rename_duplicates;
  }

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
    std::string held;      // the name the folder already holds, as written there
    std::string image_path;  // of the file, when it was renamed
    std::string renamed;   // the free name it was given instead
    bool kernel_file = false;  // its size of 0 says nothing of its data
  };
  // Looks the file up in its image folder; renames it when asked to.
  void CheckName(Pending& file, std::string& long_name, std::string& short_name);

  TOrlixBurner& burner_;
  NameReport& names_;
  const SourceRoot* source_ = nullptr;
  bool rename_duplicates_ = false;
  Pending pending_;
  size_t full_tables_ = 0;
  std::string last_full_message_;
  int left_out_ = 0;
};

struct SourceOptions {
  bool keep_path = false;
  bool archive_only = false;
  std::string mask = "*.*";
  // Host folders that hold no file are made in the image too.
  bool empty_dirs = true;
  // A file whose name its folder already holds (ignoring case) is added
  // under a free "~N" name instead of being left out.
  bool rename_duplicates = false;
};

// Adds a host file, or a host folder's content recursively, to the image
// folder `dest` (whose path is `dest_path`), then the folder's empty host
// folders unless left out by the options. False when the path does not
// exist (already reported); refusals go to `log`.
bool AddSource(TOrlixBurner& burner, PDEntry dest, const std::string& dest_path, const std::string& path,
               const SourceOptions& options, RefusalLog& log);

// Takes out of the tree the files that cannot be opened now: they could not
// be recorded either.
void DropUnreadableFiles(TOrlixBurner& burner, RefusalLog& log);

}  // namespace orlix::cli
