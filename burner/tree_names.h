// Name and path rules of the tree editing.
#pragma once

#include <string>
#include <string_view>

#include "iso/tree.h"

namespace orlix {

// ASCII letters upper-cased, other bytes kept.
std::string UpperCaseAscii(std::string_view s);
// A short name made from a long one: its first 13 characters upper-cased,
// every character outside 0x21..0x7A replaced by '_'.
std::string MakeShortName(std::string_view name);
// A short name for an entry of `dir` that no other entry there holds (names
// compared upper-cased, a directory's with a file's; `self` is left out):
// `given` itself when it is free, else one made from it as a host makes
// an 8.3 name, its stem cut to make room for "~N" (a "~N" it already ends
// with dropped first) and the first three characters of its extension, N
// counting up per stem and folder.
std::string UniqueShortName(PDEntry dir, const std::string& given, PFEntry self);
// The image path of an entry named `long_name` in `dir`, from the long
// names as given: "\DOCS.txt".
std::string EntryImagePath(PDEntry dir, const std::string& long_name);
// The number of characters (code points) of a UTF-8 text: the bytes that
// do not continue a sequence.
size_t CharacterCount(std::string_view text);
// "\" followed by the long names from the root down to `dir`, upper-cased;
// empty for the root.
std::string GetDirPath(PDEntry dir);
// The image path that keeps a host folder's structure: separators become
// "\", a network prefix (\\server\share) or a drive ("C:") is dropped, and
// the result begins with "\" ("" stays the root).
std::string KeptFolderPath(std::string_view host_folder);
// The folder part of a host file path with its final separator ("" for none).
std::string HostFolderOf(std::string_view host_file);
// True for the host's separators.
bool IsHostDelim(char c);

}  // namespace orlix
