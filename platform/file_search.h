// Directory search with masks, as the tree editing uses it. Host paths use the
// platform's separator (PathDelim); a mask of "*.*" matches every name, also
// names without a dot, as on Windows. Every found name carries an alternate
// 8.3 name, synthesized like Windows does (empty when the long name already is
// a valid 8.3 name).
#pragma once

#include <cstdint>
#include <string>

#include "platform/search_rec.h"

namespace orlix {

// `pattern` is a folder path followed by a mask ("/data/*.*", "/data/a.txt").
// Files without hidden, system or directory attributes always match; entries
// with those attributes match only when `attr` includes them; a folder's "."
// and ".." come first. Returns 0 when an entry was found, otherwise an OS
// error code (also when nothing, or nothing more, matches).
int FindFirst(const std::string& pattern, int32_t attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// True when `name` matches `mask` with Windows rules ('*', '?', case-insensitive,
// "*.*" matching everything).
bool MatchesMask(const std::string& name, const std::string& mask);

// Attributes of a host file or folder (-1 when it does not exist), and their
// setting: read-only maps to the write permission bits; hidden, system and
// archive are kept in the user.DOSATTRIB extended attribute (as the text
// "0x20") where the file system has one; a name with a leading dot is always
// hidden. A file for which nothing is recorded counts as having the archive
// bit, a folder as not. Setting fails when a bit cannot be kept.
int32_t FileGetAttr(const std::string& path);
// A text naming the file or folder itself (device and inode, volume and file
// index), the same for every path that reaches it through links; empty when
// it cannot be told. Lets a recursive walk notice a link back to a folder it
// is already inside.
std::string FileIdentity(const std::string& path);
bool FileSetAttr(const std::string& path, int32_t attr);

}  // namespace orlix
