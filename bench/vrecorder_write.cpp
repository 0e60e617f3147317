// Records through the virtual recorder the way a host does and prints how
// fast the recorder takes the data: `medium=M mib=N seconds=S mb_per_s=R`
// for a sequential (DVD-R) and an overwritable (DVD+RW) disc, each figure the
// fastest of three runs (the host's write-back makes single runs noisy).
//
//   bench_vrecorder_write [MIB] [FOLDER]
//
// MIB: how much to record (default 1024) in WRITE (10) commands of 64 KiB;
// FOLDER: where the disc files go (default: the temp folder). The recorder
// runs at speed=0, so its buffer never holds a write back.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "transport/srb.h"
#include "vrecorder/vrecorder_api.h"

namespace fs = std::filesystem;
using namespace orlix;

namespace {

constexpr uint32_t kBlocksPerWrite = 32;
constexpr uint32_t kBlockSize = 2048;

struct Recorder {
  TSendASPI32Command send = nullptr;
  OrlixVRecorderConfigureFn configure = nullptr;
  OrlixVRecorderLastErrorFn last_error = nullptr;

  bool Exec(const std::vector<uint8_t>& cdb, uint8_t direction, void* data, uint32_t length) {
    TSRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = direction;
    srb.SRB_BufLen = length;
    srb.SRB_BufPointer = data;
    srb.SRB_SenseLen = 18;
    srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), srb.CDBByte);
    return send(&srb) == SS_COMP;
  }
};

std::vector<uint8_t> Write10(uint32_t lba, uint32_t blocks) {
  return {0x2A,
          0,
          static_cast<uint8_t>(lba >> 24),
          static_cast<uint8_t>(lba >> 16),
          static_cast<uint8_t>(lba >> 8),
          static_cast<uint8_t>(lba),
          0,
          static_cast<uint8_t>(blocks >> 8),
          static_cast<uint8_t>(blocks),
          0};
}

// Returns the seconds taken, or a negative number when the recorder refused.
double Record(Recorder& r, const fs::path& disc, const char* profile, uint32_t blocks) {
  fs::remove(disc);
  fs::remove(disc.string() + ".desc");
  const std::string spec = disc.string() + ",profile=" + profile + ",op-ms=0";
  if (r.configure(spec.c_str()) != 0) {
    std::fprintf(stderr, "%s: %s\n", spec.c_str(), r.last_error());
    return -1;
  }
  std::vector<uint8_t> data(kBlocksPerWrite * kBlockSize, 0x5A);
  const auto start = std::chrono::steady_clock::now();
  for (uint32_t lba = 0; lba < blocks; lba += kBlocksPerWrite) {
    if (!r.Exec(Write10(lba, kBlocksPerWrite), SRB_DIR_OUT, data.data(), static_cast<uint32_t>(data.size()))) {
      std::fprintf(stderr, "%s: WRITE (10) at %u refused\n", profile, lba);
      return -1;
    }
  }
  if (!r.Exec({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, nullptr, 0)) return -1;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  r.configure("");
  fs::remove(disc);
  fs::remove(disc.string() + ".desc");
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1024;
  const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
  if (mib <= 0 || mib > 4000) {
    std::fprintf(stderr, "usage: %s [MIB (1 to 4000)] [FOLDER]\n", argv[0]);
    return 1;
  }
  const std::string library = ExecutableDir() + LibraryFileName("orlix_vrecorder");
  TLibHandle handle = LoadSharedLibrary(library);
  if (!handle) {
    std::fprintf(stderr, "cannot load %s: %s\n", library.c_str(), LibraryError().c_str());
    return 1;
  }
  Recorder r;
  r.send = reinterpret_cast<TSendASPI32Command>(SharedLibrarySymbol(handle, "SendASPI32Command"));
  r.configure = reinterpret_cast<OrlixVRecorderConfigureFn>(SharedLibrarySymbol(handle, "OrlixVRecorderConfigure"));
  r.last_error = reinterpret_cast<OrlixVRecorderLastErrorFn>(SharedLibrarySymbol(handle, "OrlixVRecorderLastError"));
  if (!r.send || !r.configure || !r.last_error) {
    std::fprintf(stderr, "%s lacks the recorder's entry points\n", library.c_str());
    return 1;
  }

  const uint32_t blocks = static_cast<uint32_t>(mib) * (1024 * 1024 / kBlockSize);
  const fs::path disc = folder / ("orlix_bench_vdisc_" + std::to_string(std::random_device{}()));
  int failed = 0;
  for (const char* profile : {"dvd-r", "dvd+rw"}) {
    double seconds = -1;
    for (int run = 0; run < 3; ++run) {
      const double took = Record(r, disc, profile, blocks);
      if (took < 0) break;
      if (seconds < 0 || took < seconds) seconds = took;
    }
    if (seconds < 0) {
      failed = 1;
      continue;
    }
    std::printf("medium=%s mib=%ld seconds=%.3f mb_per_s=%.1f\n", profile, mib, seconds,
                mib * 1.048576 / seconds);
  }
  FreeSharedLibrary(handle);
  return failed;
}
