// Volume descriptors.
#include "iso/volume_descriptors.h"

#include <cstdio>
#include <cstring>

#include "iso/bytes.h"
#include "iso/fields.h"

namespace orlix {
namespace {

// ISO texts are upper-cased a-z only; everything else is written as given.
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

void Header(TVolumeDescriptor& vd, uint8_t type) {
  vd.fill(0);
  vd[0] = type;
  std::memcpy(&vd[1], "CD001", 5);
  vd[6] = 1;
}

// A date field of 17 bytes: sixteen digits and the offset byte 0. A zero
// date means "not specified": sixteen '0' digits.
void PutDate(uint8_t* p, TDateTime t, bool zero_unspecified) {
  const std::string digits = zero_unspecified && t == 0 ? std::string(16, '0') : VolumeDateDigits(t);
  std::memcpy(p, digits.data(), 16);
  p[16] = 0;
}

// The fields both descriptors share, except the texts.
void Common(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
            uint32_t root_extent, int64_t root_size, int32_t table_size, uint32_t table_l, uint32_t table_m) {
  PutBoth32(&vd[80], static_cast<uint32_t>(layout.EndSector - layout.PregapSectors));
  PutBoth16(&vd[120], 1);
  PutBoth16(&vd[124], 1);
  PutBoth16(&vd[128], 2048);
  PutBoth32(&vd[132], static_cast<uint32_t>(table_size));
  PutLE32(&vd[140], table_l);
  PutBE32(&vd[148], table_m);
  uint8_t* root = &vd[156];
  root[0] = 34;
  PutBoth32(&root[2], root_extent);
  PutBoth32(&root[10], static_cast<uint32_t>(root_size));
  root[25] = 2;
  PutBoth16(&root[28], 1);
  root[32] = 1;
  PutDate(&vd[813], id.DateCreation, false);
  PutDate(&vd[830], id.DateModification, false);
  PutDate(&vd[847], id.DateExpiration, true);
  PutDate(&vd[864], id.DateEffective, true);
  vd[881] = 1;
  CopyToArray(Upper(id.ApplicationUseText), &vd[1024], 8);
}

}  // namespace

std::string VolumeDateDigits(TDateTime t) {
  uint16_t year, month, day, hour, minute, second, msec;
  DecodeDate(t, year, month, day);
  DecodeTime(t, hour, minute, second, msec);
  char text[64];
  std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u%02u", unsigned{year} % 10000, unsigned{month},
                unsigned{day}, unsigned{hour}, unsigned{minute}, unsigned{second}, unsigned{msec} / 10);
  return std::string(text, 16);
}

void BuildPVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root) {
  Header(vd, 1);
  CopyToArray(Upper(id.IdSystem), &vd[8], 32);
  CopyToArray(Upper(id.IdVolume), &vd[40], 32);
  CopyToArray(Upper(id.IdVolumeSet), &vd[190], 128);
  CopyToArray(Upper(id.IdPublisher), &vd[318], 128);
  CopyToArray(Upper(id.IdPreparer), &vd[446], 128);
  CopyToArray(Upper(id.IdApplication), &vd[574], 128);
  CopyToArray(Upper(id.FileCopyright), &vd[702], 37);
  CopyToArray(Upper(id.FileAbstract), &vd[739], 37);
  CopyToArray(Upper(id.FileBibliographic), &vd[776], 37);
  Common(vd, id, layout, layout.DirArea, root.Size, layout.PathTableSize, layout.PathTableL,
         layout.PathTableM);
}

void BuildJVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root) {
  Header(vd, 2);
  CopyToArrayW(id.IdSystem, &vd[8], 32);
  CopyToArrayW(id.IdVolume, &vd[40], 32);
  vd[88] = 0x25;  // UCS-2 level 1
  vd[89] = 0x2F;
  vd[90] = 0x40;
  CopyToArrayW(id.IdVolumeSet, &vd[190], 128);
  CopyToArrayW(id.IdPublisher, &vd[318], 128);
  CopyToArrayW(id.IdPreparer, &vd[446], 128);
  CopyToArrayW(id.IdApplication, &vd[574], 128);
  // 37-byte fields: 18 characters and a zero byte.
  CopyToArrayW(id.FileCopyright, &vd[702], 36);
  CopyToArrayW(id.FileAbstract, &vd[739], 36);
  CopyToArrayW(id.FileBibliographic, &vd[776], 36);
  Common(vd, id, layout, layout.DirAreaJ, root.SizeJ, layout.PathTableSizeJ, layout.PathTableLJ,
         layout.PathTableMJ);
}

void BuildBVD(TVolumeDescriptor& vd, const TImageLayout& layout) {
  Header(vd, 0);
  static constexpr char kSystem[] = "EL TORITO SPECIFICATION";
  std::memcpy(&vd[7], kSystem, sizeof kSystem - 1);
  PutLE32(&vd[71], layout.BootCatalogSector);
}

void BuildTVD(TVolumeDescriptor& vd) { Header(vd, 0xFF); }

}  // namespace orlix
