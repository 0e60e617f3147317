#include "burner/verify.h"

#include <xxhash.h>

#include <algorithm>

#include "device/scsi_device.h"
#include "messages/messages.h"

namespace orlix {

namespace {

constexpr int32_t kSectorBytes = 2048;
constexpr int32_t kReadSectors = 32;

}  // namespace

uint32_t TVerifier::SectorHash(const uint8_t* sector) {
  return static_cast<uint32_t>(XXH3_64bits(sector, kSectorBytes));
}

void TVerifier::Begin(int64_t first_lba) {
  stream_ = Region{first_lba, {}};
  extras_.clear();
  fail_sector_ = -1;
}

void TVerifier::AddStream(const uint8_t* data, int32_t bytes) {
  for (int32_t at = 0; at + kSectorBytes <= bytes; at += kSectorBytes) stream_.hashes.push_back(SectorHash(data + at));
}

void TVerifier::AddExtra(int64_t lba, const uint8_t* data, int32_t sectors) {
  Region r{lba, {}};
  for (int32_t i = 0; i < sectors; ++i) r.hashes.push_back(SectorHash(data + int64_t{i} * kSectorBytes));
  extras_.push_back(std::move(r));
}

int64_t TVerifier::Sectors() const {
  int64_t n = static_cast<int64_t>(stream_.hashes.size());
  for (const Region& r : extras_) n += static_cast<int64_t>(r.hashes.size());
  return n;
}

bool TVerifier::Check(TSCSIDevice& drive, const Region& region, int64_t skip_begin, int64_t skip_end,
                      const OwnerFn& owner, const std::atomic<bool>& aborted,
                      std::atomic<int64_t>& verified_bytes, std::string& result) {
  std::vector<uint8_t> buffer(static_cast<size_t>(kReadSectors) * kSectorBytes);
  const int64_t count = static_cast<int64_t>(region.hashes.size());
  int64_t i = 0;
  // Sectors before 0 (a pregap the drive makes itself) cannot be read back.
  if (region.first_lba < 0) i = std::min(count, -region.first_lba);
  while (i < count) {
    if (aborted) {
      result = Text(ERR_ABORTED);
      return false;
    }
    const int64_t lba = region.first_lba + i;
    if (lba >= skip_begin && lba < skip_end) {
      ++i;
      continue;
    }
    int64_t n = std::min<int64_t>(kReadSectors, count - i);
    if (lba < skip_begin) n = std::min(n, skip_begin - lba);
    bool read = drive.Read10(static_cast<uint32_t>(lba), static_cast<uint16_t>(n), buffer.data(),
                             static_cast<uint32_t>(n * kSectorBytes));
    if (!read) {
      // Find the first sector that does not read.
      for (int64_t k = 0; k < n; ++k) {
        if (!drive.Read10(static_cast<uint32_t>(lba + k), 1, buffer.data() + k * kSectorBytes, kSectorBytes)) {
          fail_sector_ = lba + k;
          result = Format(ERR_VERIFYREAD, fail_sector_, owner(fail_sector_));
          return false;
        }
      }
    }
    for (int64_t k = 0; k < n; ++k) {
      if (SectorHash(buffer.data() + k * kSectorBytes) != region.hashes[static_cast<size_t>(i + k)]) {
        fail_sector_ = lba + k;
        result = Format(ERR_VERIFY, fail_sector_, owner(fail_sector_));
        return false;
      }
    }
    verified_bytes += n * kSectorBytes;
    i += n;
  }
  return true;
}

std::string TVerifier::Run(TSCSIDevice& drive, const OwnerFn& owner, const std::atomic<bool>& aborted,
                           std::atomic<int64_t>& verified_bytes) {
  fail_sector_ = -1;
  verified_bytes = 0;
  std::string result = Text(ERR_NONE);
  const int64_t stream_end = stream_.first_lba + static_cast<int64_t>(stream_.hashes.size());
  for (const Region& r : extras_)
    if (!Check(drive, r, stream_.first_lba, stream_end, owner, aborted, verified_bytes, result)) return result;
  Check(drive, stream_, INT64_MAX, INT64_MAX, owner, aborted, verified_bytes, result);
  return result;
}

}  // namespace orlix
