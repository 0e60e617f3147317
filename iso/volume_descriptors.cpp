// Volume descriptors.
#include "iso/volume_descriptors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "iso/bytes.h"
#include "iso/fields.h"
#include "iso/joliet_names.h"

namespace orlix {
namespace {

// ISO texts are upper-cased a-z only.
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool IsDChar(char16_t u) { return (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'; }

bool IsAChar(char16_t u) {
  static constexpr std::u16string_view kSymbols = u" !\"%&'()*+,-./:;<=>?";
  return IsDChar(u) || kSymbols.find(u) != std::u16string_view::npos;
}

// The identification texts: where each goes and what it may hold.
struct TextField {
  const char* property;
  std::string TVolumeIdentity::*text;
  size_t offset;
  size_t size;  // bytes in the primary descriptor
  TTextCharacters set;
  size_t joliet_size;  // bytes of UCS-2 in the Joliet descriptor
};

constexpr TextField kTextFields[] = {
    {"IdSystem", &TVolumeIdentity::IdSystem, 8, 32, TTextCharacters::aChars, 32},
    {"IdVolume", &TVolumeIdentity::IdVolume, 40, 32, TTextCharacters::dChars, 32},
    {"IdVolumeSet", &TVolumeIdentity::IdVolumeSet, 190, 128, TTextCharacters::dChars, 128},
    {"IdPublisher", &TVolumeIdentity::IdPublisher, 318, 128, TTextCharacters::aChars, 128},
    {"IdPreparer", &TVolumeIdentity::IdPreparer, 446, 128, TTextCharacters::aChars, 128},
    {"IdApplication", &TVolumeIdentity::IdApplication, 574, 128, TTextCharacters::aChars, 128},
    // 37-byte fields: 18 characters and a zero byte in the Joliet descriptor.
    {"FileCopyright", &TVolumeIdentity::FileCopyright, 702, 37, TTextCharacters::AsGiven, 36},
    {"FileAbstract", &TVolumeIdentity::FileAbstract, 739, 37, TTextCharacters::AsGiven, 36},
    {"FileBibliographic", &TVolumeIdentity::FileBibliographic, 776, 37, TTextCharacters::AsGiven, 36},
};
constexpr size_t kApplicationUseSize = 8;

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
  CopyToArray(Upper(id.ApplicationUseText), &vd[1024], kApplicationUseSize);
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

std::string PrimaryText(std::string_view text, TTextCharacters set, size_t size) {
  if (set == TTextCharacters::AsGiven) return Upper(std::string(text.substr(0, std::min(text.size(), size))));
  std::string out;
  // One unit per character (or stray byte) of the UTF-8 text.
  for (char16_t u : Utf8ToUcs2(text)) {
    if (out.size() == size) break;
    if (u >= u'a' && u <= u'z') u = static_cast<char16_t>(u - u'a' + u'A');
    const bool allowed = set == TTextCharacters::dChars ? IsDChar(u) : IsAChar(u);
    out.push_back(allowed ? static_cast<char>(u) : '_');
  }
  return out;
}

std::string JolietText(std::string_view text, size_t size) {
  std::u16string units = Utf8ToUcs2(text);
  units.resize(std::min(units.size(), size / 2));
  return Ucs2ToUtf8(units);
}

void ReportVolumeTexts(const TImageOptions& options) {
  if (!options.NameChanged) return;
  const TVolumeIdentity& id = options.Identity;
  for (const TextField& f : kTextFields) {
    const std::string& text = id.*f.text;
    const std::string primary = PrimaryText(text, f.set, f.size);
    if (primary != Upper(text)) options.ReportName(f.property, text, primary, TWrittenName::VolumeText);
    if (!options.JolietFileSystem) continue;
    const std::string joliet = JolietText(text, f.joliet_size);
    if (joliet != text) options.ReportName(f.property, text, joliet, TWrittenName::VolumeText);
  }
  if (id.ApplicationUseText.size() > kApplicationUseSize) {
    options.ReportName("ApplicationUseText", id.ApplicationUseText,
                       Upper(id.ApplicationUseText.substr(0, kApplicationUseSize)), TWrittenName::VolumeText);
  }
}

void BuildPVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root) {
  Header(vd, 1);
  for (const TextField& f : kTextFields) CopyToArray(PrimaryText(id.*f.text, f.set, f.size), &vd[f.offset], f.size);
  Common(vd, id, layout, layout.DirArea, root.Size, layout.PathTableSize, layout.PathTableL,
         layout.PathTableM);
}

void BuildJVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root) {
  Header(vd, 2);
  for (const TextField& f : kTextFields) CopyToArrayW(id.*f.text, &vd[f.offset], f.joliet_size);
  vd[88] = 0x25;  // UCS-2 level 1
  vd[89] = 0x2F;
  vd[90] = 0x40;
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
