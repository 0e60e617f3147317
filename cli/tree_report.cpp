// Filling the tree from host paths, naming what it leaves out.
#include "cli/tree_report.h"

#include <cstdio>
#include <vector>

#include "burner/tree_names.h"
#include "cli/exit_status.h"
#include "messages/messages.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"
#include "platform/file_kind.h"
#include "platform/file_search.h"
#include "platform/short_names.h"

namespace orlix::cli {
namespace {

constexpr int64_t kMaxFileSize = (int64_t{1} << 32) - 1;
constexpr size_t kMaxLongName = 127;

// A folder's path from the long names, as the host spelled them.
std::string LongPath(PDEntry dir) {
  std::string path;
  for (PDEntry d = dir; d && d->Parent && d->Parent != d; d = d->Parent) path.insert(0, "\\" + d->LongName);
  return path.empty() ? "\\" : path;
}

// The last part of a host path.
std::string BaseName(const std::string& path) { return path.substr(HostFolderOf(path).size()); }

// `name` with "~N" before its extension (a leading dot starts none, and an
// extension of half the limit is part of the stem), the smallest N its
// folder does not hold yet; the stem is cut so that the name keeps within
// the limit of the tree.
std::string FreeName(TOrlixBurner& burner, PDEntry dir, const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == 0 || (dot != std::string::npos && CharacterCount(name.substr(dot)) > kMaxLongName / 2))
    dot = std::string::npos;
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  const std::string stem = name.substr(0, dot);
  for (uint32_t n = 1;; ++n) {
    const std::string mark = "~" + std::to_string(n) + ext;
    std::string cut = stem;
    while (!cut.empty() && CharacterCount(cut + mark) > kMaxLongName) {
      // A whole character goes, never only some bytes of it.
      while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();
      if (!cut.empty()) cut.pop_back();
    }
    if (!burner.FindFile(dir, cut + mark)) return cut + mark;
  }
}

// A short name for the renamed file when the one it came with is taken in
// the folder: made from the new long name, as the host would make it.
std::string FreeShortName(PDEntry dir, const std::string& short_name, const std::string& long_name) {
  bool taken = false;
  TShortNameGenerator names;
  for (PFEntry e = dir->FirstFile; e; e = e->Next) {
    taken |= e->Name == UpperCaseAscii(short_name);
    names.Reserve(e->Name);
  }
  if (!taken) return short_name;
  const std::string made = names.Generate(long_name);
  return made.empty() ? UpperCaseAscii(long_name) : made;
}

}  // namespace

RefusalLog::RefusalLog(TOrlixBurner& burner, NameReport& names) : burner_(burner), names_(names) {
  burner_.OnAddFile = [this](TComponent*, const std::string& path, std::string& long_name,
                             std::string& short_name, TDateTime&, int32_t, int64_t size, bool& skip) {
    Settle();
    pending_ = Pending{true, path, long_name, size, skip, burner_.LastInserted(), full_tables_, "", "", ""};
    // /proc and /sys files show 0 bytes and yield data when read: recorded
    // by their size they would be empty on the disc.
    if (!skip && size == 0 && FileOnKernelFileSystem(path))
      skip = pending_.skip = pending_.kernel_file = true;
    if (!skip) CheckName(pending_, long_name, short_name);
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

void RefusalLog::CheckName(Pending& file, std::string& long_name, std::string& short_name) {
  const std::optional<std::string> folder = source_ ? source_->ImageFolderOf(file.path) : std::nullopt;
  PDEntry dir = folder ? burner_.FindDir(*folder) : nullptr;
  PFEntry held = dir ? burner_.FindFile(dir, long_name) : nullptr;
  if (!held) return;
  file.held = held->LongName;
  if (!rename_duplicates_) return;
  file.image_path = LongPath(dir);
  file.image_path += (file.image_path.size() > 1 ? "\\" : "") + BaseName(file.path);
  file.renamed = FreeName(burner_, dir, long_name);
  short_name = FreeShortName(dir, short_name, file.renamed);
  long_name = file.renamed;
}

void RefusalLog::Settle() {
  if (!pending_.active) return;
  pending_.active = false;
  PFEntry now = burner_.LastInserted();
  if (now != pending_.last_before && now && now->SourcePath == pending_.path) {
    if (!pending_.renamed.empty())
      names_.Renamed(pending_.image_path, pending_.renamed, "the folder already holds " + pending_.held);
    return;
  }
  std::string reason;
  if (pending_.kernel_file) {
    reason = "a file the kernel makes as it is read (its size, 0, says nothing of its data)";
  } else if (pending_.skip) {
    const size_t count = CharacterCount(pending_.long_name);
    reason = "name has " + std::to_string(count) + " characters";
    // The tree gives a name without extension a final dot, which counts.
    if (BaseName(pending_.path).find('.') == std::string::npos) reason += " with the dot the image adds";
    reason += " (at most " + std::to_string(kMaxLongName) + ")";
  } else if (const TFileKind kind = FileKindOf(pending_.path);
             kind != TFileKind::Regular && kind != TFileKind::None) {
    reason = std::string("a ") + FileKindName(kind) + ", not a regular file";
  } else if (pending_.size > kMaxFileSize) {
    reason = "4 GiB or larger (" + Text(ERR_NOTSUPPORTED) + ")";
  } else if (full_tables_ > pending_.full_before) {
    reason = "the tree is full (" + last_full_message_ + ")";
  } else if (!pending_.held.empty()) {
    reason = "the folder already holds \"" + pending_.held +
             "\" (names are compared ignoring case; --rename-duplicates keeps both)";
  } else {
    reason = "the folder already holds an entry of that name (names are compared ignoring case)";
  }
  LeftOut(pending_.path, reason);
}

void RefusalLog::LeftOut(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "orlix: left out %s: %s\n", Shown(path).c_str(), Shown(reason).c_str());
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
  const bool is_dir = (attr & faDirectory) != 0;
  const SourceRoot source(burner, dest_path, path, is_dir, options.keep_path);
  log.BeginSource(&source, options.rename_duplicates);
  if (is_dir) {
    const int32_t r =
        burner.InsertDir(dest, path, options.mask, faAnyFile, true, options.keep_path, options.archive_only);
    log.Settle();
    if (r == 0 && log.FullTables() > full_before) {
      log.LeftOut(path,
                  "the tree is full (" + log.LastFullMessage() + "); the rest of this folder was not added");
    } else if (options.empty_dirs) {
      KeepEmptyFolders(burner, source, log);
    }
  } else {
    const int32_t r = burner.InsertFile(dest_path, path, options.keep_path);
    log.Settle();
    if (r < 0) log.LeftOut(path, "the file cannot be found");
  }
  log.BeginSource(nullptr, false);
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
