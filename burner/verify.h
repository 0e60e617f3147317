// Checking a recording: while the writer sends the image it keeps a 32-bit
// hash of every sector (not the data), and afterwards the sectors are read
// back with READ (10) and their hashes compared, so that a drive that wrote
// something else, or nothing, is caught. The first sector that differs is
// named with what it belongs to.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orlix {

class TSCSIDevice;

class TVerifier {
 public:
  // What a sector of the disc belongs to, for the report.
  using OwnerFn = std::function<std::string(int64_t lba)>;

  // Forgets every hash; the stream's first sector will go to `first_lba`
  // (negative in the pregap of a session-at-once recording).
  void Begin(int64_t first_lba);
  // Whole sectors of the stream, in order.
  void AddStream(const uint8_t* data, int32_t bytes);
  // Sectors written at `lba` besides the stream (the descriptors at the
  // start of an overwritable disc); sectors the stream also wrote count as
  // the stream's.
  void AddExtra(int64_t lba, const uint8_t* data, int32_t sectors);
  int64_t Sectors() const;

  // Reads everything back. Returns the result text: ERR_NONE, the verify
  // failure naming the first bad sector and its owner, or ERR_ABORTED when
  // `aborted` was set meanwhile. `verified_bytes` follows the reading.
  std::string Run(TSCSIDevice& drive, const OwnerFn& owner, const std::atomic<bool>& aborted,
                  std::atomic<int64_t>& verified_bytes);
  // The first bad sector of the last Run; -1 when none.
  int64_t FailSector() const { return fail_sector_; }

  static uint32_t SectorHash(const uint8_t* sector);

 private:
  struct Region {
    int64_t first_lba = 0;
    std::vector<uint32_t> hashes;
  };
  // Compares one region's sectors from `skip_below`..`skip_end` excluded.
  bool Check(TSCSIDevice& drive, const Region& region, int64_t skip_begin, int64_t skip_end,
             const OwnerFn& owner, const std::atomic<bool>& aborted, std::atomic<int64_t>& verified_bytes,
             std::string& result);

  Region stream_;
  std::vector<Region> extras_;
  int64_t fail_sector_ = -1;
};

}  // namespace orlix
