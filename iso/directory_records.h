// Directory records and the directory extents of both trees. The sizes the
// layout reserves and the bytes the writers produce come from the same
// identifier and record-length rules below, so they always agree.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/memory_stream.h"
#include "iso/tree.h"

namespace orlix {

// One directory record being assembled: 33 fixed bytes and room for 256
// bytes of identifier, padding and system use.
using TDirectoryDescriptor = std::array<uint8_t, 289>;
constexpr int32_t kRecordFixedBytes = 33;
constexpr int32_t kMaxRecordLength = 255;  // the record length is one byte

// System-use bytes after each identifier: 0, or the 14-byte XA entry when
// ELen is set (other lengths have no defined content).
int32_t SystemUseLength();

// "." and ".." are written as the one-byte identifiers 0x00 and 0x01.
bool IsDotName(const std::string& name);

// The identifier of an entry or directory as written in records and path
// tables: the ISO name, or the Joliet name in UCS-2 big-endian, with ";1"
// after file names. An identifier that would make a record longer than 255
// bytes is cut in its name part; the extension and ";1" are kept. Joliet
// names set by preparation (iso/joliet_names.h) already fit.
std::string IsoIdentifier(const std::string& name, bool is_dir);
std::string JolietIdentifier(const std::string& long_name, bool is_dir);

// UCS-2 units of the longest Joliet identifier a record can carry, ";1"
// included.
size_t MaxJolietIdentifierUnits();

// 33 + identifier length + padding byte (when the length is even) + system use.
int32_t RecordLength(size_t identifier_length);

// Bytes of one directory's extent, a multiple of 2048: "." and ".." (unless
// the chain begins with an entry named "."), then every entry of the chain;
// no record crosses a sector boundary.
int64_t DirectoryExtentSize(PDEntry dir);
int64_t DirectoryExtentSizeJ(PDEntry dir);

// Writes one directory's extent into `out`: exactly DirectoryExtentSize(J)
// bytes. Directory addresses are counted from `dir_area`, file addresses
// from `first_file_sector` (imported files carry absolute addresses).
void WriteDirectoryExtent(TMemoryStream& out, PDEntry dir, uint32_t dir_area, uint32_t first_file_sector);
void WriteDirectoryExtentJ(TMemoryStream& out, PDEntry dir, uint32_t dir_area, uint32_t first_file_sector);

// The extents of every directory of Dirs, in Dirs order.
void WriteDirectoryExtents(TMemoryStream& out, uint32_t dir_area, uint32_t first_file_sector);
void WriteDirectoryExtentsJ(TMemoryStream& out, uint32_t dir_area, uint32_t first_file_sector);

}  // namespace orlix
