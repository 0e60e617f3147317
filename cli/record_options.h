// What `burn` and `burn-image` share: the recording options, the checks of
// the disc before anything is sent, the wait for the writer, and the report
// at the end (a line, or one JSON object).
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "burner/burner.h"
#include "cli/drive_option.h"
#include "cli/recording_watch.h"

namespace orlix::cli {

struct RecordOptions {
  DriveOptions drive;
  std::string speed;  // as typed: kB/s, "Nx" or "max"; empty: the drive's choice
  bool test = false, finalize = false, verify = false, json = false;
};

// Adds the drive options, --speed, --test, --finalize, --verify and --json.
void AddRecordOptions(CLI::App& command, RecordOptions& options);

// The write speed in kB/s that `text` asks for on a DVD or a CD; 0 for the
// drive's maximum. False when `text` is not a speed.
bool ParseSpeed(const std::string& text, bool dvd, uint16_t& kbps);

// What the run ends with; printed as JSON with --json.
struct RecordReport {
  std::string result = "error";  // "ok", "error" or "aborted"
  std::string error;
  std::string medium;  // empty: no disc
  int64_t image_bytes = 0, recorded_bytes = 0;
  double seconds = 0;
  std::optional<bool> verified;  // none: not asked for, or a test write
  int64_t verify_fail_sector = -1;
  std::string verify_fail_file;
  // Entries whose names on the disc differ from the ones given (burn).
  size_t renamed_entries = 0;
};

class RecordRun {
 public:
  RecordRun(TOrlixBurner& burner, RecordOptions& options) : burner_(burner), o_(options) {}

  // Opens the drive and refuses discs that cannot take a recording: none,
  // pressed, closed; and with `from_sector_zero` any disc that is neither
  // blank nor overwritable. Sets the speed. 0 or 1.
  int OpenAndCheck(bool from_sector_zero);
  // The medium can be written anywhere (DVD+RW, DVD-RAM, restricted
  // overwrite DVD-RW): its size counts, not what is free.
  bool Overwritable() const { return overwritable_; }
  // Refuses (1) when `sectors` from `start` do not fit on the disc.
  int CheckFits(int64_t sectors, uint32_t start);
  // Sets the recording options on the burner.
  void SetRecordingOptions();
  // Starts the recording with `start` (BurnCD or BurnISOImage), waits for it
  // and tells the outcome. The exit status.
  template <typename Start>
  int Record(Start start) {
    RecordingWatch watch(burner_, WatchFor());
    const bool started = start();
    return Finish(watch, started);
  }
  // Tells the user `message` and keeps it for the report; returns `status`.
  int Refuse(const std::string& message, int status);
  // Keeps `message` for the report of a failure already told; returns
  // `status`.
  int Failed(const std::string& message, int status);
  // The report as one JSON object on stdout, when --json asks for it.
  void PrintJson() const;

  RecordReport& Report() { return report_; }

 private:
  WatchOptions WatchFor() const;
  int Finish(RecordingWatch& watch, bool started);

  TOrlixBurner& burner_;
  RecordOptions& o_;
  RecordReport report_;
  bool dvd_ = false;
  bool overwritable_ = false;
};

}  // namespace orlix::cli
