// Session import: an earlier session's directory tree, read from the disc in
// the drive, becomes part of the tree. Files keep the sectors their data
// already occupies; folders are written anew with the next session.
//
// A disc is untrusted input: any record may be damaged or hostile, and the
// disc may come from any other tool. Every read stays inside its sector and
// its record, records are stepped by their own length (so system-use areas
// of any kind are passed over), nothing past the end of the disc is read,
// and a folder is followed only once, so loops end. Damage is reported and
// passed over; what was read stays.
#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_set>

#include "burner/burner.h"
#include "burner/tree_names.h"
#include "device/session_place.h"
#include "framework/bytes.h"
#include "iso/bytes.h"
#include "iso/fields.h"
#include "messages/messages.h"

namespace orlix {

namespace {

constexpr uint32_t kSectorBytes = 2048;
constexpr uint32_t kFixedRecordBytes = 33;       // a directory record before its identifier
constexpr uint32_t kDescriptorsFrom = 16;        // sectors after the session's start
constexpr uint32_t kDescriptorsScanned = 21;     // sectors 16 to 36
constexpr uint8_t kFlagHidden = 0x01;            // file flags of a directory record
constexpr uint8_t kFlagDirectory = 0x02;
constexpr uint8_t kFlagMultiExtent = 0x80;
constexpr uint32_t kIsoNameLimit = 240;          // identifier bytes refused from here on
constexpr uint32_t kJolietNameLimit = 215;
// Tree levels are one byte; ISO 9660 itself allows eight. Deeper folders on
// a disc are reported rather than followed.
constexpr int kMaxLevel = 128;
// A hostile disc can hold a problem in every record: the first ones are
// kept and the rest counted.
constexpr size_t kMaxProblems = 1000;

std::string Decimal(uint64_t v) { return std::to_string(v); }

// The recording date of a record (bytes 18 to 23). The zone byte is not
// applied: discs are read where they were written, and the records keep the
// wall-clock time the files had. An impossible date gives date part 0; an
// impossible time of day gives midnight of a valid date (no time is better
// than a made-up one, and the date still sorts the file right).
TDateTime RecordDate(const uint8_t* date) {
  TDateTime day = 0, time = 0;
  if (!TryEncodeDate(static_cast<uint16_t>(1900 + date[0]), date[1], date[2], day)) day = 0;
  if (!TryEncodeTime(date[3], date[4], date[5], 0, time)) time = 0;
  return day + time;
}

// Names that cannot stand in the tree: "\" joins its paths, and "." and ".."
// are written as a folder's own two records.
bool TreeCannotHold(const std::string& name) {
  return name.empty() || name == "." || name == ".." || name.find('\\') != std::string::npos;
}

// One directory record as found on the disc.
struct Record {
  std::string name;  // without the version suffix
  std::string identifier;  // as text, for reports
  uint32_t extent = 0, length = 0;
  uint8_t flags = 0;
  uint8_t date[6] = {};
};

// Reads one session's tree, ISO or Joliet, into the burner's tree. One
// sector buffer serves the whole descent: a folder's records are parsed
// before any of its sub-folders is read.
class TSessionReader {
 public:
  TSessionReader(TOrlixBurner& burner, bool joliet, std::vector<std::string>& problems)
      : burner_(burner), joliet_(joliet), problems_(problems) {
    uint32_t last = 0, block = 0;
    if (burner_.ReadCapacity(last, block) && last > 0) disc_end_ = uint64_t{last} + 1;
  }
  ~TSessionReader() {
    if (dropped_ > 0) {
      const std::string text = Format(ERR_IMPORTMORE, dropped_);
      burner_.DebugMsg(">>> " + text, 4);
      problems_.push_back(text);
    }
  }

  // Without a capacity from the drive, the session's own volume size bounds it.
  void BoundBy(uint64_t end) {
    if (disc_end_ == kUnknownEnd && end > 0) disc_end_ = end;
  }

  // Reads the folder at `extent` into `dir`, and the folders below it; true
  // when an entry was added. `path` names the folder in reports.
  bool Folder(uint32_t extent, uint32_t length, PDEntry dir, const std::string& path, int level) {
    if (!Followable(extent, length, path, level)) return false;
    std::vector<Record> records;
    top_read_ = ReadRecords(extent, length, path, records);
    return top_read_ && AddRecords(records, dir, path, level);
  }

  // The first sector of the folder Folder was given could be read.
  bool TopRead() const { return top_read_; }

 private:
  static constexpr uint64_t kUnknownEnd = uint64_t{1} << 32;

