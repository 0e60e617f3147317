// Adding files: from a search record (the one place entries for files are
// made), from a host path, under a chosen name, and from memory.
#include "burner/burner.h"
#include "burner/burner_state.h"
#include "burner/name_reports.h"
#include "burner/tree_names.h"
#include "iso/fields.h"
#include "iso/tree_index.h"
#include "messages/messages.h"
#include "platform/file_kind.h"
#include "platform/file_search.h"

namespace orlix {

namespace {

constexpr int64_t kMaxFileSize = (int64_t{1} << 32) - 1;  // 32-bit record lengths
constexpr size_t kMaxLongName = 127;                      // characters, not bytes

// Finds a host file; false when there is none.
bool FindSource(const std::string& path, TSearchRec& rec) {
  const bool found = FindFirst(path, faAnyFile, rec) == 0;
  FindClose(rec);
  return found;
}

}  // namespace

int32_t TOrlixBurner::InsertFile(PDEntry dir, const TSearchRec& rec, const std::string& source_path,
                                 int32_t address, bool archive_selected) {
  if (!dir) return 0;
  // A directory-type entry needs a directory record behind it: folders are
  // added with CreateDir or InsertDir, never as files.
  if (rec.Attr & faDirectory) return 0;

  std::string long_name = rec.Name;
  if (long_name.find('.') == std::string::npos) long_name += '.';
  PFEntry found = FindFile(dir, long_name);

  std::string short_name = rec.AlternateName.empty() ? UpperCaseAscii(long_name) : rec.AlternateName;
  TDateTime date;
  if (!TryFileDateToDateTime(rec.Time, date)) date = Now();
  const int64_t size = rec.Size64();
  bool skip = long_name.size() > kMaxLongName && CharacterCount(long_name) > kMaxLongName;

  if (OnAddFile) {
    const std::string before = UpperCaseAscii(long_name);
    OnAddFile(this, source_path, long_name, short_name, date, rec.Attr, size, skip);
    // A handler that renamed the file must not slip a second entry of an
    // existing name into the directory.
    if (UpperCaseAscii(long_name) != before) found = FindFile(dir, long_name);
  }
  if (skip || long_name.empty()) return 0;  // a nameless entry cannot be written
  if (size > kMaxFileSize) {
    DebugMsg(">>> " + Text(ERR_NOTSUPPORTED) + " " + (source_path.empty() ? long_name : source_path), 4);
    return 0;
  }
  // A FIFO, socket or device has no data of its own (reading a FIFO may wait
  // for ever), nor has a link that leads nowhere: none becomes an empty file.
  if (address == 0 && !source_path.empty()) {
    const TFileKind kind = FileKindOf(source_path);
    if (kind != TFileKind::Regular && kind != TFileKind::None) {
      DebugMsg(">>> " + Format(ERR_NOTREGULARFILE, source_path.c_str(), FileKindName(kind)), 4);
      return 0;
    }
  }

  PFEntry entry = found;
  if (found) {
    // A file never takes the place of a folder's entry.
    if (!replace_file_ || found->Dir || (found->Attr & faDirectory)) return 0;
  } else {
    New_F(entry);
    if (!entry) return 0;
  }

  // Short names come from each host folder on its own; grafted into one
  // image folder, two of them may meet.
  const std::string given_name = UpperCaseAscii(short_name);
  const std::string iso_name = UniqueShortName(dir, given_name, found);
  const std::string old_long_name = entry->LongName;
  const std::string old_name = entry->Name;
  entry->Name = iso_name;
  entry->LongName = long_name;
  entry->JolietName.clear();
  entry->Size = size;
  entry->SizeJ = size;
  entry->Form2SourceSize = -1;
  entry->AllocSize = 0;
  entry->Attr = rec.Attr;
  entry->DateTime = date;
  entry->SourcePath = source_path;
  entry->ArchiveSelected = archive_selected;
  entry->Form2 = IsPrev;
  // A replaced memory file's block is not this file's data.
  entry->Data = nullptr;
  if (found) {
    if (old_long_name != long_name) tree_index::Renamed(entry, old_long_name);
    if (old_name != entry->Name) tree_index::ShortRenamed(entry, old_name);
  } else {
    tree_index::Append(dir, entry);
  }
  if (address != 0) {
    entry->Address = static_cast<uint32_t>(address);
    entry->AddressJ = static_cast<uint32_t>(address);
    entry->Imported = true;
  } else {
    entry->Imported = false;
  }
  prepared_ = false;
  last_inserted_ = entry;
  if (iso_name != given_name)
    ReportNameChange(*this, EntryImagePath(dir, long_name), given_name, iso_name, TNameChange::ncIsoUnique);
  return 1;
}

int32_t TOrlixBurner::InsertFile(const std::string& dest_path, const std::string& source_file,
                                 bool keep_path) {
  PDEntry target = keep_path ? KeepPathTarget(root_, HostFolderOf(source_file), false) : FindDir(dest_path);
  if (!target) {
    DebugMsg(Text(ERR_INVALIDDESTDIR), 4);
    return 0;
  }
  TSearchRec rec;
  if (!FindSource(source_file, rec)) return -1;
  return InsertFile(target, rec, source_file, 0, false);
}

int32_t TOrlixBurner::InsertFileWithName(const std::string& dest_path, const std::string& source_file,
                                         const std::string& short_name, const std::string& long_name) {
  PDEntry target = FindDir(dest_path);
  if (!target || long_name.empty()) {
    DebugMsg(Text(ERR_INVALIDDESTDIR), 4);
    return 0;
  }
  TSearchRec rec;
  if (!FindSource(source_file, rec)) return -1;
  rec.Name = long_name;
  rec.AlternateName = UpperCaseAscii(short_name.empty() ? long_name : short_name).substr(0, 13);
  return InsertFile(target, rec, source_file, 0, false);
}

int32_t TOrlixBurner::InsertMemoryFile(const std::string& dest_path, const std::string& long_name,
                                       const std::string& short_name, uint8_t attr, void* data,
                                       uint32_t size) {
  PDEntry target = FindDir(dest_path);
  if (!target || long_name.empty()) {
    DebugMsg(Text(ERR_INVALIDDESTDIR), 4);
    return 0;
  }
  TSearchRec rec;
  rec.Name = long_name;
  rec.AlternateName = UpperCaseAscii(short_name.empty() ? long_name : short_name).substr(0, 13);
  rec.Size = static_cast<int32_t>(size);
  rec.SizeLow = size;
  rec.SizeHigh = 0;
  rec.Time = DateTimeToFileDate(Now());
  rec.Attr = attr;
  const int32_t result = InsertFile(target, rec, "", 0, false);
  if (result > 0) last_inserted_->Data = data;
  return result;
}

}  // namespace orlix
