#include "burner/burner.h"

#include "framework/component.h"
#include "iso/tree_index.h"

namespace orlix {

namespace {
constexpr const char* kVersion = "1.20.RC8";
constexpr int32_t kMinCacheSize = 2097152;
}  // namespace

TOrlixBurner::TOrlixBurner(TComponent* owner) : TSCSIDevice(owner) {
  header_stream_ = std::make_unique<TMemoryStream>();
  write_post_gap_ = true;
  Initialize();
  SetBufferSize(4194304);
  joliet_file_system_ = true;
  finalize_track_ = true;
  version_ = kVersion;
  SetUnderrunProtection(true);
}

TOrlixBurner::~TOrlixBurner() {
  WaitForRecording();
  header_stream_->Clear();
  // The records go; counters and table lengths stay as they are.
  for (int32_t i = 0; i < DirCounter && i < static_cast<int32_t>(Dirs.size()); ++i) {
    delete Dirs[i];
    Dirs[i] = nullptr;
    if (i < static_cast<int32_t>(PathTable.size())) PathTable[i] = nullptr;
    if (i < static_cast<int32_t>(PathTableJ.size())) PathTableJ[i] = nullptr;
  }
  for (int32_t i = 0; i < FileCounter && i < static_cast<int32_t>(Files.size()); ++i) {
    delete Files[i];
    Files[i] = nullptr;
  }
  tree_index::Reset();
}

void TOrlixBurner::SetBufferSize(int32_t value) {
  if (value < kMinCacheSize) value = kMinCacheSize;
  cache_size_ = value - value % 2048;
}

void TOrlixBurner::SetOrlixVersion(const std::string&) {}

std::string TOrlixBurner::GetDevice(uint8_t index) const { return device_list_.Strings(index); }

int32_t TOrlixBurner::DevicesFound() const { return device_list_.Count(); }

int32_t TOrlixBurner::GetDirsCount() const { return DirCounter - 1; }

int32_t TOrlixBurner::GetFilesCount() const { return FileCounter; }

int64_t TOrlixBurner::GetImageSize() const {
  if (write_post_gap_ && image_sectors_ < 300) return 300;
  return image_sectors_;
}

bool TOrlixBurner::Initialize() {
  ClearAll(65535, 8191);
  return true;
}

void RegisterBurner() { RegisterComponents(kPalettePage, {"TOrlixBurner"}); }

}  // namespace orlix