  void Problem(const std::string& text) {
    if (problems_.size() >= kMaxProblems) {
      ++dropped_;
      return;
    }
    burner_.DebugMsg(">>> " + text, 4);
    problems_.push_back(text);
  }

  // A folder is read once, inside the disc, and not too deep.
  bool Followable(uint32_t extent, uint32_t length, const std::string& path, int level) {
    const uint64_t end = uint64_t{extent} + static_cast<uint64_t>(Sectors(length));
    if (end > disc_end_) {
      Problem(Format(ERR_IMPORTPASTEND, path, Decimal(extent), Decimal(end - 1), Decimal(disc_end_)));
      return false;
    }
    if (level > kMaxLevel) {
      Problem(Format(ERR_IMPORTDEPTH, path, kMaxLevel));
      return false;
    }
    // Every folder has an extent of its own: one met again is itself, a
    // folder above it, or another folder's, and following it would go
    // round or repeat a whole branch.
    if (!visited_.insert(extent).second) {
      Problem(Format(ERR_IMPORTLOOP, path));
      return false;
    }
    return true;
  }

  bool ReadRecords(uint32_t extent, uint32_t length, const std::string& path, std::vector<Record>& records) {
    read_ = false;
    const int64_t sectors = Sectors(length);
    for (int64_t s = 0; s < sectors; ++s) {
      const uint32_t lba = extent + static_cast<uint32_t>(s);
      std::memset(sector_, 0, sizeof sector_);
      if (!burner_.Read10(lba, 1, sector_, sizeof sector_)) {
        Problem(Format(ERR_IMPORTREAD, Decimal(lba), path, burner_.LastError()));
        break;
      }
      if (s == 0) read_ = true;
      // The folder's length ends its records, even inside a sector.
      const uint32_t used = static_cast<uint32_t>(std::min<int64_t>(kSectorBytes, length - s * kSectorBytes));
      ParseSector(used, lba, path, records);
    }
    return read_;
  }

  void ParseSector(uint32_t used, uint32_t lba, const std::string& path, std::vector<Record>& records) {
    uint32_t p = 0;
    while (p < used) {
      const uint32_t length = sector_[p];
      if (length == 0) break;  // the rest of the sector is padding
      if (length < kFixedRecordBytes + 1 || p + length > used) {
        Damage(p, lba, path, length < kFixedRecordBytes + 1 ? "shorter than a record" : "past the sector");
        break;  // nothing after it can be trusted to start a record
      }
      const uint8_t* r = sector_ + p;
      const uint32_t n = r[32];
      if (kFixedRecordBytes + n > length) {
        Damage(p, lba, path, "identifier past the record");
        p += length;
        continue;
      }
      p += length;
      if (n == 1 && (r[33] == 0x00 || r[33] == 0x01)) continue;  // the folder itself, its parent
      Record rec;
      rec.identifier = joliet_ ? Ucs2BEToUtf8(r + 33, n) : std::string(reinterpret_cast<const char*>(r + 33), n);
      if (n >= (joliet_ ? kJolietNameLimit : kIsoNameLimit)) {
        Problem(Text(ERR_INVALIDFILENAME) + "\n\r" + rec.identifier);
        continue;
      }
      rec.name = rec.identifier.substr(0, rec.identifier.find(';'));
      rec.extent = GetLE32(r + 2);
      rec.length = GetLE32(r + 10);
      rec.flags = r[25];
      std::memcpy(rec.date, r + 18, sizeof rec.date);
      records.push_back(std::move(rec));
    }
  }

  void Damage(uint32_t offset, uint32_t lba, const std::string& path, const char* why) {
    Problem(Format(ERR_IMPORTRECORD, static_cast<int>(offset), Decimal(lba), path, why));
  }

  bool AddRecords(const std::vector<Record>& records, PDEntry dir, const std::string& path, int level) {
    // A file of several extents has one record per extent, all but the last
    // flagged; the tree holds files of one extent only.
    std::set<std::string> several;
    for (const Record& r : records)
      if (r.flags & kFlagMultiExtent) several.insert(r.name);
    bool added = false;
    for (const Record& r : records) {
      const std::string where = (path == "\\" ? path : path + "\\") + r.name;
      if (several.count(r.name)) {
        if (r.flags & kFlagMultiExtent) continue;  // reported once, at the last extent
        Problem(Format(ERR_IMPORTEXTENTS, where));
        continue;
      }
      if (TreeCannotHold(r.name)) {
        Problem(Format(ERR_IMPORTNAME, where));
        continue;
      }
      added |= (r.flags & kFlagDirectory) ? AddFolder(r, dir, where, level) : AddFile(r, dir, where);
    }
    return added;
  }

