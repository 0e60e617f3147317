// Starting a recording: the read-ahead cache first, primed on the caller's
// thread, then the writer; and what the host polls and calls meanwhile.
#include <cmath>

#include "burner/burner.h"
#include "burner/burner_state.h"
#include "burner/cache_thread.h"
#include "burner/writer_thread.h"
#include "framework/sleep.h"
#include "framework/thread.h"
#include "iso/image_stream.h"
#include "messages/messages.h"
#include "platform/file_copy.h"

namespace orlix {

namespace {
constexpr uint32_t kPrimeWaitMs = 100;
}  // namespace

bool TOrlixBurner::BeginRecording() {
  bool expected = false;
  if (!recording_active_.compare_exchange_strong(expected, true)) {
    DebugMsg(">>> " + Text(ERR_RECORDING), 4);
    return false;
  }
  return true;
}

void TOrlixBurner::EndRecording() { recording_active_ = false; }

bool TOrlixBurner::StartCache(const std::string& image_path) {
  RecordingBurner = this;
  if (image_path.empty() && HeaderStream()->Size() == 0) {
    // The header goes with the stream that records it; recording again
    // needs a new preparation, else the disc would get files without a file
    // system.
    EndRecording();
    if (OnWriteDone) OnWriteDone(this, Text(ERR_NOTPREPARED));
    return false;
  }
  const std::string boot_path = Bootable() ? BootImage() : "";
  const int32_t boot_sectors = image_path.empty() ? BootImageSectors() : 0;
  CacheThread.reset();  // the last recording's, which nothing reads any more
  CacheThread = std::make_unique<TCacheThread>(CacheSize(), Root(), HeaderStream(), ImageSectors() * 2048,
                                               boot_sectors, boot_path, WritePostGap());
  TCacheThread& cache = *CacheThread;
  if (image_path.empty() && Bootable())
    cache.SetBootPaddingSectors(BootSegmentSectors(layout_, true) - BootImageSectors());
  cache.SetImagePath(image_path);
  cache.Start();
  while (!cache.Primed()) {
    const std::string error = cache.ErrorText();
    if (!IsSuccess(error)) {
      SetCurrentFile(cache.CurrentFile());
      {
        std::lock_guard<std::mutex> guard(text_mutex_);
        write_result_ = error;
      }
      EndRecording();
      if (OnWriteDone) OnWriteDone(this, error);
      return false;
    }
    // Events of other threads go on meanwhile when this is the main thread.
    if (IsMainThread())
      CheckSynchronize(kPrimeWaitMs);
    else
      Sleep(kPrimeWaitMs);
  }
  return true;
}

bool TOrlixBurner::DriveSelected() {
  if (ASPIInitialized() && HaId() != kNoAddress) return true;
  EndRecording();
  if (OnWriteDone) OnWriteDone(this, Text(ERR_INVALIDDEVICE));
  return false;
}

bool TOrlixBurner::BurnCD() {
  if (!BeginRecording()) return false;
  return DriveSelected() && StartCache("") && DoBurn(false);
}

bool TOrlixBurner::BurnISOImage(const std::string& FileName) {
  if (!BeginRecording() || !DriveSelected()) return false;
  RecordingBurner = this;
  const THandle handle = FileOpenForCopy(FileName);
  if (handle == kInvalidHandle) {
    EndRecording();
    if (OnWriteDone) OnWriteDone(this, Format(ERR_FILEINUSE, FileName));
    return false;
  }
  const int64_t size = FileSeek(handle, 0, 2);
  FileClose(handle);
  SetImageSectors((size + 2047) / 2048);
  return StartCache(FileName) && DoBurn(false);
}

bool TOrlixBurner::DoBurn(bool ToFile) {
  // Cleared here rather than when the writer starts running: an Abort made
  // once BurnCD has returned must not be lost to a writer not yet running.
  Aborted = false;
  auto* writer = new TThWrite();
  WriterThread = writer;
  writer->SetFreeOnTerminate(true);
  writer->SetPriority(TThreadPriority::tpTimeCritical);
  writer->SetToFile(ToFile);
  writer->Start();
  return true;
}

void TOrlixBurner::Abort() { Aborted = true; }

int32_t TOrlixBurner::BufferProgress() {
  if (!Writing || !CacheThread) return 0;
  const auto queued = static_cast<uint32_t>(CacheThread->QueuedBytes());
  return static_cast<int32_t>(std::lround(static_cast<double>(queued) / CacheSize() * 100));
}

void TOrlixBurner::WriteDoneEvent() {
  if (OnWriteDone) OnWriteDone(this, WriteResult());
}

std::string TOrlixBurner::CurrentFile() const {
  std::lock_guard<std::mutex> guard(text_mutex_);
  return current_file_;
}

void TOrlixBurner::SetCurrentFile(const std::string& path) {
  std::lock_guard<std::mutex> guard(text_mutex_);
  current_file_ = path;
}

std::string TOrlixBurner::WriteResult() const {
  std::lock_guard<std::mutex> guard(text_mutex_);
  return write_result_;
}

void TOrlixBurner::WaitForRecording() {
  // A writer may still be raising its event; it must not find the burner
  // gone.
  destroying_ = true;
  Abort();
  while (WriterThread.load() != nullptr) {
    if (IsMainThread())
      CheckSynchronize(50);
    else
      Sleep(10);
  }
  CacheThread.reset();
}

}  // namespace orlix
