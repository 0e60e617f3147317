// Joliet names as written. A long name is given as the host or the caller
// had it; what reaches the Joliet tree must be something every reader opens:
// characters Joliet forbids (or UCS-2 cannot hold) become "_", the name is
// cut to fit its record, and within a folder no two names may be equal
// ignoring case, as Windows compares them. Preparation settles these names
// once (JolietName) and every writer and size takes them from there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "iso/image_builder.h"
#include "iso/tree.h"

namespace orlix {

// The name written for an entry or directory: JolietName once preparation
// has set it, else LongName.
const std::string& JolietNameOf(const TFEntry* e);
const std::string& JolietNameOf(const TDEntry* d);

// True for the characters a Joliet identifier may not hold: control
// characters and * / : ; ? \.
bool IsJolietForbidden(char16_t unit);

// One UCS-2 unit as Windows compares names: the letters of the Latin,
// Greek and Cyrillic alphabets upper-cased, everything else as it is.
char16_t FoldCase(char16_t unit);

// UCS-2 units back to UTF-8 (UCS-2 holds no surrogate pairs).
std::string Ucs2ToUtf8(std::u16string_view units);

// The name part of a Joliet identifier (without ";1"), cut so that its
// record stays within 255 bytes: the tail from the last "." is kept unless
// it would take more than half the room. With a counter n > 0, "~n" goes in
// front of that tail and the part before it is cut to make room.
std::u16string FitJolietName(const std::u16string& units, bool is_dir, uint32_t counter);

// "\DOCS\sub" from the long names as given; "" for the root.
std::string ImagePathOf(PDEntry dir);

// Sets JolietName of every entry in the chains of Dirs and of every
// directory below the root, and reports each name written differently from
// LongName through options.ReportName. Names that stay equal ignoring case
// in one folder after mapping and cutting keep the first entry's name (in
// chain order); the others get the lowest free counter.
void AssignJolietNames(const TImageOptions& options);

}  // namespace orlix
