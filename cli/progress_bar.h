// The progress line the long commands draw on stderr when it is a terminal:
// phase, a bar, bytes done of the total, rate, time left, and for
// recordings the cache and drive buffer fill and the file being read.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace orlix::cli {

struct ProgressFacts {
  std::string phase;  // empty: not shown
  int64_t done = 0, total = 0;
  bool bytes = true;       // false: done and total count no bytes (a percentage)
  int cache_percent = -1;  // -1: not shown
  int drive_percent = -1;  // -1: not shown
  std::string file;        // empty: not shown
};

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;
  explicit ProgressBar(bool shown);
  ~ProgressBar() { Clear(); }

  // Redraws at most ten times a second (always when the phase changes or
  // the work is done).
  void Update(const ProgressFacts& facts);
  // Takes the line away, so that what follows starts on a clean line.
  void Clear();

 private:
  bool shown_;
  bool drawn_ = false;
  int width_;
  std::string last_phase_;
  Clock::time_point last_{};
  // The rate counts from the first byte, not from the start of the command.
  bool started_ = false;
  Clock::time_point start_{};
  int64_t start_done_ = 0;
};

// 1536 -> "1.5 KiB".
std::string HumanBytes(double bytes);
// Both in the unit of the total: "12.3/28.9 MiB".
std::string HumanBytesOf(double done, double total);
// `text` cut to at most `columns` characters by dropping its start, which is
// marked with "..."; UTF-8 sequences stay whole.
std::string ShortenFront(const std::string& text, size_t columns);

}  // namespace orlix::cli
