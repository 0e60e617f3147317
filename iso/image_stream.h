// The image stream: the header sectors, then the boot segment, then every
// file's data in Files order, each piece filling whole sectors. Whoever
// writes the stream (the direct save, the read-ahead thread) takes the
// pieces' lengths from here, so the data lands where the records say.
#pragma once

#include <cstdint>

#include "iso/image_builder.h"
#include "iso/tree.h"

namespace orlix {

// True when the entry adds data to the stream: exactly the entries the
// layout gave sectors, every file with a length that was not imported (an
// imported file's data is on the disc already).
bool AddsToStream(const TFEntry& f);

// Bytes the entry's data takes in the stream: its sectors, or for a form-2
// file the sectors the layout reserved for it (at least 150).
int64_t StreamBytes(const TFEntry& f);

// Bytes to take from the entry's source; the rest of StreamBytes is zeros.
int64_t SourceBytes(const TFEntry& f);

// Sectors of the boot segment: the boot image, zero-filled beyond the end of
// the file, followed by the padding up to the first file sector when the
// header and boot image end below it. Zero when not bootable.
int64_t BootSegmentSectors(const TImageLayout& layout, bool bootable);

// Zero sectors the header itself ends with: the padding up to the first
// file sector when no boot image follows the header.
int64_t HeaderPaddingSectors(const TImageLayout& layout, bool bootable);

}  // namespace orlix