  TSearchRec SearchRecord(const Record& r, const std::string& name, TDateTime date) const {
    TSearchRec rec;
    rec.Name = name;
    rec.AlternateName = MakeShortName(name);
    rec.Size = static_cast<int32_t>(r.length);
    rec.SizeLow = r.length;
    rec.SizeHigh = 0;
    rec.Attr = (r.flags & kFlagHidden ? faHidden : 0) | (r.flags & kFlagDirectory ? faDirectory : 0);
    rec.Time = DateTimeToFileDate(date);
    return rec;
  }

  // An entry of that name this import made already differs only in case.
  bool SameButForCase(PFEntry found, const std::string& where) {
    if (found == nullptr || !mine_.count(found)) return false;
    Problem(Format(ERR_IMPORTCASE, where));
    return true;
  }

  // The packed file date holds even seconds from 1980 on only: the entry
  // takes the record's own date, unless the host's handler chose another.
  static void KeepDate(PFEntry entry, int32_t packed, TDateTime date) {
    TDateTime offered;
    if (!TryFileDateToDateTime(packed, offered) || entry->DateTime == offered) entry->DateTime = date;
  }

  bool AddFolder(const Record& r, PDEntry dir, const std::string& where, int level) {
    PFEntry found = burner_.FindFile(dir, r.name);
    if (SameButForCase(found, where)) return false;
    // A file given for the new session takes the place of the old folder.
    if (found && !(found->Attr & faDirectory)) return false;
    if (!Followable(r.extent, r.length, where, level + 1)) return false;
    const TDateTime date = RecordDate(r.date);
    const TSearchRec rec = SearchRecord(r, r.name, date);
    PDEntry sub = burner_.CreateDir(dir, rec);
    if (sub == nullptr) {
      Problem(Format(ERR_IMPORTREFUSED, where));
      return false;
    }
    if (!found) {
      // A new folder: its entry is this import's.
      if (PFEntry entry = burner_.FindFile(dir, r.name)) {
        mine_.insert(entry);
        KeepDate(entry, rec.Time, date);
      }
    }
    std::vector<Record> records;
    if (ReadRecords(r.extent, r.length, where, records)) AddRecords(records, sub, where, level + 1);
    return true;
  }

  bool AddFile(const Record& r, PDEntry dir, const std::string& where) {
    const int64_t sectors = Sectors(r.length);
    if (sectors > 0 && r.extent == 0) {
      // Sector 0 is the system area: no file's data lies there, and an entry
      // without a disc address would be taken for data still to be written.
      Problem(Format(ERR_IMPORTRECORD, 0, "0", where, "file data at sector 0"));
      return false;
    }
    if (uint64_t{r.extent} + static_cast<uint64_t>(sectors) > disc_end_) {
      Problem(Format(ERR_IMPORTPASTEND, where, Decimal(r.extent), Decimal(r.extent + sectors - 1),
                     Decimal(disc_end_)));
      return false;
    }
    // The tree gives a name without a dot one at its end.
    const std::string long_name = r.name.find('.') == std::string::npos ? r.name + "." : r.name;
    if (SameButForCase(burner_.FindFile(dir, long_name), where)) return false;
    const TDateTime date = RecordDate(r.date);
    const TSearchRec rec = SearchRecord(r, r.name, date);
    const int32_t address = sectors > 0 ? static_cast<int32_t>(r.extent) : 0;
    if (burner_.InsertFile(dir, rec, "", address, false) == 1) {
      PFEntry entry = burner_.LastInserted();
      mine_.insert(entry);
      KeepDate(entry, rec.Time, date);
      return true;
    }
    // An entry of the new session keeps its place (ReplaceFile); anything
    // else was refused by the tree.
    if (burner_.FindFile(dir, long_name) == nullptr) Problem(Format(ERR_IMPORTREFUSED, where));
    return false;
  }

