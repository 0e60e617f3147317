#include "fuzz/import_harness.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "burner/burner.h"
#include "framework/thread.h"
#include "platform/dynamic_library.h"
#include "transport/transport_state.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::fuzz {

namespace {

namespace fs = std::filesystem;

constexpr size_t kSectorBytes = 2048;
constexpr size_t kSystemArea = 16 * kSectorBytes;
// Extracting is bounded per input, so that one input cannot take minutes.
constexpr int kFilesExtracted = 8;
constexpr int64_t kLargestExtracted = 1 << 20;

class Harness {
 public:
  Harness() {
    SetMainThread();
    folder_ = fs::temp_directory_path() / ("orlix_fuzz_import_" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
    disc_ = (folder_ / "disc").string();
    burner_ = std::make_unique<TOrlixBurner>(nullptr);
    const std::string library = std::string(ORLIX_BIN_DIR) + "/" + LibraryFileName("orlix_vrecorder");
    if (!burner_->InitializeASPI(false, library)) {
      std::fprintf(stderr, "fuzz: cannot load %s\n", library.c_str());
      std::abort();
    }
    configure_ = reinterpret_cast<OrlixVRecorderConfigureFn>(
        SharedLibrarySymbol(ASPILibHandle, "OrlixVRecorderConfigure"));
  }
  ~Harness() {
    burner_.reset();
    _DeInitializeASPI();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  void Run(const uint8_t* data, size_t size) {
    {
      std::ofstream disc(disc_, std::ios::binary | std::ios::trunc);
      const std::string zeros(kSystemArea, '\0');
      disc.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
      disc.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::error_code ec;
    fs::remove(disc_ + ".desc", ec);
    // A file of its own content makes a pressed disc of that size.
    if (configure_((disc_ + ",profile=dvd-rom").c_str()) != 0) return;
    burner_->Initialize();
    burner_->SetDeviceID("0:0:0");
    burner_->ImportSession(-1, nullptr);
    Walk(burner_->Root(), 0);
    int extracted = 0;
    const std::string out = (folder_ / "out").string();
    for (int32_t i = 0; i < FileCounter && extracted < kFilesExtracted; ++i) {
      PFEntry f = Files[i];
      if (f->Dir != nullptr || f->Size > kLargestExtracted) continue;
      burner_->ExtractFile(f, out);
      ++extracted;
    }
  }

 private:
  // What a listing reads of every entry.
  void Walk(PDEntry dir, int depth) {
    for (PFEntry e = dir->FirstFile; e != nullptr; e = e->Next) {
      checksum_ += e->LongName.size() + static_cast<size_t>(e->Size) + e->Address;
      if (e->Dir != nullptr && depth < 300) Walk(e->Dir, depth + 1);
    }
  }

  fs::path folder_;
  std::string disc_;
  std::unique_ptr<TOrlixBurner> burner_;
  OrlixVRecorderConfigureFn configure_ = nullptr;
  size_t checksum_ = 0;
};

}  // namespace

int RunImportInput(const uint8_t* data, size_t size) {
  static Harness harness;
  harness.Run(data, size);
  return 0;
}

}  // namespace orlix::fuzz
