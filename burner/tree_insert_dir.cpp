// Adding host folders, recursively, and keeping a source's folder structure.
#include <algorithm>
#include <vector>

#include "burner/burner.h"
#include "burner/tree_names.h"
#include "iso/fields.h"
#include "messages/messages.h"
#include "platform/file_mask.h"
#include "platform/file_search.h"

namespace orlix {

namespace {

bool IsDotName(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

PDEntry TOrlixBurner::KeepPathTarget(PDEntry target, const std::string& host_folder, bool for_dir) {
  std::string path = KeptFolderPath(host_folder);
  // Only the source's part is cut to its last folder: the target stays.
  if (last_dir_only_) path = ExtractLastDir(path);
  if (for_dir && target && target != root_) path = target->Path + path;
  MakeDir(path);
  return FindDir(path);
}

int32_t TOrlixBurner::InsertDir(const std::string& dest_path, const std::string& source_dir,
                                const std::string& mask, int32_t search_attr, bool recursive, bool keep_path,
                                bool archive_only) {
  PDEntry dir = FindDir(dest_path);
  if (!dir) {
    DebugMsg(Text(ERR_INVALIDDESTDIR), 4);
    return 0;
  }
  return InsertDir(dir, source_dir, mask, search_attr, recursive, keep_path, archive_only);
}

int32_t TOrlixBurner::InsertDir(PDEntry dir, const std::string& source_dir, const std::string& mask,
                                int32_t search_attr, bool recursive, bool keep_path, bool archive_only) {
  if (keep_path && dir) dir = KeepPathTarget(dir, source_dir, true);
  if (!dir) {
    DebugMsg(Text(ERR_INVALIDDESTDIR), 4);
    return 0;
  }
  table_full_ = false;
  descent_.assign(1, FileIdentity(source_dir));
  const int32_t result = InsertDirInto(dir, source_dir, mask, search_attr, recursive, archive_only);
  descent_.clear();
  return result;
}

int32_t TOrlixBurner::InsertDirInto(PDEntry dir, const std::string& source_dir, const std::string& mask,
                                    int32_t search_attr, bool recursive, bool archive_only) {
  int32_t result = 0;
  std::string source = source_dir;
  if (source.empty() || !IsHostDelim(source.back())) source += PathDelim;
  const std::string file_mask = mask.empty() ? "*.*" : mask;

  // The folder is read once: the listing of every name taken for the
  // sub-folders also yields the files, filtered as a search for the mask
  // with the search attributes would filter them.
  const bool one_listing = recursive && file_mask.find_first_of("\\/") == std::string::npos;
  const TFileMask compiled(file_mask);
  const int32_t excluded = ~search_attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  std::vector<TSearchRec> files;

  TSearchRec rec;
  if (recursive) {
    const int first = FindFirst(source + "*.*", faAnyFile, rec);
    // A folder that can be read lists at least "." and "..".
    if (first != 0) DebugMsg(">>> " + Format(ERR_FILEINUSE, source_dir.c_str()), 4);
    for (int rc = first; rc == 0; rc = FindNext(rec)) {
      result = 1;
      if (one_listing && !(rec.Attr & excluded) && compiled.Matches(rec.Name)) {
        files.push_back(rec);
        files.back().State.reset();
      }
      if (!(rec.Attr & faDirectory) || IsDotName(rec.Name)) continue;
      std::string long_name = rec.Name;
      std::string short_name = rec.AlternateName.empty() ? UpperCaseAscii(long_name) : rec.AlternateName;
      bool skip = false;
      if (OnAddDir) OnAddDir(this, long_name, short_name, skip);
      if (skip) continue;
      // A link back to a folder the walk is inside would repeat it without
      // end; it is left out and named like any refused source.
      const std::string sub_source = source + rec.Name;
      std::string id = FileIdentity(sub_source);
      if (!id.empty() && std::find(descent_.begin(), descent_.end(), id) != descent_.end()) {
        DebugMsg(">>> " + Text(ERR_NOTSUPPORTED) + " " + sub_source, 4);
        continue;
      }
      TSearchRec named = rec;
      named.State.reset();
      named.Name = long_name;
      named.AlternateName = short_name;
      PDEntry sub = CreateDir(dir, named);
      if (!sub) {
        FindClose(rec);
        return 0;
      }
      descent_.push_back(std::move(id));
      result = InsertDirInto(sub, sub_source, file_mask, search_attr, recursive, archive_only);
      descent_.pop_back();
      if (!sub->FirstFile) RemoveDir(sub);
      // Only full tables end the walk; a refused file or an unreadable
      // folder leaves the rest of the tree to be added.
      if (result == 0 && table_full_) {
        FindClose(rec);
        return 0;
      }
    }
    FindClose(rec);
  }

  auto add = [&](const TSearchRec& found) {
    if (IsDotName(found.Name)) {
      result = 1;
    } else if (!(found.Attr & faDirectory) && (!archive_only || (found.Attr & faArchive))) {
      result = InsertFile(dir, found, source + found.Name, 0, archive_only);
    }
  };
  if (one_listing) {
    for (const TSearchRec& found : files) add(found);
  } else {
    for (int rc = FindFirst(source + file_mask, search_attr, rec); rc == 0; rc = FindNext(rec)) add(rec);
    FindClose(rec);
  }

  prepared_ = false;
  return result;
}

}  // namespace orlix
