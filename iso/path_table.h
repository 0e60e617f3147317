// The path tables: one record per directory in path-table order, the root
// first, in a little-endian (L) and a big-endian (M) copy per tree.
#pragma once

#include <cstdint>

#include "framework/memory_stream.h"

namespace orlix {

// Bytes of one table's records before the padding to whole sectors, over
// every directory of Dirs (ISO names, or Joliet names with `joliet`).
int32_t PathTableRecordsSize(bool joliet);

// Writes the table of PathTable (ISO names) or PathTableJ (Joliet names),
// padded with zeros to whole sectors. Extents are counted from `dir_area`.
void WritePathTable(TMemoryStream& out, uint32_t dir_area, bool big_endian);
void WritePathTableJ(TMemoryStream& out, uint32_t dir_area_j, bool big_endian);

}  // namespace orlix
