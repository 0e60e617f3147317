// Talks to the virtual recorder the way an ASPI client does: loads the
// library at run time and sends request blocks with hand-built CDBs.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "transport/srb.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::vrec_test {

using Bytes = std::vector<uint8_t>;

// One loaded copy of the library. A fresh copy (loaded from a copy of the
// file) has its own drive, as another process would.
class Library {
 public:
  explicit Library(bool fresh_copy = false);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  static Library& Shared();  // the copy every test shares

  TSendASPI32Command send = nullptr;
  TGetASPI32SupportInfo support_info = nullptr;
  OrlixVRecorderConfigureFn configure = nullptr;
  OrlixVRecorderSetFaultsFn set_faults = nullptr;
  OrlixVRecorderAdvanceClockFn advance_clock = nullptr;
  OrlixVDiscCreateFn create = nullptr;
  OrlixVDiscCreateFromImageFn create_from_image = nullptr;
  OrlixVDiscDescribeFn describe = nullptr;
  OrlixVRecorderLastErrorFn last_error = nullptr;

 private:
  void* handle_ = nullptr;
  std::filesystem::path copy_;
};

struct Result {
  uint8_t status = 0, ha_stat = 0, targ_stat = 0;
  std::array<uint8_t, kSenseLen> sense{};

  bool ok() const { return status == SS_COMP; }
  std::string Text() const;  // "05/21/02", or "ok"
};

void PutBE(uint8_t* p, int bytes, uint32_t v);
uint32_t Get16(const uint8_t* p);
uint32_t Get32(const uint8_t* p);

// A command descriptor block with big-endian setters.
struct Cdb {
  std::array<uint8_t, kCdbLen> b{};
  uint8_t length;
  Cdb(uint8_t op, uint8_t len) : length(len) { b[0] = op; }
  Cdb& Put(int at, int bytes, uint32_t v);
  Cdb& Set(int at, uint8_t v) { return Put(at, 1, v); }
  Cdb& Put16(int at, uint32_t v) { return Put(at, 2, v); }
  Cdb& Put24(int at, uint32_t v) { return Put(at, 3, v); }
  Cdb& Put32(int at, uint32_t v) { return Put(at, 4, v); }
};

class Drive {
 public:
  explicit Drive(Library& lib = Library::Shared()) : lib_(lib) {}
  uint8_t target = 0, lun = 0;

  Result Exec(const Cdb& cdb, uint8_t direction, void* data, uint32_t length, uint8_t sense_length = 24);
  Result In(const Cdb& cdb, Bytes& out, uint32_t length);
  Bytes Query(const Cdb& cdb, uint32_t length);  // an answer the test expects to get
  Result Out(const Cdb& cdb, Bytes data) {
    return Exec(cdb, SRB_DIR_OUT, data.data(), static_cast<uint32_t>(data.size()));
  }
  Result None(const Cdb& cdb) { return Exec(cdb, 0, nullptr, 0); }

  Result TestUnitReady() { return None(Cdb(0x00, 6)); }
  Result Write(uint32_t lba, uint32_t blocks, uint8_t fill = 0x5A);
  Result Read(uint32_t lba, uint32_t blocks, Bytes& out);
  // Blocks whose first four bytes hold their own address (as the host meant
  // it, so pre-gap blocks hold negative ones) and whose rest is `fill`.
  Result WriteStamped(uint32_t lba, uint32_t blocks, uint8_t fill = 0x5A);
  // Reads back what WriteStamped wrote; names the first block that differs.
  ::testing::AssertionResult ReadsBackStamped(uint32_t lba, uint32_t blocks, uint8_t fill = 0x5A);
  // Streams `blocks` stamped blocks from `lba` in 32-block WRITEs; the last
  // WRITE still carries 32 blocks. Stops at the first refusal.
  Result StreamStamped(uint32_t lba, uint32_t blocks, uint8_t fill = 0x5A);
  Result Sync(bool immediate = false) { return None(Cdb(0x35, 10).Set(1, immediate ? 0x02 : 0x00)); }
  // READ BUFFER CAPACITY: free bytes, or free blocks with the BLOCK bit.
  uint32_t BufferFree(bool blocks = false) {
    return Get32(&Query(Cdb(0x5C, 10).Set(1, blocks ? 1 : 0).Put16(7, 12), 12)[8]);
  }
  // CLOSE TRACK/SESSION function 1 (track), 2 (session), 5 (finalize).
  Result Close(uint8_t function, uint32_t track = 0, bool immediate = false);
  Result CloseSession(bool immediate = false) { return Close(2, 0, immediate); }
  Result ReserveTrack(uint32_t blocks) { return None(Cdb(0x53, 12).Put32(5, blocks)); }
  Result Blank(uint8_t type, bool immediate);
  Result Format(uint8_t type, uint32_t blocks, uint32_t parameter, bool immediate);
  // Page 05h: write type byte, byte 3 (multisession, track mode), data block type.
  Result SetWriteParameters(uint8_t write_type_byte, uint8_t byte3, uint8_t block_type);
  Result ModeSense(uint8_t page, Bytes& out, uint8_t page_control = 0);

  Bytes DiscInformation() { return Query(Cdb(0x51, 10).Put16(7, 34), 34); }
  Bytes TrackInformation(uint32_t track) {
    return Query(Cdb(0x52, 10).Set(1, 1).Put32(2, track).Put16(7, 48), 48);
  }
  uint32_t NextWritableAddress() { return Get32(&TrackInformation(0xFF)[12]); }
  uint16_t CurrentProfile() {
    return static_cast<uint16_t>(Get16(&Query(Cdb(0x46, 10).Set(1, 2).Put16(7, 8), 8)[6]));
  }

 private:
  Library& lib_;
};

// Each test gets its own folder for disc files and a freshly configured drive.
class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Loads a new disc; long operations take no time unless op-ms is given.
  void Load(const std::string& spec_after_file, const std::string& name = "disc");
  int Configure(const std::string& spec) { return lib_.configure(spec.c_str()); }

  Library& lib_ = Library::Shared();
  Drive drive_;
  std::filesystem::path dir_;
};

}  // namespace orlix::vrec_test
