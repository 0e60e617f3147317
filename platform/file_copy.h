// Copying file data between two open files by the fastest means the
// platform offers (an in-kernel copy where there is one), falling back to
// reading and writing through a buffer.
#pragma once

#include <cstdint>

#include "platform/file_io.h"

namespace orlix {

// Copies up to `count` bytes from `source`'s current position to `dest`'s
// current position; both positions advance by the bytes copied. Returns the
// bytes copied, fewer than `count` only when the source ended, or -1 when
// reading or writing failed (LastOsError tells why).
int64_t FileCopyData(THandle source, THandle dest, int64_t count);

}  // namespace orlix
