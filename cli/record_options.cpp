#include "cli/record_options.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/exit_status.h"
#include "cli/json_text.h"
#include "device/device_state.h"
#include "messages/messages.h"
#include "platform/console.h"

namespace orlix::cli {

namespace {

constexpr double kCdOneX = 176.4, kDvdOneX = 1385.0;
constexpr uint16_t kRestrictedOverwriteProfile = 0x13;
// SET CD SPEED's field is 16 bits; all ones asks for the maximum.
constexpr double kMaxKbps = 65534;

// A positive number of digits with at most one decimal point making up all
// of `text`.
bool PositiveNumber(const std::string& text, double& value) {
  if (text.empty() || text.size() > 12 || text[0] == '.') return false;
  int points = 0;
  for (char c : text) {
    if (c == '.' ? ++points > 1 : !std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  value = std::strtod(text.c_str(), nullptr);
  return value > 0;
}

std::string SpeedCheck(const std::string& text) {
  uint16_t kbps;
  if (ParseSpeed(text, false, kbps)) return "";
  return "kB/s (such as 1385), a multiple of 1x (such as 4x or 2.4x) or max, not \"" + text + "\"";
}

std::string Decimal(int64_t v) { return std::to_string(v); }

std::string Seconds(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

}  // namespace

bool ParseSpeed(const std::string& text, bool dvd, uint16_t& kbps) {
  double value = 0;
  if (text == "max") {
    kbps = 0;
    return true;
  }
  if (!text.empty() && (text.back() == 'x' || text.back() == 'X')) {
    if (!PositiveNumber(text.substr(0, text.size() - 1), value)) return false;
    // More than the field holds is more than any drive does: its maximum.
    value *= dvd ? kDvdOneX : kCdOneX;
    kbps = value > kMaxKbps ? 0 : static_cast<uint16_t>(std::max(1.0, std::round(value)));
    return true;
  }
  if (!PositiveNumber(text, value) || value > kMaxKbps || value != std::floor(value)) return false;
  kbps = static_cast<uint16_t>(value);
  return true;
}

void AddRecordOptions(CLI::App& cmd, RecordOptions& o) {
  AddDriveOptions(cmd, o.drive);
  cmd.add_option(
         "--speed", o.speed,
         "Write speed: kB/s, a multiple of 1x of the medium (176.4 kB/s for CD, 1385 for DVD) such as "
         "8x, or max (default: the drive's choice)")
      ->check(CLI::Validator(SpeedCheck, "SPEED"));
  cmd.add_flag("--test", o.test, "Test write: the drive goes through the recording without the laser");
  cmd.add_flag("--finalize", o.finalize, "Close the disc: no session can be added afterwards");
  cmd.add_flag("--verify", o.verify, "Read the recording back and compare it with what was sent");
  cmd.add_flag("--json", o.json, "Print the outcome as one JSON object on stdout");
}

int RecordRun::Refuse(const std::string& message, int status) {
  return Fail(message, Failed(message, status));
}

int RecordRun::Failed(const std::string& message, int status) {
  report_.error = message;
  report_.result = "error";
  return status;
}

int RecordRun::OpenAndCheck(bool from_sector_zero) {
  std::string error;
  if (!OpenDrive(burner_, o_.drive, error)) return Refuse(error, kExitError);
  const TDisc disc = burner_.GetDiscInformation();
  if (!disc.Ready) return Refuse("no disc in the drive, or the drive is not ready", kExitError);
  MediumIs = burner_.DiscType();
  report_.medium = disc.Medium;
  const std::string the_disc = "the " + disc.Medium + " disc";
  dvd_ = IsDvd(MediumIs);
  if (MediumIs == kMediumCDROM || MediumIs == kMediumDVDROM || MediumIs == kMediumDDCDROM)
    return Refuse(the_disc + " in the drive is pressed: it cannot be written; insert a recordable disc",
                  kExitError);
  overwritable_ = MediumIs == kMediumDVDPlusRW || MediumIs == kMediumDVDRAM ||
                  (IsDvdRw(MediumIs) && disc.Profile == kRestrictedOverwriteProfile);
  const int16_t status = burner_.DiscStatus();
  if (!overwritable_ && status == kDiscComplete)
    return Refuse(the_disc + " in the drive is closed: nothing more can be recorded on it" +
                      (disc.Rewritable ? "; erase it first (orlix erase)" : ""),
                  kExitError);
  if (from_sector_zero && !overwritable_ && status != kDiscEmpty)
    return Refuse("an image is recorded from sector 0, which needs a blank disc; " + the_disc +
                      " in the drive already holds data" +
                      (disc.Rewritable ? " (orlix erase blanks it)" : ""),
                  kExitError);
  if (!o_.speed.empty()) {
    uint16_t kbps = 0;
    ParseSpeed(o_.speed, dvd_, kbps);
    if (!burner_.SetWriteSpeed(kbps) && !o_.drive.quiet)
      std::fprintf(stderr, "orlix: the drive did not take the speed %s; it records at the speed it chooses\n",
                   o_.speed.c_str());
  }
  return kExitOk;
}

int RecordRun::CheckFits(int64_t sectors, uint32_t start) {
  const int64_t room =
      overwritable_ ? int64_t{burner_.TotalBlocksOnDisc()} - start : int64_t{burner_.FreeBlocksOnDisc()};
  if (sectors <= room) return kExitOk;
  return Refuse("the image does not fit: it needs " + Decimal(sectors) + " sectors (" +
                    Decimal(sectors * 2048) + " bytes), the " + report_.medium + " disc has " +
                    Decimal(std::max<int64_t>(room, 0)) + " free",
                kExitError);
}

void RecordRun::SetRecordingOptions() {
  burner_.SetTestWrite(o_.test);
  burner_.SetFinalizeDisc(o_.finalize);
  burner_.SetVerify(o_.verify);
}

WatchOptions RecordRun::WatchFor() const {
  WatchOptions w;
  w.bar = !o_.drive.quiet && IsTerminal(2);
  w.phase_lines = o_.drive.verbose;
  return w;
}

int RecordRun::Finish(RecordingWatch& watch, bool started) {
  if (!started && !watch.Done())
    return Refuse("the recording did not start: " + Text(ERR_RECORDING), kExitError);
  watch.Wait();
  report_.seconds = watch.Seconds();
  report_.image_bytes = burner_.GetImageSize() * 2048;
  report_.recorded_bytes = burner_.BytesWritten();
  const bool ok = IsSuccess(watch.Result());
  if (o_.verify && !o_.test) {
    report_.verify_fail_sector = burner_.VerifyFailSector();
    report_.verify_fail_file = burner_.VerifyFailFile();
    if (report_.verify_fail_sector >= 0)
      report_.verified = false;
    else if (ok)
      report_.verified = burner_.VerifiedBytes() > 0;
  }
  if (!ok) {
    const int status =
        watch.Interrupt() != TInterrupt::None ? InterruptExitStatus(watch.Interrupt()) : kExitError;
    Refuse(watch.Result(), status);
    if (status != kExitError) report_.result = "aborted";
    if (report_.verify_fail_sector >= 0)
      Fail("first bad sector: " + Decimal(report_.verify_fail_sector) + ", in " + report_.verify_fail_file);
    return status;
  }
  report_.result = "ok";
  if (o_.verify && o_.test && !o_.drive.quiet)
    std::fprintf(stderr, "orlix: a test write is not read back: --verify has nothing to compare\n");
  if (report_.verified == false)
    return Refuse("the recording ended without being read back; it is not verified", kExitError);
  if (!o_.drive.quiet && !o_.json) {
    const double rate = report_.seconds > 0 ? report_.recorded_bytes / report_.seconds / 1e6 : 0;
    std::printf("%s: %lld bytes on %s in %.1f s (%.1f MB/s)%s%s\n", o_.test ? "test write" : "recorded",
                static_cast<long long>(report_.recorded_bytes), report_.medium.c_str(), report_.seconds, rate,
                report_.verified == true ? ", verified" : "", o_.test ? "; the disc is unchanged" : "");
  }
  return kExitOk;
}

void RecordRun::PrintJson() const {
  if (!o_.json) return;
  const RecordReport& r = report_;
  const auto nullable = [](bool present, const std::string& value) { return present ? value : "null"; };
  const double rate = r.seconds > 0 ? r.recorded_bytes / r.seconds : 0;
  std::string out = "{\"schema\": 1";
  out += ", \"result\": " + Quoted(r.result);
  out += ", \"error\": " + Quoted(r.error);
  out += ", \"medium\": " + nullable(!r.medium.empty(), Quoted(r.medium));
  out += ", \"image_bytes\": " + Decimal(r.image_bytes);
  out += ", \"recorded_bytes\": " + Decimal(r.recorded_bytes);
  out += ", \"seconds\": " + Seconds(r.seconds);
  out += ", \"rate_bytes_per_second\": " + Decimal(static_cast<int64_t>(rate));
  out += ", \"verified\": " + nullable(r.verified.has_value(), r.verified == true ? "true" : "false");
  out += ", \"verify_fail_sector\": " + nullable(r.verify_fail_sector >= 0, Decimal(r.verify_fail_sector));
  out += ", \"verify_fail_file\": " + nullable(r.verify_fail_sector >= 0, Quoted(r.verify_fail_file));
  out += ", \"renamed_entries\": " + Decimal(static_cast<int64_t>(r.renamed_entries));
  out += "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace orlix::cli
