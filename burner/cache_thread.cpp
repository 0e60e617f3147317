#include "burner/cache_thread.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

#include "framework/sleep.h"
#include "iso/fields.h"
#include "iso/image_stream.h"
#include "messages/messages.h"
#include "platform/file_copy.h"

namespace orlix {

namespace {

constexpr int64_t kSectorBytes = 2048;
// Images shorter than this are padded with zeros when asked (300 sectors).
constexpr int64_t kPostGapBytes = 614400;
constexpr uint8_t kDirectoryAttr = 0x10;

// Closes a source handle on every way out.
struct SourceHandle {
  THandle handle = kInvalidHandle;
  ~SourceHandle() {
    if (handle != kInvalidHandle) FileClose(handle);
  }
};

}  // namespace

TCacheThread::TCacheThread(int32_t cache_bytes, PDEntry, TMemoryStream* header, int64_t total_bytes,
                           int32_t boot_sectors, const std::string& boot_path, bool pad_request)
    : TThread(true),
      boot_sectors_(boot_sectors),
      cache_bytes_(cache_bytes),
      max_blocks_(cache_bytes / kBlockBytes),
      pad_base_(total_bytes),
      remaining_bytes_(total_bytes),
      error_text_(Text(ERR_NONE)),
      header_(header),
      boot_path_(boot_path) {
  SetPriority(TThreadPriority::tpLower);
  current_priority_ = TThreadPriority::tpLower;
  pad_ = pad_request && total_bytes < kPostGapBytes;
}

TCacheThread::~TCacheThread() {
  // Execute uses the members: it must have ended before they go.
  Abort();
  Terminate();
  WaitFor();
}

std::string TCacheThread::ErrorText() {
  std::lock_guard<TCriticalSection> guard(lock_);
  return error_text_;
}

void TCacheThread::SetErrorText(const std::string& text) {
  std::lock_guard<TCriticalSection> guard(lock_);
  error_text_ = text;
}

std::string TCacheThread::CurrentFile() {
  std::lock_guard<TCriticalSection> guard(lock_);
  return current_file_;
}

void TCacheThread::SetCurrentFile(const std::string& path) {
  std::lock_guard<TCriticalSection> guard(lock_);
  current_file_ = path;
}

int32_t TCacheThread::GetFirst(void* dest) {
  std::unique_ptr<Block> block;
  const int32_t n = TakeFirst(block);
  if (n > 0) {
    std::memcpy(dest, block->data, static_cast<size_t>(n));
    Recycle(std::move(block));
  }
  return n;
}

int32_t TCacheThread::TakeFirst(std::unique_ptr<TCacheBlock>& block) {
  int32_t n;
  size_t left;
  {
    std::lock_guard<TCriticalSection> guard(lock_);
    if (queue_.empty()) return done_ || all_queued_ ? 0 : -1;
    if (aborted_) return 0;
    block = std::move(queue_.front());
    queue_.pop_front();
    n = block->count;
    queued_bytes_ -= n;
    remaining_bytes_ -= n;
    left = queue_.size();
  }
  // A reader waiting for room is woken once the queue is down to its
  // resume mark, not at every block: it then fills a quarter in one go.
  if (left <= ResumeMark()) Signal();
  return n;
}

void TCacheThread::Recycle(std::unique_ptr<TCacheBlock> block) {
  std::lock_guard<TCriticalSection> guard(lock_);
  if (spare_.size() < static_cast<size_t>(max_blocks_)) spare_.push_back(std::move(block));
}

size_t TCacheThread::ResumeMark() const {
  return static_cast<size_t>(std::max(0, max_blocks_ - 1 - max_blocks_ / 4));
}

void TCacheThread::Signal() {
  // Ordered before the look at the waiters: a waiter that counts itself in
  // later sees the change in its predicate.
  ++changes_;
  if (waiters_ == 0) return;
  std::lock_guard<std::mutex> guard(signal_mutex_);
  signal_.notify_all();
}

void TCacheThread::WaitForChange(uint64_t seen, uint32_t ms) {
  std::unique_lock<std::mutex> lock(signal_mutex_);
  ++waiters_;
  const auto wait = std::chrono::microseconds(uint64_t{ms} * 1000 / SleepSpeedup());
  signal_.wait_for(lock, wait, [&] { return changes_ != seen || aborted_ || Terminated(); });
  --waiters_;
}

void TCacheThread::CheckAbort() {
  if (aborted_ || Terminated()) throw AbortRequested{};
}

void TCacheThread::Fail(const std::string& text) {
  SetErrorText(text);
  throw Failed{};
}

void TCacheThread::QueueCurrent() {
  if (!current_ || current_->count == 0) return;
  {
    std::lock_guard<TCriticalSection> guard(lock_);
    queued_bytes_ += current_->count;
    queue_.push_back(std::move(current_));
  }
  Signal();
}

uint8_t* TCacheThread::Room(int32_t& room) {
  if (current_ && current_->count == kBlockBytes) {
    QueueCurrent();
    WaitForRoom();
  }
  if (!current_) {
    {
      std::lock_guard<TCriticalSection> guard(lock_);
      if (!spare_.empty()) {
        current_ = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    if (!current_) current_ = std::make_unique<Block>();
    current_->count = 0;
  }
  room = kBlockBytes - current_->count;
  return current_->data + current_->count;
}

void TCacheThread::AddBytes(const void* data, int64_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    int32_t room;
    uint8_t* at = Room(room);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(room, count));
    std::memcpy(at, p, static_cast<size_t>(n));
    current_->count += n;
    p += n;
    count -= n;
  }
}

void TCacheThread::AddZeros(int64_t count) {
  while (count > 0) {
    int32_t room;
    uint8_t* at = Room(room);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(room, count));
    std::memset(at, 0, static_cast<size_t>(n));
    current_->count += n;
    count -= n;
  }
}

