// Waiting for a recording (or a threaded image save) on the main thread: the
// writer's calls are pumped, progress is drawn, and an interrupt from the
// user or the system asks the writer to stop, once.
#pragma once

#include <chrono>
#include <string>

#include "burner/burner.h"
#include "platform/interrupt.h"

namespace orlix::cli {

struct WatchOptions {
  bool bar = false;          // draw the progress line
  bool phase_lines = false;  // a line per phase change (without a bar)
};

class RecordingWatch {
 public:
  // Takes over the burner's OnWriteDone and catches interrupts until it is
  // destroyed; create it before starting the recording, whose start may
  // already report.
  RecordingWatch(TOrlixBurner& burner, const WatchOptions& options);
  ~RecordingWatch();
  RecordingWatch(const RecordingWatch&) = delete;
  RecordingWatch& operator=(const RecordingWatch&) = delete;

  // Pumps the main thread until OnWriteDone has come and the recording has
  // ended.
  void Wait();
  // OnWriteDone has come.
  bool Done() const { return done_; }
  // Its text; empty on success.
  const std::string& Result() const { return result_; }
  TInterrupt Interrupt() const { return interrupt_; }
  // From the watch's creation to the result.
  double Seconds() const;

 private:
  void Show();

  TOrlixBurner& burner_;
  WatchOptions options_;
  bool done_ = false;
  std::string result_;
  TInterrupt interrupt_ = TInterrupt::None;
  TOrlixBurner::TRecordingPhase phase_ = TOrlixBurner::TRecordingPhase::rpIdle;
  std::chrono::steady_clock::time_point start_, end_;
};

// The exit status of a run that an interrupt ended.
int InterruptExitStatus(TInterrupt interrupt);

}  // namespace orlix::cli
