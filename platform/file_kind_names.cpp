#include "platform/file_kind.h"

namespace orlix {

const char* FileKindName(TFileKind kind) {
  switch (kind) {
    case TFileKind::None:
      return "missing file";
    case TFileKind::Regular:
      return "regular file";
    case TFileKind::Directory:
      return "folder";
    case TFileKind::Fifo:
      return "FIFO";
    case TFileKind::Socket:
      return "socket";
    case TFileKind::CharDevice:
      return "character device";
    case TFileKind::BlockDevice:
      return "block device";
    case TFileKind::BrokenLink:
      return "symbolic link whose target is missing";
    case TFileKind::Other:
      break;
  }
  return "special file";
}

}  // namespace orlix
