// Path tables of both trees.
#include "iso/path_table.h"

#include <cstring>
#include <string>

#include "iso/bytes.h"
#include "iso/directory_records.h"
#include "iso/joliet_names.h"
#include "iso/tree.h"

namespace orlix {
namespace {

constexpr uint8_t kZeroSector[2048] = {};

// The same identifier the directory's own record carries.
std::string IdOf(const TDEntry* d, bool joliet) {
  return joliet ? JolietIdentifier(JolietNameOf(d), true) : IsoIdentifier(d->Name, true);
}

int32_t RecordSize(size_t n) { return static_cast<int32_t>(8 + n + (n % 2)); }

void WriteRecord(TMemoryStream& out, const std::string& id, uint32_t extent, uint16_t parent,
                 bool big_endian) {
  uint8_t r[8 + 256] = {};
  r[0] = static_cast<uint8_t>(id.size());
  if (big_endian) {
    PutBE32(&r[2], extent);
    PutBE16(&r[6], parent);
  } else {
    PutLE32(&r[2], extent);
    PutLE16(&r[6], parent);
  }
  std::memcpy(&r[8], id.data(), id.size());
  out.Write(r, RecordSize(id.size()));
}

void WriteTable(TMemoryStream& out, const std::vector<PDEntry>& table, uint32_t dir_area, bool joliet,
                bool big_endian) {
  const int64_t start = out.Size();
  WriteRecord(out, std::string(1, '\0'), dir_area, 1, big_endian);
  for (int32_t i = 1; i < DirCounter; ++i) {
    const TDEntry* d = table[i];
    // Numbers above 65535 do not fit the field; a tree that large cannot
    // have a valid path table anyway.
    WriteRecord(out, IdOf(d, joliet), (joliet ? d->AddressJ : d->Address) + dir_area,
                static_cast<uint16_t>(d->Parent->Number), big_endian);
  }
  const int32_t used = static_cast<int32_t>((out.Size() - start) % 2048);
  if (used != 0) out.Write(kZeroSector, 2048 - used);
}

}  // namespace

int32_t PathTableRecordsSize(bool joliet) {
  int32_t size = RecordSize(1);
  for (int32_t i = 1; i < DirCounter; ++i) size += RecordSize(IdOf(Dirs[i], joliet).size());
  return size;
}

void WritePathTable(TMemoryStream& out, uint32_t dir_area, bool big_endian) {
  WriteTable(out, PathTable, dir_area, false, big_endian);
}

void WritePathTableJ(TMemoryStream& out, uint32_t dir_area_j, bool big_endian) {
  WriteTable(out, PathTableJ, dir_area_j, true, big_endian);
}

}  // namespace orlix
