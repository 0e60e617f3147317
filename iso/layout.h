// The sector map of an image: where the descriptors, path tables, directory
// extents, boot catalog, boot image and files lie, and how large each is.
#pragma once

#include <cstdint>

#include "iso/image_builder.h"

namespace orlix {

// Sizes and places every directory's ISO (Joliet) extent in Dirs order;
// returns the total bytes, DirAreaSize (DirAreaSizeJ).
int32_t FileAndDirDescriptorWidth();
int32_t FileAndDirDescriptorWidthJ();

// Sets PathTableSize (PathTableSizeJ); returns it rounded up to whole sectors.
int32_t PathTableWidth(TImageLayout& layout);
int32_t PathTableWidthJ(TImageLayout& layout);

// Gives every file not imported its address counted from the first file
// sector, copies a sub-directory's address and sizes into its entry, and
// sets FileDataSectors.
void SetFileAddress(TImageLayout& layout);

// The layout pass of preparation, from the primary descriptor at
// NextWritableAddress + 16 to ImageSectors; sets Valid and writes the
// location lines. Reads Bootable, which the boot check has settled.
void LayOutImage(TImageOptions& options, TImageLayout& layout);

}  // namespace orlix
