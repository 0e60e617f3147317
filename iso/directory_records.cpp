// Directory records of the ISO and Joliet trees, their sizes and extents.
#include "iso/directory_records.h"

#include <cstring>
#include <string_view>

#include "iso/bytes.h"
#include "iso/fields.h"
#include "iso/joliet_names.h"

namespace orlix {
namespace {

constexpr uint8_t kZeroSector[2048] = {};
constexpr int32_t kDirAttr = 0x10;
constexpr int32_t kHiddenAttr = 0x02;
constexpr int32_t kXaEntryLength = 14;

bool IsDir(const TFEntry* e) { return (e->Attr & kDirAttr) != 0; }

// The longest identifier a record of at most 255 bytes can carry: odd, so
// that it needs no padding byte.
size_t MaxIdentifier() {
  const int32_t budget = kMaxRecordLength - kRecordFixedBytes - SystemUseLength();
  return static_cast<size_t>(budget % 2 != 0 ? budget : budget - 1);
}

// Where a cut identifier keeps its tail: from the last '.' of the name on,
// unless that tail would take more than half the room.
size_t UnitsBeforeTail(size_t name_units, size_t dot, size_t suffix_units, size_t max_units) {
  if (dot == std::string::npos) return name_units;
  if ((name_units - dot) + suffix_units > max_units / 2) return name_units;
  return dot;
}

std::string DotIdentifier(const std::string& name) { return std::string(1, name.size() == 1 ? '\0' : '\1'); }

// Fills a record and returns its length.
struct RecordFacts {
  uint32_t extent;
  int64_t length;
  TDateTime date;
  bool dir;
  bool hidden;
  bool form2;
};

int32_t BuildRecord(TDirectoryDescriptor& r, const std::string& id, const RecordFacts& f) {
  r.fill(0);
  const int32_t n = static_cast<int32_t>(id.size());
  const int32_t length = RecordLength(id.size());
  r[0] = static_cast<uint8_t>(length);
  PutBoth32(&r[2], f.extent);
  PutBoth32(&r[10], static_cast<uint32_t>(f.length));
  SetDateTime(f.date, r.data());
  r[25] = static_cast<uint8_t>((f.dir ? 2 : 0) | (f.hidden ? 1 : 0));
  PutBoth16(&r[28], 1);
  r[32] = static_cast<uint8_t>(n);
  std::memcpy(&r[33], id.data(), id.size());
  if (SystemUseLength() == kXaEntryLength) {
    uint8_t* su = &r[33 + n + (n % 2 == 0 ? 1 : 0)];
    PutBE16(su + 4, f.dir ? 0x8D55 : f.form2 ? 0x1555 : 0x0D55);
    su[6] = 'X';
    su[7] = 'A';
    su[8] = f.form2 ? 1 : 0;
  }
  return length;
}

// The part of the extent walk both trees share. `joliet` picks the names,
// addresses and sizes of one tree.
struct Tree {
  bool joliet;
  const std::string& NameOf(const TFEntry* e) const { return joliet ? JolietNameOf(e) : e->Name; }
  std::string IdOf(const TFEntry* e) const {
    return joliet ? JolietIdentifier(JolietNameOf(e), IsDir(e)) : IsoIdentifier(e->Name, IsDir(e));
  }
  uint32_t AddressOf(const TDEntry* d) const { return joliet ? d->AddressJ : d->Address; }
  int64_t SizeOf(const TDEntry* d) const { return joliet ? d->SizeJ : d->Size; }
  uint32_t AddressOf(const TFEntry* e) const { return joliet ? e->AddressJ : e->Address; }
  int64_t SizeOf(const TFEntry* e) const { return joliet ? e->SizeJ : e->Size; }
  // A chain that begins with "." carries its own "." and "..".
  bool OwnDots(const TDEntry* d) const { return d->FirstFile != nullptr && NameOf(d->FirstFile) == "."; }
};

int64_t ExtentSize(const Tree& tree, PDEntry dir) {
  int64_t used = 0;
  int32_t room = 2048;
  if (!tree.OwnDots(dir)) {
    used = 2 * RecordLength(1);
    room -= static_cast<int32_t>(used);
  }
  for (PFEntry e = dir->FirstFile; e != nullptr; e = e->Next) {
    const int32_t length = RecordLength(tree.IdOf(e).size());
    if (length > room) {
      used += room + length;
      room = 2048 - length;
    } else {
      used += length;
      room -= length;
    }
  }
  used += room;
  return Sectors(used) * 2048;
}

void WriteExtent(const Tree& tree, TMemoryStream& out, PDEntry dir, uint32_t dir_area,
                 uint32_t first_file_sector) {
  TDirectoryDescriptor r;
  int32_t room = 2048;
  if (!tree.OwnDots(dir)) {
    const TDateTime now = Now();
    const PDEntry parent = dir->Parent != nullptr ? dir->Parent : dir;
    int32_t length = BuildRecord(r, std::string(1, '\0'),
                                 {tree.AddressOf(dir) + dir_area, tree.SizeOf(dir), now, true, false, false});
    out.Write(r.data(), length);
    room -= length;
    length = BuildRecord(r, std::string(1, '\1'),
                         {tree.AddressOf(parent) + dir_area, tree.SizeOf(parent), now, true, false, false});
    out.Write(r.data(), length);
    room -= length;
  }
  for (PFEntry e = dir->FirstFile; e != nullptr; e = e->Next) {
    RecordFacts facts{0, tree.SizeOf(e), e->DateTime, IsDir(e), (e->Attr & kHiddenAttr) != 0, e->Form2};
    if (facts.dir) {
      facts.extent = tree.AddressOf(e) + dir_area;
    } else if (e->Size != 0) {
      facts.extent = e->Imported ? tree.AddressOf(e) : tree.AddressOf(e) + first_file_sector;
    }
    const int32_t length = BuildRecord(r, tree.IdOf(e), facts);
    if (length > room) {
      out.Write(kZeroSector, room);
      room = 2048 - length;
    } else {
      room -= length;
    }
    out.Write(r.data(), length);
  }
  out.Write(kZeroSector, room);
}

}  // namespace

int32_t SystemUseLength() { return ELen != 0 ? kXaEntryLength : 0; }

bool IsDotName(const std::string& name) { return name == "." || name == ".."; }

int32_t RecordLength(size_t identifier_length) {
  const int32_t n = static_cast<int32_t>(identifier_length);
  return kRecordFixedBytes + n + (n % 2 == 0 ? 1 : 0) + SystemUseLength();
}

std::string IsoIdentifier(const std::string& name, bool is_dir) {
  if (IsDotName(name)) return DotIdentifier(name);
  const std::string_view suffix = is_dir ? "" : ";1";
  const size_t max = MaxIdentifier();
  if (name.size() + suffix.size() <= max) return name + std::string(suffix);
  const size_t tail_from = UnitsBeforeTail(name.size(), name.rfind('.'), suffix.size(), max);
  const std::string tail = name.substr(tail_from) + std::string(suffix);
  size_t keep = max - tail.size();
  // Never end inside a UTF-8 sequence.
  while (keep > 0 && (static_cast<uint8_t>(name[keep]) & 0xC0) == 0x80) --keep;
  return name.substr(0, keep) + tail;
}

std::string JolietIdentifier(const std::string& long_name, bool is_dir) {
  if (IsDotName(long_name)) return DotIdentifier(long_name);
  const std::u16string units = FitJolietName(Utf8ToUcs2(long_name), is_dir, 0) + (is_dir ? u"" : u";1");
  std::string id(units.size() * 2, '\0');
  PutUcs2BE(reinterpret_cast<uint8_t*>(id.data()), units);
  return id;
}

// Joliet identifiers are always even and always padded.
size_t MaxJolietIdentifierUnits() { return (MaxIdentifier() - 1) / 2; }

int64_t DirectoryExtentSize(PDEntry dir) { return ExtentSize(Tree{false}, dir); }
int64_t DirectoryExtentSizeJ(PDEntry dir) { return ExtentSize(Tree{true}, dir); }

void WriteDirectoryExtent(TMemoryStream& out, PDEntry dir, uint32_t dir_area, uint32_t first_file_sector) {
  WriteExtent(Tree{false}, out, dir, dir_area, first_file_sector);
}

void WriteDirectoryExtentJ(TMemoryStream& out, PDEntry dir, uint32_t dir_area, uint32_t first_file_sector) {
  WriteExtent(Tree{true}, out, dir, dir_area, first_file_sector);
}

void WriteDirectoryExtents(TMemoryStream& out, uint32_t dir_area, uint32_t first_file_sector) {
  for (int32_t i = 0; i < DirCounter; ++i) WriteDirectoryExtent(out, Dirs[i], dir_area, first_file_sector);
}

void WriteDirectoryExtentsJ(TMemoryStream& out, uint32_t dir_area, uint32_t first_file_sector) {
  for (int32_t i = 0; i < DirCounter; ++i) WriteDirectoryExtentJ(out, Dirs[i], dir_area, first_file_sector);
}

}  // namespace orlix
