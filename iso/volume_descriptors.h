// The volume descriptor set: primary, El Torito boot record, Joliet
// supplementary, terminator. Each is one 2048-byte sector.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "iso/image_builder.h"
#include "iso/tree.h"

namespace orlix {

using TVolumeDescriptor = std::array<uint8_t, 2048>;

// "yyyymmddhhnnss" and hundredths of a second, the form of the dates of a
// volume descriptor (local time as given).
std::string VolumeDateDigits(TDateTime t);

// The characters a primary descriptor text may hold: d-characters (A-Z,
// 0-9, "_"), a-characters (those, the space and !"%&'()*+,-./:;<=>?), or
// any byte (the file identifier fields, which name files as they stand).
enum class TTextCharacters { dChars, aChars, AsGiven };

// The text of a primary descriptor field of `size` bytes, before the padding:
// upper-cased, each character outside `set` written as one "_", cut to fit.
std::string PrimaryText(std::string_view text, TTextCharacters set, size_t size);
// The text a Joliet descriptor field of `size` bytes holds, before the
// padding, as UTF-8: the characters UCS-2 holds that fit.
std::string JolietText(std::string_view text, size_t size);

// Reports each identification text the descriptors write differently from
// the text given (other than upper-cased): the property's name, the text
// given, the text written; the Joliet descriptor's texts only with Joliet.
void ReportVolumeTexts(const TImageOptions& options);

// The descriptors as the layout placed them. `root` gives the root record's
// data length (Size, or SizeJ for the Joliet descriptor).
void BuildPVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root);
void BuildJVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root);
void BuildBVD(TVolumeDescriptor& vd, const TImageLayout& layout);
void BuildTVD(TVolumeDescriptor& vd);

}  // namespace orlix
