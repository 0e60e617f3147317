#include "cli/recording_watch.h"

#include <cstdio>

#include "cli/exit_status.h"
#include "cli/progress_bar.h"
#include "framework/thread.h"

namespace orlix::cli {

namespace {

using Phase = TOrlixBurner::TRecordingPhase;

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::rpPreparing:
      return "preparing the drive";
    case Phase::rpWriting:
      return "writing";
    case Phase::rpClosing:
      return "closing";
    case Phase::rpVerifying:
      return "verifying";
    case Phase::rpIdle:
      break;
  }
  return "starting";
}

}  // namespace

RecordingWatch::RecordingWatch(TOrlixBurner& burner, const WatchOptions& options)
    : burner_(burner), options_(options), start_(std::chrono::steady_clock::now()) {
  burner_.OnWriteDone = [this](TComponent*, const std::string& error) {
    done_ = true;
    result_ = error;
    end_ = std::chrono::steady_clock::now();
  };
  InstallInterruptHandlers();
}

RecordingWatch::~RecordingWatch() {
  RestoreInterruptHandlers();
  burner_.OnWriteDone = nullptr;
}

double RecordingWatch::Seconds() const {
  const auto end = done_ ? end_ : std::chrono::steady_clock::now();
  return std::chrono::duration<double>(end - start_).count();
}

void RecordingWatch::Wait() {
  ProgressBar bar(options_.bar);
  // The writer raises OnWriteDone just before it stops running: both must
  // have happened before the burner may go.
  while (!done_ || burner_.RecordingActive()) {
    if (interrupt_ == TInterrupt::None && (interrupt_ = InterruptReceived()) != TInterrupt::None) {
      bar.Clear();
      std::fprintf(stderr, "orlix: stopping...\n");
      burner_.Abort();
    }
    const Phase phase = burner_.Phase();
    if (phase != phase_ && phase != Phase::rpIdle) {
      phase_ = phase;
      if (options_.phase_lines && !options_.bar) std::fprintf(stderr, "orlix: %s\n", PhaseName(phase));
    }
    if (options_.bar) {
      ProgressFacts facts;
      facts.phase = PhaseName(phase_);
      const bool verifying = phase_ == Phase::rpVerifying;
      facts.done = verifying ? burner_.VerifiedBytes() : burner_.BytesWritten();
      facts.total = burner_.GetImageSize() * 2048;
      if (!verifying) {
        facts.cache_percent = burner_.BufferProgress();
        const uint32_t size = burner_.DeviceBufferSize(), free = burner_.DeviceFreeBufferSize();
        if (size > 0 && free <= size) facts.drive_percent = static_cast<int>(100.0 * (size - free) / size);
        facts.file = burner_.CurrentFile();
      }
      bar.Update(facts);
    }
    CheckSynchronize(100);
  }
  bar.Clear();
}

int InterruptExitStatus(TInterrupt interrupt) {
  switch (interrupt) {
    case TInterrupt::HangUp:
      return kExitHangUp;
    case TInterrupt::Terminate:
      return kExitTerminated;
    case TInterrupt::Interrupt:
    case TInterrupt::None:
      break;
  }
  return kExitInterrupted;
}

}  // namespace orlix::cli
