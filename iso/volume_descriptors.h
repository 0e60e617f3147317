// The volume descriptor set: primary, El Torito boot record, Joliet
// supplementary, terminator. Each is one 2048-byte sector.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "iso/image_builder.h"
#include "iso/tree.h"

namespace orlix {

using TVolumeDescriptor = std::array<uint8_t, 2048>;

// "yyyymmddhhnnss" and hundredths of a second, the form of the dates of a
// volume descriptor (local time as given).
std::string VolumeDateDigits(TDateTime t);

// The descriptors as the layout placed them. `root` gives the root record's
// data length (Size, or SizeJ for the Joliet descriptor).
void BuildPVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root);
void BuildJVD(TVolumeDescriptor& vd, const TVolumeIdentity& id, const TImageLayout& layout,
              const TDEntry& root);
void BuildBVD(TVolumeDescriptor& vd, const TImageLayout& layout);
void BuildTVD(TVolumeDescriptor& vd);

}  // namespace orlix
