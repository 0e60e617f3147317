// Filling the tree from host paths, naming what it leaves out.
#include "cli/tree_report.h"

#include <cstdio>
#include <vector>

#include "cli/exit_status.h"
#include "messages/messages.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"
#include "platform/file_search.h"

namespace orlix::cli {
namespace {

constexpr int64_t kMaxFileSize = (int64_t{1} << 32) - 1;

}  // namespace

RefusalLog::RefusalLog(TOrlixBurner& burner) : burner_(burner) {
  burner_.OnAddFile = [this](TComponent*, const std::string& path, std::string& long_name, std::string&,
                             TDateTime&, int32_t, int64_t size, bool& skip) {
    Settle();
    pending_ = Pending{true, path, long_name, size, skip, burner_.LastInserted(), full_tables_};
  };
  burner_.OnDebugMessage = [this](TComponent*, const std::string& message, uint8_t type) {
    if (type == 3) {
      ++full_tables_;
      last_full_message_ = message;
    } else if (type == 4) {
      // A folder reached again through a link inside itself is refused with
      // the not-supported line (files of 4 GiB are named through OnAddFile).
      const std::string refused = ">>> " + Text(ERR_NOTSUPPORTED) + " ";
      if (message.compare(0, refused.size(), refused) == 0) {
        const std::string path = message.substr(refused.size());
        const int32_t attr = FileGetAttr(path);
        if (attr != -1 && (attr & faDirectory))
          LeftOut(path, "a link back to a folder that holds it (" + Text(ERR_NOTSUPPORTED) + ")");
        return;
      }
      // A source folder that cannot be listed is named by the file-open
      // message; its contents never reach the tree.
      const std::string text = Text(ERR_FILEINUSE);
      const size_t hole = text.find("%s");
      if (hole == std::string::npos) return;
      const std::string before = ">>> " + text.substr(0, hole), after = text.substr(hole + 2);
      if (message.size() >= before.size() + after.size() && message.compare(0, before.size(), before) == 0 &&
          message.compare(message.size() - after.size(), after.size(), after) == 0) {
        LeftOut(message.substr(before.size(), message.size() - before.size() - after.size()),
                "the folder cannot be read");
      }
    }
  };
}

void RefusalLog::Settle() {
  if (!pending_.active) return;
  pending_.active = false;
  PFEntry now = burner_.LastInserted();
  if (now != pending_.last_before && now && now->SourcePath == pending_.path) return;
  std::string reason;
  if (pending_.skip) {
    reason = "name longer than 127 characters";
  } else if (pending_.size > kMaxFileSize) {
    reason = "4 GiB or larger (" + Text(ERR_NOTSUPPORTED) + ")";
  } else if (full_tables_ > pending_.full_before) {
    reason = "the tree is full (" + last_full_message_ + ")";
  } else {
    reason = "the folder already holds \"" + pending_.long_name + "\" (names are compared ignoring case)";
  }
  LeftOut(pending_.path, reason);
}

void RefusalLog::LeftOut(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "orlix: left out %s: %s\n", path.c_str(), reason.c_str());
  ++left_out_;
}

bool AddSource(TOrlixBurner& burner, PDEntry dest, const std::string& dest_path, const std::string& path,
               const SourceOptions& options, RefusalLog& log) {
  const int32_t attr = FileGetAttr(path);
  if (attr < 0) {
    Fail(path + ": no such file or folder");
    return false;
  }
  const size_t full_before = log.FullTables();
  if (attr & faDirectory) {
    const int32_t r =
        burner.InsertDir(dest, path, options.mask, faAnyFile, true, options.keep_path, options.archive_only);
    log.Settle();
    if (r == 0 && log.FullTables() > full_before) {
      log.LeftOut(path,
                  "the tree is full (" + log.LastFullMessage() + "); the rest of this folder was not added");
    }
  } else {
    const int32_t r = burner.InsertFile(dest_path, path, options.keep_path);
    log.Settle();
    if (r < 0) log.LeftOut(path, "the file cannot be found");
  }
  return true;
}

void DropUnreadableFiles(TOrlixBurner& burner, RefusalLog& log) {
  for (int32_t i = 0; i < DirCounter; ++i) {
    PDEntry dir = Dirs[i];
    for (PFEntry e = dir ? dir->FirstFile : nullptr; e;) {
      PFEntry next = e->Next;
      if (!e->Dir && !e->SourcePath.empty() && !FileReadable(e->SourcePath)) {
        log.LeftOut(e->SourcePath, "the file cannot be opened for reading");
        burner.RemoveFile(dir, e);
      }
      e = next;
    }
  }
}

}  // namespace orlix::cli
