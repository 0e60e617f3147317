// Preparation of an image: the boot check, the ordering and layout pass,
// the header sectors, and the diagnostic listing of the tree.
#pragma once

#include "framework/memory_stream.h"
#include "iso/image_builder.h"
#include "iso/tree.h"

namespace orlix {

// Keeps Bootable only when BootImage names a file that can be opened for
// reading; a file that exists but cannot be read is reported (level 0).
void CheckBootImage(TImageOptions& options);

// The count line, the Joliet names (with Joliet), the report of the names
// and volume texts written differently from those given, the path-table
// ordering and the layout pass.
void OrderAndLayOut(TImageOptions& options, TImageLayout& layout);

// Replaces the content of `header` by the header sectors: pregap (Wms, not
// ISOOnly), system area, descriptors (snapshotted into vds), path tables,
// directory extents, boot catalog, and the padding up to the first file
// when no boot image follows. Sets ImageSectors.
void BuildImageHeader(TMemoryStream& header, const TImageOptions& options, TImageLayout& layout);

// The tree, directory by directory, and one directory's entries (level 1).
void PrintTree(const TDebugSink& debug);
void PrintFiles(PFEntry first, const TDebugSink& debug);

}  // namespace orlix
