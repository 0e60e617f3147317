// Extraction: an imported file's data, read from the disc in the drive into
// a host file.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "burner/burner.h"
#include "framework/exceptions.h"
#include "iso/fields.h"
#include "messages/messages.h"
#include "platform/file_io.h"
#include "streams/stream_ex.h"

namespace orlix {

namespace {

constexpr uint32_t kSectorBytes = 2048;
// 31 sectors per READ (10): under the 64 KiB that every drive and
// pass-through layer takes in one transfer.
constexpr uint32_t kChunkSectors = 31;
constexpr uint32_t kChunkBytes = kChunkSectors * kSectorBytes;

// Gives the host file the entry's date; an entry without one (date part 0,
// from a record with an impossible date) leaves the copy's own.
void SetHostDate(const std::string& path, TDateTime date) {
  if (date < 1) return;
  using namespace std::chrono;
  const sys_seconds instant{seconds{DateTimeToUnix(date)}};
  std::error_code ec;
  std::filesystem::last_write_time(std::filesystem::path(reinterpret_cast<const char8_t*>(path.c_str())),
                                   file_clock::from_sys(instant), ec);
}

}  // namespace

bool TOrlixBurner::ExtractFile(PFEntry entry, const std::string& dest) {
  if (entry == nullptr) return false;
  DebugMsg(">>> " + Format(MSG_EXTRACTING_FILE, entry->LongName, dest), 1);
  // Records carry 32-bit lengths.
  const uint32_t size = static_cast<uint32_t>(entry->Size);
  // Only an imported entry's address is a sector of the disc; any other
  // would read whatever lies there. An empty file needs no address.
  if ((entry->Attr & faDirectory) || (size > 0 && !entry->Imported) ||
      uint64_t{entry->Address} + static_cast<uint64_t>(Sectors(size)) > (uint64_t{1} << 32)) {
    DebugMsg(">>> " + Format(ERR_EXTRACTNOTONDISC, entry->LongName), 4);
    return false;
  }
  std::unique_ptr<TFileStreamEx> out;
  try {
    out = std::make_unique<TFileStreamEx>(dest, fmCreate);
  } catch (const EFileError&) {
    DebugMsg(">>> " + Format(ERR_CREATEFILE, dest), 4);
    return false;
  }

  std::vector<uint8_t> buffer(kChunkBytes, 0);
  uint32_t sector = entry->Address;
  uint32_t remaining = size;
  bool ok = true;
  try {
    while (remaining > 0) {
      const uint32_t chunk = std::min(remaining, kChunkBytes);
      const uint16_t blocks = static_cast<uint16_t>(Sectors(chunk));
      // A failed read leaves no data worth writing: the copy stops there.
      if (!Read10(sector, blocks, buffer.data(), blocks * kSectorBytes)) {
        DebugMsg(">>> " + Format(ERR_EXTRACTREAD, std::to_string(sector), entry->LongName, LastError()), 4);
        ok = false;
        break;
      }
      out->WriteBuffer(buffer.data(), static_cast<int32_t>(chunk));
      sector += blocks;
      remaining -= chunk;
      if (OnExtractProgress) OnExtractProgress(int64_t{size} - remaining, size);
    }
  } catch (const EFileError& e) {
    DebugMsg(">>> " + Format(ERR_CREATEFILE, dest) + ": " + e.what(), 4);
    ok = false;
  }
  out.reset();
  if (!ok) {
    FileDelete(dest);
    return false;
  }
  SetHostDate(dest, entry->DateTime);
  return true;
}

}  // namespace orlix
