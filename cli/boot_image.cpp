#include "cli/boot_image.h"

#include <cstdint>

#include "platform/file_io.h"
#include "platform/file_kind.h"

namespace orlix::cli {
namespace {

constexpr int64_t kDisketteSizes[] = {1228800, 1474560, 2949120};  // 1.2, 1.44 and 2.88 MB
constexpr int kMbrSize = 512;
constexpr int kPartitionTable = 446;
constexpr int kPartitionEntry = 16;
constexpr int kPartitionType = 4;  // within an entry; 0 marks it unused

const char kAccepted[] =
    "a boot image is a diskette image of 1,228,800, 1,474,560 or 2,949,120 bytes, or a hard-disk image "
    "that starts with a master boot record (0x55 0xAA at byte 510) holding exactly one partition";

}  // namespace

bool CheckBootImage(const std::string& path, std::string& error) {
  const TFileKind kind = FileKindOf(path);
  if (kind == TFileKind::None) {
    error = path + ": no such boot image file";
    return false;
  }
  if (kind != TFileKind::Regular) {
    error = path + ": the boot image is a " + FileKindName(kind) + ", not a regular file";
    return false;
  }
  const THandle file = FileOpen(path, fmOpenRead | fmShareDenyNone);
  if (file == kInvalidHandle) {
    error = path + ": the boot image cannot be read: " + OsErrorMessage(LastOsError());
    return false;
  }
  const int64_t size = FileSeek(file, 0, 2);
  for (int64_t diskette : kDisketteSizes) {
    if (size == diskette) {
      FileClose(file);
      return true;
    }
  }
  uint8_t mbr[kMbrSize] = {};
  int32_t got = 0;
  if (size >= kMbrSize && FileSeek(file, 0, 0) == 0) {
    for (int32_t n; got < kMbrSize && (n = FileRead(file, mbr + got, kMbrSize - got)) > 0;) got += n;
  }
  FileClose(file);
  const std::string sized = path + " (" + std::to_string(size < 0 ? 0 : size) + " bytes)";
  if (got < kMbrSize || mbr[510] != 0x55 || mbr[511] != 0xAA) {
    error = sized + ": not a diskette's size and no master boot record; " + kAccepted;
    return false;
  }
  int partitions = 0;
  for (int i = 0; i < 4; ++i) partitions += mbr[kPartitionTable + i * kPartitionEntry + kPartitionType] != 0;
  if (partitions != 1) {
    error =
        sized + ": its master boot record holds " + std::to_string(partitions) + " partitions; " + kAccepted;
    return false;
  }
  return true;
}

}  // namespace orlix::cli
