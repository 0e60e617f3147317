// File data copies through a buffer; Windows offers no in-kernel copy
// between two open handles at arbitrary positions.
#include "platform/file_copy.h"

#include <algorithm>
#include <memory>

namespace orlix {

// Windows applies sharing itself; the library's read mode is the right one.
THandle FileOpenForCopy(const std::string& path) { return FileOpen(path, fmOpenRead | fmShareDenyNone); }

// Space is taken as the data comes; nothing to reserve ahead.
int FileReserve(THandle file, int64_t size) { return 0; }

bool FileReadable(const std::string& path) {
  const THandle h = FileOpen(path, fmOpenRead | fmShareDenyNone);
  if (h == kInvalidHandle) return false;
  FileClose(h);
  return true;
}

int64_t FileCopyData(THandle source, THandle dest, int64_t count) {
  constexpr int32_t kBufferSize = 1 << 20;
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  int64_t done = 0;
  while (done < count) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(count - done, kBufferSize));
    const int32_t got = FileRead(source, buffer.get(), want);
    if (got <= 0) break;
    if (FileWrite(dest, buffer.get(), got) != got) return -1;
    done += got;
  }
  return done;
}

}  // namespace orlix