void TCacheThread::AddSource(const std::string& path, const void* data, int64_t wanted, int64_t minimum,
                             int64_t stream_bytes) {
  SetCurrentFile(path);
  SourceHandle source;
  if (data == nullptr) {
    source.handle = FileOpenForCopy(path);
    if (source.handle == kInvalidHandle) Fail(Format(ERR_FILEINUSE, path));
  }
  int64_t taken = 0;
  bool ended = false;
  while (taken < wanted && !ended) {
    int32_t room;
    uint8_t* at = Room(room);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(room, wanted - taken));
    int32_t got = 0;
    if (data != nullptr) {
      std::memcpy(at, static_cast<const uint8_t*>(data) + taken, static_cast<size_t>(n));
      got = n;
    } else {
      // The read straight into the block is the one copy on the way in.
      while (got < n) {
        const int32_t r = FileRead(source.handle, at + got, n - got);
        if (r <= 0) {
          ended = true;
          break;
        }
        got += r;
      }
    }
    current_->count += got;
    taken += got;
    CheckAbort();
    AdjustPriority(QueuedBlocks());
  }
  // A source that delivers less than it held when it was added would leave
  // the sectors of the records it belongs to with bytes of nothing.
  if (taken < minimum) Fail(Format(ERR_SOURCECHANGED, path));
  AddZeros(stream_bytes - taken);
}

void TCacheThread::AddHeader() {
  const int64_t length = header_->Size();
  AddBytes(header_->Memory(), length);
  // The image stream owns the header from here; its memory goes.
  header_->Clear();
}

void TCacheThread::AdjustPriority(size_t queued_blocks) {
  const size_t c = queued_blocks;
  TThreadPriority wanted = TThreadPriority::tpLowest;
  if (c < static_cast<size_t>(max_blocks_ / 4))
    wanted = TThreadPriority::tpNormal;
  else if (c < static_cast<size_t>(max_blocks_ / 2))
    wanted = TThreadPriority::tpLower;
  if (wanted != current_priority_) {
    current_priority_ = wanted;
    SetPriority(wanted);
  }
}

size_t TCacheThread::QueuedBlocks() {
  std::lock_guard<TCriticalSection> guard(lock_);
  return queue_.size();
}

void TCacheThread::WaitForRoom() {
  uint64_t seen = changes_;
  size_t count = QueuedBlocks();
  AdjustPriority(count);
  if (count + 1 < static_cast<size_t>(max_blocks_)) return;
  // Full: wait until the writer has taken a quarter of it.
  while (count > ResumeMark()) {
    if (current_priority_ != TThreadPriority::tpIdle) {
      current_priority_ = TThreadPriority::tpIdle;
      SetPriority(TThreadPriority::tpIdle);
    }
    CheckAbort();
    primed_ = true;
    WaitForChange(seen, 1);
    seen = changes_;
    count = QueuedBlocks();
  }
}

void TCacheThread::AbortPath() {
  std::lock_guard<TCriticalSection> guard(lock_);
  queue_.clear();
  queued_bytes_ = 0;
  if (IsSuccess(error_text_)) error_text_ = Text(ERR_ABORTED);
  done_ = true;
}

void TCacheThread::Execute() {
  queued_bytes_ = 0;
  try {
    if (image_path_.empty()) {
      AddHeader();
      if (!boot_path_.empty() && boot_sectors_ > 0) {
        const int64_t boot_bytes = int64_t{boot_sectors_} * kSectorBytes;
        AddSource(boot_path_, nullptr, boot_bytes, boot_bytes - kSectorBytes + 1,
                  boot_bytes + boot_padding_sectors_ * kSectorBytes);
      }
      for (int32_t i = 0; i < FileCounter; ++i) {
        const PFEntry f = i < static_cast<int32_t>(Files.size()) ? Files[i] : nullptr;
        if (f == nullptr) Fail(Text(ERR_5));
        if ((f->Attr & kDirectoryAttr) || !AddsToStream(*f)) continue;
        const bool memory = f->SourcePath.empty();
        if (memory && f->Data == nullptr) continue;  // already on the disc
        const int64_t wanted = SourceBytes(*f);
        AddSource(f->SourcePath, memory ? f->Data : nullptr, wanted, wanted, StreamBytes(*f));
      }
    } else {
      AddSource(image_path_, nullptr, pad_base_, pad_base_ - kSectorBytes + 1, pad_base_);
    }
    if (pad_ && image_path_.empty()) {
      // The zeros continue the last block rather than follow it: every block
      // but the last stays full, so that each 32-sector write lands where
      // the one before it ended.
      const int64_t pad = kPostGapBytes - pad_base_;
      {
        std::lock_guard<TCriticalSection> guard(lock_);
        remaining_bytes_ += pad;
      }
      AddZeros(pad);
    }
    QueueCurrent();
    all_queued_ = true;
    primed_ = true;
    // The consumer takes the rest; an abort empties the queue instead.
    for (uint64_t seen = changes_; QueuedBlocks() > 0; seen = changes_) {
      CheckAbort();
      WaitForChange(seen, 10);
    }
    done_ = true;
  } catch (const AbortRequested&) {
    AbortPath();
  } catch (const Failed&) {
    done_ = true;
  }
}

}  // namespace orlix
