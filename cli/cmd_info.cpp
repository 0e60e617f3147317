// orlix info -d DEV: what the drive can do and what disc is in it, as text or
// as JSON for scripts.
#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "cli/drive_facts.h"
#include "cli/drive_option.h"
#include "cli/json_text.h"
#include "device/device_state.h"

namespace orlix::cli {
namespace {

// Raised when a key of the JSON form changes meaning or goes.
constexpr int kInfoSchema = 1;

struct InfoOptions {
  DriveOptions drive;
  bool json = false;
};

std::string Join(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
  return s.empty() ? "-" : s;
}

std::string SpeedText(const SpeedFact& s, bool dvd) {
  char t[64];
  std::snprintf(t, sizeof t, dvd ? "%u KB/s (%.1fx)" : "%u KB/s (%.0fx)", s.kbps, s.multiple);
  return t;
}

std::string BlocksText(uint32_t blocks) {
  char t[64];
  std::snprintf(t, sizeof t, "%u blocks (%.1f MB)", blocks, BlocksToMB(blocks));
  return t;
}

void PrintText(const DriveFacts& d, const DiscFacts& disc) {
  std::printf("drive: %s\n", d.name.c_str());
  std::printf("address: %s\n", d.address.c_str());
  std::printf("reads: %s\n", Join(d.reads).c_str());
  std::printf("writes: %s\n", Join(d.writes).c_str());
  std::printf("features: %s\n", Join(d.features).c_str());
  std::printf("max read speed: %s\n", SpeedText(d.max_read, d.dvd_speeds).c_str());
  std::printf("current read speed: %s\n", SpeedText(d.current_read, d.dvd_speeds).c_str());
  std::printf("max write speed: %s\n", SpeedText(d.max_write, d.dvd_speeds).c_str());
  std::printf("current write speed: %s\n", SpeedText(d.current_write, d.dvd_speeds).c_str());
  std::printf("buffer: %u KiB\n", d.buffer_kb);
  std::printf("write methods: %s\n", Join(d.write_methods).c_str());
  if (!disc.ready) {
    std::printf("disc: none\n");
    return;
  }
  std::printf("disc: %s\n", disc.medium.c_str());
  std::printf("medium type: %s\n", disc.type.c_str());
  std::printf("profile: %s\n", ProfileText(disc.profile).c_str());
  std::printf("status: %s\n", DiscStatusName(disc.status).c_str());
  std::printf("last session: %s\n", SessionStateName(disc.last_session).c_str());
  std::printf("sessions: %u\n", disc.sessions);
  std::printf("used: %s\n", BlocksText(disc.used).c_str());
  std::printf("free: %s\n", BlocksText(disc.free).c_str());
  std::printf("total: %s\n", BlocksText(disc.total).c_str());
  std::printf("erasable: %s\n", disc.erasable ? "yes" : "no");
}

std::string List(const std::vector<std::string>& words) {
  std::string s = "[";
  for (size_t i = 0; i < words.size(); ++i) s += (i ? ", " : "") + Quoted(words[i]);
  return s + "]";
}

// Keys name their units, so that a script cannot take kB/s for kbit/s.
std::string SpeedJson(const SpeedFact& s) {
  char t[96];
  std::snprintf(t, sizeof t, "{\"kBps\": %u, \"multiple\": %.2f}", s.kbps, s.multiple);
  return t;
}

std::string BlocksJson(uint32_t blocks) {
  char t[96];
  std::snprintf(t, sizeof t, "{\"blocks\": %u, \"MiB\": %.1f}", blocks, BlocksToMB(blocks));
  return t;
}

void PrintJson(const DriveFacts& d, const DiscFacts& disc) {
  std::printf("{\n  \"schema\": %d,\n  \"drive\": {\n", kInfoSchema);
  std::printf("    \"name\": %s,\n", Quoted(d.name).c_str());
  std::printf("    \"address\": %s,\n", Quoted(d.address).c_str());
  std::printf("    \"reads\": %s,\n", List(d.reads).c_str());
  std::printf("    \"writes\": %s,\n", List(d.writes).c_str());
  std::printf("    \"features\": %s,\n", List(d.features).c_str());
  std::printf("    \"speed_multiple_of\": %s,\n", d.dvd_speeds ? "\"DVD\"" : "\"CD\"");
  std::printf("    \"max_read_speed\": %s,\n", SpeedJson(d.max_read).c_str());
  std::printf("    \"current_read_speed\": %s,\n", SpeedJson(d.current_read).c_str());
  std::printf("    \"max_write_speed\": %s,\n", SpeedJson(d.max_write).c_str());
  std::printf("    \"current_write_speed\": %s,\n", SpeedJson(d.current_write).c_str());
  std::printf("    \"buffer_KiB\": %u,\n", d.buffer_kb);
  std::printf("    \"write_methods\": %s\n  },\n", List(d.write_methods).c_str());
  std::printf("  \"disc\": {\n    \"ready\": %s", disc.ready ? "true" : "false");
  if (disc.ready) {
    std::printf(",\n    \"medium\": %s,\n", Quoted(disc.medium).c_str());
    std::printf("    \"medium_type\": %s,\n", Quoted(disc.type).c_str());
    std::printf("    \"profile\": %s,\n", Quoted(ProfileText(disc.profile)).c_str());
    std::printf("    \"status\": %s,\n", Quoted(DiscStatusName(disc.status)).c_str());
    std::printf("    \"last_session\": %s,\n", Quoted(SessionStateName(disc.last_session)).c_str());
    std::printf("    \"sessions\": %u,\n", disc.sessions);
    std::printf("    \"used\": %s,\n", BlocksJson(disc.used).c_str());
    std::printf("    \"free\": %s,\n", BlocksJson(disc.free).c_str());
    std::printf("    \"total\": %s,\n", BlocksJson(disc.total).c_str());
    std::printf("    \"erasable\": %s", disc.erasable ? "true" : "false");
  }
  std::printf("\n  }\n}\n");
}

int RunInfo(InfoOptions& options) {
  TSCSIDevice device(nullptr);
  std::string error;
  if (!OpenDrive(device, options.drive, error)) {
    std::fprintf(stderr, "orlix: %s\n", error.c_str());
    return 1;
  }
  const DiscFacts disc = GatherDiscFacts(device);
  const bool dvd = disc.ready && IsDvd(MediumIs);
  const DriveFacts drive = GatherDriveFacts(device, dvd);
  if (options.json)
    PrintJson(drive, disc);
  else
    PrintText(drive, disc);
  return 0;
}

const CommandRegistration registration("info", [](CLI::App& app, int& exit_code) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* cmd = app.add_subcommand("info", "Show what a drive can do and what disc is in it");
  AddDriveOptions(*cmd, options->drive);
  cmd->add_flag("--json", options->json, "Print the same facts as JSON");
  cmd->footer(
      "Speeds are in KB/s and as multiples of 1x for the medium in the drive (176.4 KB/s for CD media "
      "and when there is no disc, 1385 KB/s for DVD media). Blocks are 2048 bytes; MB are 2^20 bytes. "
      "Exit status 1 when the drive cannot be opened.");
  cmd->callback([options, &exit_code] { exit_code = RunInfo(*options); });
});

}  // namespace
}  // namespace orlix::cli
