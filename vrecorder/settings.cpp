#include "vrecorder/settings.h"

#include <cerrno>
#include <cstdlib>

namespace orlix::vrec {

namespace {

bool ParseNumber(const std::string& text, int base, int64_t min, int64_t max, int64_t& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  out = v;
  return true;
}

std::vector<std::string> Split(const std::string& text, const std::string& separators) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (separators.find(c) != std::string::npos) {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

bool ParseSense(const std::string& text, Sense& sense) {
  auto parts = Split(text, "/");
  int64_t v[3];
  if (parts.size() != 3) return false;
  for (int i = 0; i < 3; ++i)
    if (!ParseNumber(parts[i], 16, 0, 255, v[i])) return false;
  sense = Sense{static_cast<uint8_t>(v[0] & 0x0F), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2])};
  return !sense.ok();
}

bool ParseFault(const std::string& text, Faults& faults, std::string& error) {
  auto parts = Split(text, ":");
  const std::string& kind = parts[0];
  int64_t n = 0;
  bool ok = false;
  if ((kind == "busy" || kind == "notready" || kind == "not-ready") && parts.size() == 2) {
    ok = ParseNumber(parts[1], 0, 0, INT32_MAX, n);
    (kind == "busy" ? faults.busy : faults.not_ready) = static_cast<int>(n);
  } else if ((kind == "medium" || kind == "corrupt") && parts.size() == 2) {
    ok = ParseNumber(parts[1], 0, 0, UINT32_MAX, n);
    (kind == "medium" ? faults.medium_errors : faults.corrupt_blocks).push_back(static_cast<uint32_t>(n));
  } else if (kind == "fail" && (parts.size() == 2 || parts.size() == 3)) {
    FailingCommand f{0, kInternalTargetFailure};
    ok = ParseNumber(parts[1], 16, 0, 255, n) && (parts.size() == 2 || ParseSense(parts[2], f.sense));
    f.opcode = static_cast<uint8_t>(n);
    faults.failing.push_back(f);
  } else if (kind == "gone" && parts.size() <= 2) {
    ok = parts.size() == 1 || ParseNumber(parts[1], 0, 0, INT64_MAX, n);
    faults.gone_after = n;
  }
  if (!ok)
    error = "bad fault \"" + text +
            "\" (busy:N, notready:N, medium:LBA, corrupt:LBA, fail:OP[:K/ASC/ASCQ], gone[:N])";
  return ok;
}

}  // namespace

bool ParseFaults(const std::string& list, Faults& faults, std::string& error) {
  Faults parsed;
  for (std::string item : Split(list, ",;")) {
    if (item.rfind("fault=", 0) == 0) item = item.substr(6);
    if (item.empty()) continue;
    if (!ParseFault(item, parsed, error)) return false;
  }
  faults = parsed;
  return true;
}

bool ParseSettings(const std::string& spec, Settings& settings, std::string& error) {
  Settings s;
  auto items = Split(spec, ",");
  s.file = items[0];
  for (size_t i = 1; i < items.size(); ++i) {
    const std::string& item = items[i];
    if (item.empty()) continue;
    size_t eq = item.find('=');
    std::string key = item.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
    int64_t n = 0;
    if (key == "profile") {
      s.medium = FindMedium(value);
      if (!s.medium) {
        error = "unknown profile \"" + value + "\" (one of " + MediumNames() + ")";
        return false;
      }
    } else if (key == "blocks") {
      if (!ParseNumber(value, 0, 1, UINT32_MAX - 1, s.blocks)) {
        error = "bad block count \"" + value + "\"";
        return false;
      }
    } else if (key == "op-ms") {
      if (!ParseNumber(value, 0, 0, 24LL * 3600 * 1000, s.op_ms)) {
        error = "bad operation time \"" + value + "\"";
        return false;
      }
    } else if (key == "speed") {
      // The ceiling lies far above any drive's speed.
      s.speed_drive = value == "drive";
      if (!s.speed_drive && !ParseNumber(value, 10, 0, 1000000, s.speed_kbps)) {
        error = "bad speed \"" + value + "\" (kB/s, 0 or drive)";
        return false;
      }
    } else if (key == "target") {
      if (!ParseNumber(value, 0, 0, 7, n)) {
        error = "bad target \"" + value + "\" (0 to 7)";
        return false;
      }
      s.target = static_cast<int>(n);
    } else if (key == "page30") {
      s.vendor_page = value.empty() || value == "1" || value == "yes";
    } else if (key == "image") {
      s.image = value;
    } else if (key == "fault") {
      Faults more;
      if (!ParseFaults(value, more, error)) return false;
      Faults& f = s.faults;
      f.busy += more.busy;
      f.not_ready += more.not_ready;
      f.medium_errors.insert(f.medium_errors.end(), more.medium_errors.begin(), more.medium_errors.end());
      f.corrupt_blocks.insert(f.corrupt_blocks.end(), more.corrupt_blocks.begin(), more.corrupt_blocks.end());
      f.failing.insert(f.failing.end(), more.failing.begin(), more.failing.end());
      if (more.gone_after >= 0) f.gone_after = more.gone_after;
    } else {
      error = "unknown option \"" + item + "\"";
      return false;
    }
  }
  settings = s;
  return true;
}

}  // namespace orlix::vrec
