// Host folders of a source and their image folders; empty folders kept.
#include "cli/source_folders.h"

#include <algorithm>
#include <vector>

#include "burner/tree_names.h"
#include "cli/tree_report.h"
#include "iso/fields.h"
#include "platform/file_search.h"

namespace orlix::cli {
namespace {

bool IsDotName(const std::string& name) { return name == "." || name == ".."; }

// A host folder below the source, as listed in its parent.
struct HostFolder {
  TSearchRec rec;
  bool holds_files = false;  // a file in it or anywhere below it
  std::vector<HostFolder> subs;
};

// Lists `path` (ending with the separator) and everything below it. A
// folder that cannot be listed counts as holding files: nothing is known
// to be empty there, and the insertion has named it already. `descent`
// holds the folders the walk is inside, so that a link back to one of them
// is not followed round and round (the insertion leaves those out too).
void Scan(const std::string& path, HostFolder& folder, std::vector<std::string>& descent) {
  TSearchRec rec;
  int rc = FindFirst(path + "*.*", faAnyFile, rec);
  if (rc != 0) folder.holds_files = true;
  for (; rc == 0; rc = FindNext(rec)) {
    if (IsDotName(rec.Name)) continue;
    if (!(rec.Attr & faDirectory)) {
      folder.holds_files = true;
      continue;
    }
    HostFolder sub;
    sub.rec = rec;
    sub.rec.State.reset();
    folder.subs.push_back(std::move(sub));
  }
  FindClose(rec);
  for (HostFolder& sub : folder.subs) {
    const std::string sub_path = path + sub.rec.Name;
    std::string id = FileIdentity(sub_path);
    if (!id.empty() && std::find(descent.begin(), descent.end(), id) != descent.end()) {
      sub.holds_files = true;  // never made: the insertion refused it
      continue;
    }
    descent.push_back(std::move(id));
    Scan(sub_path + PathDelim, sub, descent);
    descent.pop_back();
    folder.holds_files |= sub.holds_files;
  }
}

// An image folder, found or made only when something below it needs it.
struct Place {
  const Place* up;
  const TSearchRec* rec;  // none for the source's own folder
  mutable PDEntry dir = nullptr;
};

class Maker {
 public:
  Maker(TOrlixBurner& burner, RefusalLog& log) : burner_(burner), log_(log) {}

  // Makes the empty folders below `folder`, whose image folder is `place`.
  void Visit(const HostFolder& folder, const Place& place, const std::string& host_path) {
    for (const HostFolder& sub : folder.subs) {
      if (full_) return;
      const Place child{&place, &sub.rec};
      const std::string sub_path = host_path + sub.rec.Name;
      if (!sub.holds_files && !Ensure(child)) {
        full_ = true;
        log_.LeftOut(sub_path, "an empty folder; the tree is full (" + log_.LastFullMessage() + ")");
        return;
      }
      Visit(sub, child, sub_path + PathDelim);
    }
  }

 private:
  PDEntry Ensure(const Place& p) {
    if (p.dir) return p.dir;
    PDEntry parent = p.up ? Ensure(*p.up) : nullptr;
    // CreateDir gives the folder the insertion made when there is one, and
    // the host's 8.3 name from the record otherwise, as the insertion would.
    if (parent) p.dir = burner_.CreateDir(parent, *p.rec);
    return p.dir;
  }

  TOrlixBurner& burner_;
  RefusalLog& log_;
  bool full_ = false;
};

// The image path without a trailing "\"; "\" for the root.
std::string Trimmed(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty() || path[0] != '\\') path.insert(path.begin(), '\\');
  return path;
}

}  // namespace

SourceRoot::SourceRoot(const TOrlixBurner& burner, const std::string& dest_path, const std::string& source,
                       bool is_dir, bool keep_path) {
  if (is_dir) {
    host_ = source;
    if (host_.empty() || !IsHostDelim(host_.back())) host_ += PathDelim;
  } else {
    host_ = HostFolderOf(source);
  }
  image_ = dest_path;
  if (keep_path) {
    // Where the insertion puts a source whose folder structure it keeps.
    image_ = KeptFolderPath(is_dir ? source : HostFolderOf(source));
    if (burner.LastDirOnly()) image_ = ExtractLastDir(image_);
    if (is_dir && Trimmed(dest_path) != "\\") image_ = Trimmed(dest_path) + image_;
  }
  image_ = Trimmed(image_);
}

std::optional<std::string> SourceRoot::ImageFolderOf(const std::string& host_file) const {
  if (host_file.compare(0, host_.size(), host_) != 0) return std::nullopt;
  std::string folder = HostFolderOf(std::string_view(host_file).substr(host_.size()));
  if (folder.empty()) return image_;
  folder.pop_back();
  for (char& c : folder)
    if (IsHostDelim(c)) c = '\\';
  return image_ == "\\" ? "\\" + folder : image_ + "\\" + folder;
}

void KeepEmptyFolders(TOrlixBurner& burner, const SourceRoot& root, RefusalLog& log) {
  HostFolder top;
  std::vector<std::string> descent{FileIdentity(root.HostFolder())};
  Scan(root.HostFolder(), top, descent);
  const Place place{nullptr, nullptr, burner.FindDir(root.ImageFolder())};
  if (!place.dir) return;
  Maker(burner, log).Visit(top, place, root.HostFolder());
}

}  // namespace orlix::cli
