// The read-ahead thread of a recording: it produces the image stream (the
// header sectors, the boot segment, every file's data, each ending on a
// sector boundary, then the zero padding when asked) in 64 KiB blocks in a
// bounded queue, ahead of the writer, which takes them with GetFirst. When
// an image file is burnt, that file is its only source.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/critical_section.h"
#include "framework/memory_stream.h"
#include "framework/thread.h"
#include "iso/tree.h"

namespace orlix {

constexpr int32_t kBlockBytes = 65536;

// One block of the stream: 64 KiB and the count of its valid bytes, a
// multiple of 2048; every block but the last of a stream is full.
struct TCacheBlock {
  int32_t count = 0;
  uint8_t data[kBlockBytes];
};

class TCacheThread : public TThread {
 public:
  // Created suspended. `total_bytes` is the stream's length without the
  // padding; `boot_sectors` the boot image's sectors behind the header. The
  // root is accepted and not used.
  TCacheThread(int32_t cache_bytes, PDEntry root, TMemoryStream* header, int64_t total_bytes,
               int32_t boot_sectors, const std::string& boot_path, bool pad_request);
  ~TCacheThread() override;

  // Makes an image file the only source; before Start.
  void SetImagePath(const std::string& path) { image_path_ = path; }
  // Zero sectors behind the boot image, up to the first file; before Start.
  void SetBootPaddingSectors(int64_t sectors) { boot_padding_sectors_ = sectors; }
  const std::string& ImagePath() const { return image_path_; }

  // Copies the oldest block to `dest` (at least 65536 bytes) and returns its
  // byte count; -1 when nothing is queued yet, 0 at the end of the stream,
  // after a failure or an abort.
  int32_t GetFirst(void* dest);
  // The same without the copy: the oldest block itself, for the writer to
  // send and then give back with Recycle. Same results as GetFirst.
  int32_t TakeFirst(std::unique_ptr<TCacheBlock>& block);
  void Recycle(std::unique_ptr<TCacheBlock> block);
  // Stops reading and empties the queue; returns at once.
  void Abort() {
    aborted_ = true;
    Signal();
  }
  // A count that moves whenever a block is queued or taken. A thread that
  // found nothing to do waits with WaitForChange until it moves, rather than
  // sleeping a fixed time: the fast side would idle otherwise.
  uint64_t Changes() const { return changes_; }
  void WaitForChange(uint64_t seen, uint32_t ms);
  void Lock() { lock_.Enter(); }
  void unLock() { lock_.Leave(); }

  // The queue reached its limit once, or holds the whole stream.
  bool Primed() const { return primed_; }
  bool Done() const { return done_; }
  // Valid bytes in the queue; read without the lock, so may be stale.
  int64_t QueuedBytes() const { return queued_bytes_; }
  int32_t MaxBlocks() const { return max_blocks_; }
  // The failure reported to the host; empty (ERR_NONE) while all is well.
  std::string ErrorText();
  void SetErrorText(const std::string& text);
  // The source being read.
  std::string CurrentFile();

 protected:
  void Execute() override;

 private:
  using Block = TCacheBlock;
  // Thrown inside Execute to take the abort path.
  struct AbortRequested {};
  // Thrown inside Execute when a failure ends the thread (error text set).
  struct Failed {};

  void CheckAbort();
  void Fail(const std::string& text);
  void SetCurrentFile(const std::string& path);
  // Moves the current block to the queue (when it holds anything).
  void QueueCurrent();
  // Room in the current block, taking a fresh one when it is full.
  uint8_t* Room(int32_t& room);
  void AddBytes(const void* data, int64_t count);
  void AddZeros(int64_t count);
  // Reads `wanted` bytes of a file (or memory block) into the stream and
  // fills the rest of `stream_bytes` with zeros. `minimum` is what the source
  // must at least hold; less means it shrank or failed.
  void AddSource(const std::string& path, const void* data, int64_t wanted, int64_t minimum,
                 int64_t stream_bytes);
  void AddHeader();
  size_t QueuedBlocks();
  size_t ResumeMark() const;
  void Signal();
  void WaitForRoom();
  void AdjustPriority(size_t queued_blocks);
  void AbortPath();

  TCriticalSection lock_;  // the queue, the counters and the two texts
  std::mutex signal_mutex_;
  std::condition_variable signal_;
  std::atomic<uint64_t> changes_{0};
  std::atomic<int> waiters_{0};
  std::deque<std::unique_ptr<Block>> queue_;
  std::vector<std::unique_ptr<Block>> spare_;  // released blocks, reused
  std::unique_ptr<Block> current_;
  bool pad_ = false;
  int32_t boot_sectors_ = 0;
  int64_t boot_padding_sectors_ = 0;
  int32_t cache_bytes_ = 0;
  int32_t max_blocks_ = 0;
  TThreadPriority current_priority_ = TThreadPriority::tpLower;
  std::atomic<bool> aborted_{false};
  std::atomic<bool> done_{false};
  std::atomic<bool> primed_{false};
  // Everything is queued: an empty queue then means the end, also when the
  // stream came out shorter than announced.
  std::atomic<bool> all_queued_{false};
  std::string image_path_;
  std::atomic<int64_t> queued_bytes_{0};
  int64_t pad_base_ = 0;
  int64_t remaining_bytes_ = 0;
  std::string current_file_;
  std::string error_text_;
  TMemoryStream* header_ = nullptr;
  std::string boot_path_;
};

}  // namespace orlix
