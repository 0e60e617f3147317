// The order of the path tables and of a directory's entry chain. Every table
// routine sorts elements 1..last (the root stays in slot 0) and then numbers
// the directories by their place in the table.
#pragma once

#include <cstdint>
#include <span>

#include "iso/image_builder.h"
#include "iso/tree.h"

namespace orlix {

void SortLevel(std::span<PDEntry> table, int32_t last);
void SortNumber(std::span<PDEntry> table, int32_t last);
void SortParent(std::span<PDEntry> table, int32_t last);
// By level (SortLN) or parent number (SortPN), then by name: the Joliet name
// written when `joliet` is set, Name otherwise, compared byte by byte.
void SortLN(std::span<PDEntry> table, int32_t last, bool joliet);
void SortPN(std::span<PDEntry> table, int32_t last, bool joliet);

// Sorts one directory's chain by ISO name; with DirectoryFirst and
// `dirs_first` set, sub-directories come before files.
void SortFiles(PFEntry& first, bool dirs_first);
// The same for a directory's own chain.
void SortFiles(PDEntry dir, bool dirs_first);

// Puts PathTable into ISO path-table order (level, parent number, name) and
// PathTableJ into the same order, numbering the directories accordingly.
void OrderPathTables(const TImageOptions& options);

}  // namespace orlix
