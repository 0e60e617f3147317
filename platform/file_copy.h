// Copying file data between two open files by the fastest means the
// platform offers (an in-kernel copy where there is one), falling back to
// reading and writing through a buffer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_io.h"

namespace orlix {

// Opens a file to read its data once, front to back, without the sharing
// rules FileOpen applies: the reader takes no lock another opener could
// meet, and none is checked, as for any program outside the library. Close
// it with FileClose. kInvalidHandle on failure (LastOsError tells why).
THandle FileOpenForCopy(const std::string& path);

// True when the file can be opened for reading by this process.
bool FileReadable(const std::string& path);

// Reserves `size` bytes for `file` from its start: the file grows to that
// size (reading as zeros), a disk without room shows at once, and the data
// later written lands in space already placed. Returns 0 when reserved or
// when the file system cannot reserve (nothing happens then), else the OS
// error (OsErrorMessage tells it).
int FileReserve(THandle file, int64_t size);

// Copies up to `count` bytes from `source`'s current position to `dest`'s
// current position; both positions advance by the bytes copied. Returns the
// bytes copied, fewer than `count` only when the source ended, or -1 when
// reading or writing failed (LastOsError tells why).
int64_t FileCopyData(THandle source, THandle dest, int64_t count);

}  // namespace orlix
