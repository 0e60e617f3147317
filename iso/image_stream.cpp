// Lengths of the pieces of the image stream.
#include "iso/image_stream.h"

#include <algorithm>

#include "iso/fields.h"

namespace orlix {

bool AddsToStream(const TFEntry& f) { return (f.Attr & 0x10) == 0 && f.Size != 0 && !f.Imported; }

int64_t StreamBytes(const TFEntry& f) {
  if (!AddsToStream(f)) return 0;
  return f.Form2 ? std::max(f.AllocSize, Sectors(f.Size) * 2048) : Sectors(f.Size) * 2048;
}

int64_t SourceBytes(const TFEntry& f) {
  if (!AddsToStream(f)) return 0;
  // A form-2 file's Size is its rounded length once laid out; the source
  // holds only its real bytes.
  return f.Form2 && f.Form2SourceSize >= 0 ? std::min(f.Form2SourceSize, f.Size) : f.Size;
}

int64_t BootSegmentSectors(const TImageLayout& layout, bool bootable) {
  if (!bootable) return 0;
  return layout.BootImageSectors + std::max<int64_t>(layout.PaddingSectors, 0);
}

int64_t HeaderPaddingSectors(const TImageLayout& layout, bool bootable) {
  return bootable ? 0 : std::max<int64_t>(layout.PaddingSectors, 0);
}

}  // namespace orlix
