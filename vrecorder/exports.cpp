// The exported entry points: the two of an ASPI manager and the recorder's
// own configuration functions.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>

#include "vrecorder/clock.h"
#include "vrecorder/disc_file.h"
#include "vrecorder/recorder.h"
#include "vrecorder/vrecorder_api.h"

using orlix::vrec::Recorder;

namespace {

// Process-wide rather than per thread: thread-local storage in a library
// that is unloaded again confuses leak checkers that scan it at exit.
std::mutex error_mutex;
std::string last_error;

int Fail(const std::string& error) {
  std::lock_guard<std::mutex> lock(error_mutex);
  last_error = error;
  return -1;
}

std::string Text(const char* s) { return s ? s : ""; }

}  // namespace

extern "C" {

ORLIX_VRECORDER_API uint32_t SendASPI32Command(void* srb) { return Recorder::Instance().Send(srb); }

ORLIX_VRECORDER_API uint32_t GetASPI32SupportInfo(void) { return Recorder::Instance().SupportInfo(); }

ORLIX_VRECORDER_API int OrlixVRecorderConfigure(const char* spec) {
  std::string error;
  return Recorder::Instance().Configure(Text(spec), error) ? 0 : Fail(error);
}

ORLIX_VRECORDER_API int OrlixVRecorderSetFaults(const char* faults) {
  std::string error;
  return Recorder::Instance().SetFaults(Text(faults), error) ? 0 : Fail(error);
}

ORLIX_VRECORDER_API void OrlixVRecorderAdvanceClock(long long ms) { orlix::vrec::AdvanceClock(ms); }

ORLIX_VRECORDER_API int OrlixVDiscCreate(const char* file, const char* profile, long long blocks) {
  const orlix::vrec::Medium* medium = orlix::vrec::FindMedium(Text(profile));
  if (!medium)
    return Fail("unknown profile \"" + Text(profile) + "\" (one of " + orlix::vrec::MediumNames() + ")");
  if (blocks >= UINT32_MAX) return Fail("too many blocks");
  std::string image;
  std::error_code ec;
  // A pressed disc named after an existing file takes it as its content.
  if (medium->recording == orlix::vrec::Recording::kPressed && file && std::filesystem::exists(file, ec))
    image = file;
  std::string error;
  return orlix::vrec::CreateDisc(Text(file), *medium, std::max(blocks, 0LL), image, error) ? 0 : Fail(error);
}

ORLIX_VRECORDER_API int OrlixVDiscCreateFromImage(const char* file, const char* profile, const char* image) {
  const orlix::vrec::Medium* medium = orlix::vrec::FindMedium(Text(profile));
  if (!medium)
    return Fail("unknown profile \"" + Text(profile) + "\" (one of " + orlix::vrec::MediumNames() + ")");
  if (Text(image).empty()) return Fail("no image named");
  std::string error;
  return orlix::vrec::CreateDisc(Text(file), *medium, 0, Text(image), error) ? 0 : Fail(error);
}

ORLIX_VRECORDER_API int OrlixVDiscDescribe(const char* file, char* out, int out_len) {
  orlix::vrec::DiscState state;
  std::string error;
  if (!orlix::vrec::LoadDescription(Text(file), state, error)) return Fail(error);
  std::string text = orlix::vrec::DescribeDisc(state);
  if (out && out_len > 0) {
    size_t n = std::min(text.size(), static_cast<size_t>(out_len) - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
  }
  return static_cast<int>(text.size());
}

ORLIX_VRECORDER_API const char* OrlixVRecorderLastError(void) {
  std::lock_guard<std::mutex> lock(error_mutex);
  return last_error.c_str();
}

}  // extern "C"
