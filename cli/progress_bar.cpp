#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace orlix::cli {

namespace {

constexpr int kBarWidth = 20;
constexpr size_t kMinFileColumns = 12;
constexpr int kBarMinColumns = 110;

// Characters, not bytes: continuation bytes do not count.
size_t Columns(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// The terminal's width as the shell tells it; 80 otherwise.
int TerminalColumns() {
  const char* columns = std::getenv("COLUMNS");
  const int n = columns ? std::atoi(columns) : 0;
  return n >= 40 && n <= 1000 ? n : 80;
}

}  // namespace

std::string HumanBytes(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int u = 0;
  while (bytes >= 1024 && u < 4) bytes /= 1024, ++u;
  char text[32];
  std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
  return text;
}

std::string HumanBytesOf(double done, double total) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int u = 0;
  while (total >= 1024 && u < 4) total /= 1024, done /= 1024, ++u;
  char text[48];
  std::snprintf(text, sizeof text, u == 0 ? "%.0f/%.0f %s" : "%.1f/%.1f %s", done, total, units[u]);
  return text;
}

std::string ShortenFront(const std::string& text, size_t columns) {
  if (Columns(text) <= columns) return text;
  if (columns < 4) return "";
  size_t drop = Columns(text) - (columns - 3), i = 0;
  // Skip `drop` characters, then any continuation bytes of the last one.
  for (; i < text.size() && drop > 0; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) --drop;
  while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  return "..." + text.substr(i);
}

ProgressBar::ProgressBar(bool shown) : shown_(shown), width_(TerminalColumns()) {}

void ProgressBar::Update(const ProgressFacts& f) {
  if (!shown_) return;
  const auto now = Clock::now();
  const bool new_phase = f.phase != last_phase_;
  // Each phase counts its own bytes (verifying starts again from 0), so
  // the rate starts again with it.
  if (new_phase || f.done < start_done_) started_ = false;
  if (!started_ && f.done > 0) {
    started_ = true;
    start_ = now;
    start_done_ = f.done;
  }
  const bool finished = f.total > 0 && f.done >= f.total;
  if (now - last_ < std::chrono::milliseconds(100) && !finished && !new_phase) return;
  last_ = now;
  last_phase_ = f.phase;

  std::vector<std::string> parts;
  if (!f.phase.empty()) parts.push_back(f.phase);
  std::string bar;
  if (f.total > 0) {
    const int64_t done = std::clamp<int64_t>(f.done, 0, f.total);
    const int filled = static_cast<int>(kBarWidth * done / f.total);
    bar = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "]";
    parts.push_back(std::to_string(100 * done / f.total) + "%");
    if (f.bytes) parts.push_back(HumanBytesOf(static_cast<double>(done), static_cast<double>(f.total)));
    const double seconds = started_ ? std::chrono::duration<double>(now - start_).count() : 0;
    const double rate = seconds > 0.2 ? (done - start_done_) / seconds : 0;
    if (!finished && rate > 0) {
      const int64_t left = static_cast<int64_t>((f.total - done) / rate);
      char eta[48];
      std::snprintf(eta, sizeof eta, "%lld:%02lld left", static_cast<long long>(left / 60),
                    static_cast<long long>(left % 60));
      if (f.bytes) parts.push_back(HumanBytes(rate) + "/s");
      parts.push_back(eta);
    }
  }
  if (f.cache_percent >= 0) parts.push_back("cache " + std::to_string(f.cache_percent) + "%");
  if (f.drive_percent >= 0) parts.push_back("drive " + std::to_string(f.drive_percent) + "%");

  // The last column stays free: writing there wraps on some terminals.
  const size_t room = static_cast<size_t>(width_ - 1);
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : " ") + part;
  // A bar only where it leaves room for the file name, which takes what is
  // left.
  if (!bar.empty() && (width_ >= kBarMinColumns || !f.bytes)) {
    const size_t after_phase = f.phase.empty() ? 0 : f.phase.size() + 1;
    line.insert(after_phase, bar + " ");
  }
  if (!f.file.empty() && Columns(line) + 1 + kMinFileColumns <= room)
    line += " " + ShortenFront(f.file, room - 1 - Columns(line));
  if (Columns(line) > room) line.resize(room);  // all but the file name is ASCII
  const size_t used = Columns(line);
  if (used < room) line += std::string(room - used, ' ');
  std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (drawn_) std::fprintf(stderr, "\r%*s\r", width_ - 1, "");
  drawn_ = false;
}

}  // namespace orlix::cli
