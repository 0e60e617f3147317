// Making directories: by search record, by name, and by whole path.
#include "burner/burner.h"
#include "burner/name_reports.h"
#include "burner/tree_names.h"
#include "iso/tree_index.h"
#include "messages/messages.h"

namespace orlix {

PDEntry TOrlixBurner::CreateDir(PDEntry parent, const TSearchRec& rec) {
  if (!parent) return nullptr;
  std::string full = parent->Path + "\\" + rec.Name;
  if (full.size() >= 2 && full[0] == '\\' && full[1] == '\\') full.erase(0, 1);
  if (PDEntry existing = FindDir(full)) return existing;

  PDEntry dir = nullptr;
  PFEntry entry = nullptr;
  New_D(dir);
  if (!dir) return nullptr;
  New_F(entry);
  if (!entry) {
    DeleteDirEntry(dir);
    return nullptr;
  }

  const std::string& long_name = rec.Name;
  const std::string given_name = rec.AlternateName.empty() ? UpperCaseAscii(long_name) : rec.AlternateName;
  // A folder's short name must not meet a file's or another folder's there.
  const std::string short_name = UniqueShortName(parent, given_name, nullptr);

  dir->Parent = parent;
  dir->FirstFile = nullptr;
  dir->LongName = long_name;
  dir->Name = short_name;
  dir->Level = static_cast<uint8_t>(parent->Level + 1);
  dir->Path = GetDirPath(dir);

  entry->LongName = long_name;
  entry->Name = short_name;
  // The entry stands for a directory whatever attributes the caller gave:
  // without the bit it would be written as a file.
  entry->Attr = rec.Attr | faDirectory;
  entry->Size = 0;
  entry->SizeJ = 0;
  entry->Dir = dir;
  if (!TryFileDateToDateTime(rec.Time, entry->DateTime)) entry->DateTime = Now();
  tree_index::Append(parent, entry);

  prepared_ = false;
  if (short_name != given_name)
    ReportNameChange(*this, EntryImagePath(parent, long_name), given_name, short_name, TNameChange::ncIsoUnique);
  return dir;
}

PDEntry TOrlixBurner::CreateDir(PDEntry parent, const std::string& name, int32_t attr) {
  std::string n = name;
  if (!n.empty() && n.front() == '\\') n.erase(0, 1);
  if (!n.empty() && n.back() == '\\') n.pop_back();
  TSearchRec rec;
  rec.Name = n;
  rec.AlternateName = MakeShortName(n);
  rec.Time = DateTimeToFileDate(Now());
  rec.Attr = attr;
  return CreateDir(parent, rec);
}

PDEntry TOrlixBurner::CreateDir(const std::string& parent_path, const std::string& name) {
  PDEntry parent = FindDir(parent_path);
  if (!parent) {
    DebugMsg(Text(ERR_INVALIDDESTDIR), 4);
    return nullptr;
  }
  return CreateDir(parent, name, faDirectory);
}

PDEntry TOrlixBurner::CreateDir(const std::string& path) { return MakeDir(path); }

PDEntry TOrlixBurner::MakeDir(const std::string& path) {
  if (PDEntry found = FindDir(path)) return found;
  const size_t p = path.rfind('\\');
  const std::string parent_path = p == std::string::npos ? "" : path.substr(0, p);
  const std::string name = p == std::string::npos ? path : path.substr(p + 1);
  PDEntry parent = FindDir(parent_path);
  if (!parent) {
    MakeDir(parent_path);
    parent = FindDir(parent_path);
    if (!parent) return nullptr;
  }
  if (name.empty()) return nullptr;
  return CreateDir(parent, name, faDirectory);
}

}  // namespace orlix