  TOrlixBurner& burner_;
  const bool joliet_;
  std::vector<std::string>& problems_;
  uint64_t disc_end_ = kUnknownEnd;
  std::unordered_set<uint32_t> visited_;
  std::unordered_set<PFEntry> mine_;  // entries this import added
  size_t dropped_ = 0;
  bool read_ = false;
  bool top_read_ = false;
  uint8_t sector_[kSectorBytes] = {};
};

// The descriptors of one session: the primary's and the Joliet
// supplementary's root folders, and the volume size.
struct SessionRoots {
  bool iso = false, joliet = false;
  uint32_t iso_extent = 0, iso_length = 0, joliet_extent = 0, joliet_length = 0;
  uint32_t volume_end = 0;
};

// A supplementary descriptor is Joliet only with one of its three escape
// sequences; others (ISO 9660:1999's enhanced descriptor) hold 8-bit names.
bool JolietEscape(const uint8_t* d) {
  return d[88] == 0x25 && d[89] == 0x2F && (d[90] == 0x40 || d[90] == 0x43 || d[90] == 0x45);
}

SessionRoots FindRoots(TOrlixBurner& burner, uint32_t start) {
  SessionRoots roots;
  uint8_t d[kSectorBytes];
  for (uint32_t i = 0; i < kDescriptorsScanned; ++i) {
    std::memset(d, 0, sizeof d);
    if (!burner.Read10(start + kDescriptorsFrom + i, 1, d, sizeof d)) continue;
    if (std::memcmp(d + 1, "CD001", 5) != 0) continue;
    if (d[0] == 255) break;  // set terminator
    const uint32_t extent = GetLE32(d + 158), length = GetLE32(d + 166);
    if (d[0] == 1 && !roots.iso) {
      roots.iso = true;
      roots.iso_extent = extent;
      roots.iso_length = length;
      roots.volume_end = GetLE32(d + 80);
    } else if (d[0] == 2 && !roots.joliet && JolietEscape(d)) {
      roots.joliet = true;
      roots.joliet_extent = extent;
      roots.joliet_length = length;
    }
  }
  return roots;
}

// The level of `dir` and its path in reports ("\" for the root).
std::string ReportPath(PDEntry dir) {
  std::string path;
  for (PDEntry d = dir; d != nullptr && d->Parent != d; d = d->Parent) path = "\\" + d->LongName + path;
  return path.empty() ? "\\" : path;
}

}  // namespace

bool TOrlixBurner::ImportSession(int8_t Session, PDEntry Dir) {
  import_problems_.clear();
  if (Dir == nullptr) Dir = Root();
  if (Dir == nullptr) return false;
  const int sessions = SessionsOnDisc();
  if (sessions == 0 || Session == 0) return false;
  // -1 is the last session and -2 the one before it; a number above the
  // last also means the last.
  int session = Session;
  if (session > sessions) session = sessions;
  if (session < 0) session = sessions + 1 + session;
  if (session < 1) {
    const std::string text = Format(ERR_IMPORTNUMBER, static_cast<int>(Session), sessions);
    DebugMsg(">>> " + text, 4);
    import_problems_.push_back(text);
    return false;
  }
  DebugMsg(">>> " + Format(MSG_IMPORTINGSESSION, session), 1);

  SessionPlace place;
  if (!FindSessionPlace(*this, session, place)) {
    const std::string text = Text(ERR_IMPORTSESSION) + " # " + std::to_string(session);
    DebugMsg(">>> " + text, 4);
    import_problems_.push_back(text);
    return false;
  }
  const uint32_t start = place.start;

  const SessionRoots roots = FindRoots(*this, start);
  if (!roots.iso && !roots.joliet) {
    const std::string text = Format(ERR_ISOIMAGENOTFOUND, session);
    DebugMsg(">>> " + text, 4);
    import_problems_.push_back(text);
    return false;
  }
  // The Joliet tree keeps the long names.
  TSessionReader reader(*this, roots.joliet, import_problems_);
  reader.BoundBy(roots.volume_end);
  if (roots.joliet)
    reader.Folder(roots.joliet_extent, roots.joliet_length, Dir, ReportPath(Dir), Dir->Level);
  else
    reader.Folder(roots.iso_extent, roots.iso_length, Dir, ReportPath(Dir), Dir->Level);
  return reader.TopRead();
}

bool TOrlixBurner::ImportSessionDirectory(uint32_t Extent, uint32_t Length, PDEntry Dir) {
  if (Dir == nullptr) return false;
  import_problems_.clear();
  TSessionReader reader(*this, false, import_problems_);
  return reader.Folder(Extent, Length, Dir, ReportPath(Dir), Dir->Level);
}

bool TOrlixBurner::ImportSessionDirectoryJ(uint32_t Extent, uint32_t Length, PDEntry Dir) {
  if (Dir == nullptr) return false;
  import_problems_.clear();
  TSessionReader reader(*this, true, import_problems_);
  return reader.Folder(Extent, Length, Dir, ReportPath(Dir), Dir->Level);
}

}  // namespace orlix
