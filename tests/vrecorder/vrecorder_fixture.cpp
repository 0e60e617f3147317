#include "tests/vrecorder/vrecorder_fixture.h"

#include <atomic>
#include <cstdio>
#include <random>

#include "platform/dynamic_library.h"

namespace orlix::vrec_test {

namespace fs = std::filesystem;

namespace {

const char* kLibraryPath = ORLIX_BIN_DIR "/liborlix_vrecorder.so";
std::atomic<int> counter{0};

// Test cases run as separate processes side by side: a random part keeps
// their folders apart.
fs::path UniqueTempPath(const std::string& stem) {
  static const unsigned run = std::random_device{}();
  return fs::temp_directory_path() / (stem + "-" + std::to_string(run) + "-" + std::to_string(++counter));
}

template <typename T>
T Symbol(void* handle, const char* name) {
  void* p = SharedLibrarySymbol(handle, name);
  if (!p) ADD_FAILURE() << "missing export " << name;
  return reinterpret_cast<T>(p);
}

}  // namespace

Library::Library(bool fresh_copy) {
  std::string path = kLibraryPath;
  if (fresh_copy) {
    copy_ = UniqueTempPath("vrecorder-copy");
    copy_ += ".so";
    fs::copy_file(path, copy_);
    path = copy_.string();
  }
  handle_ = LoadSharedLibrary(path);
  if (!handle_) {
    ADD_FAILURE() << "cannot load " << path << ": " << LibraryError();
    return;
  }
  send = Symbol<TSendASPI32Command>(handle_, "SendASPI32Command");
  support_info = Symbol<TGetASPI32SupportInfo>(handle_, "GetASPI32SupportInfo");
  configure = Symbol<OrlixVRecorderConfigureFn>(handle_, "OrlixVRecorderConfigure");
  set_faults = Symbol<OrlixVRecorderSetFaultsFn>(handle_, "OrlixVRecorderSetFaults");
  advance_clock = Symbol<OrlixVRecorderAdvanceClockFn>(handle_, "OrlixVRecorderAdvanceClock");
  create = Symbol<OrlixVDiscCreateFn>(handle_, "OrlixVDiscCreate");
  create_from_image = Symbol<OrlixVDiscCreateFromImageFn>(handle_, "OrlixVDiscCreateFromImage");
  describe = Symbol<OrlixVDiscDescribeFn>(handle_, "OrlixVDiscDescribe");
  last_error = Symbol<OrlixVRecorderLastErrorFn>(handle_, "OrlixVRecorderLastError");
}

Library::~Library() {
  if (handle_) FreeSharedLibrary(handle_);
  std::error_code ec;
  if (!copy_.empty()) fs::remove(copy_, ec);
}

Library& Library::Shared() {
  static Library library;
  return library;
}

std::string Result::Text() const {
  if (ok()) return "ok";
  char text[32];
  std::snprintf(text, sizeof text, "%02X/%02X/%02X", key(), asc(), ascq());
  return text;
}

Cdb& Cdb::Put16(int at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 8);
  b[at + 1] = static_cast<uint8_t>(v);
  return *this;
}

Cdb& Cdb::Put24(int at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 16);
  return Put16(at + 1, v);
}

Cdb& Cdb::Put32(int at, uint32_t v) {
  Put16(at, v >> 16);
  return Put16(at + 2, v);
}

uint32_t Get16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t Get32(const uint8_t* p) { return (Get16(p) << 16) | Get16(p + 2); }

Result Drive::Exec(const Cdb& cdb, uint8_t direction, void* data, uint32_t length, uint8_t sense_length) {
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = direction;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = data;
  srb.SRB_SenseLen = sense_length;
  srb.SRB_CDBLen = cdb.length;
  std::copy(cdb.b.begin(), cdb.b.end(), srb.CDBByte);
  lib_.send(&srb);
  Result r;
  r.status = srb.SRB_Status;
  r.ha_stat = srb.SRB_HaStat;
  r.targ_stat = srb.SRB_TargStat;
  std::copy(srb.SenseArea, srb.SenseArea + kSenseLen, r.sense.begin());
  return r;
}

Result Drive::In(const Cdb& cdb, Bytes& out, uint32_t length) {
  out.assign(length, 0);
  return Exec(cdb, SRB_DIR_IN, out.data(), length);
}

Result Drive::Out(const Cdb& cdb, const Bytes& data) {
  Bytes copy = data;
  return Exec(cdb, SRB_DIR_OUT, copy.data(), static_cast<uint32_t>(copy.size()));
}

Result Drive::None(const Cdb& cdb) { return Exec(cdb, 0, nullptr, 0); }

Result Drive::TestUnitReady() { return None(Cdb(0x00, 6)); }

Result Drive::Write(uint32_t lba, uint32_t blocks, uint8_t fill) {
  Bytes data(blocks * 2048, fill);
  return Out(Cdb(0x2A, 10).Put32(2, lba).Put16(7, blocks), data);
}

Result Drive::Read(uint32_t lba, uint32_t blocks, Bytes& out) {
  return In(Cdb(0x28, 10).Put32(2, lba).Put16(7, blocks), out, blocks * 2048);
}

Result Drive::CloseTrack(uint32_t track, bool immediate) {
  return None(Cdb(0x5B, 10).Set(1, immediate ? 1 : 0).Set(2, 1).Put16(4, track));
}

Result Drive::CloseSession(bool immediate) { return None(Cdb(0x5B, 10).Set(1, immediate ? 1 : 0).Set(2, 2)); }

Result Drive::CloseFunction(uint8_t function, uint32_t track) {
  return None(Cdb(0x5B, 10).Set(2, function).Put16(4, track));
}

Result Drive::ReserveTrack(uint32_t blocks) { return None(Cdb(0x53, 12).Put32(5, blocks)); }

Result Drive::Blank(uint8_t type, bool immediate) {
  return None(Cdb(0xA1, 12).Set(1, static_cast<uint8_t>(type | (immediate ? 0x10 : 0))));
}

Result Drive::Format(uint8_t type, uint32_t blocks, uint32_t parameter, bool immediate) {
  Bytes list(12, 0);
  list[1] = immediate ? 0x82 : 0x80;
  list[3] = 8;
  list[4] = static_cast<uint8_t>(blocks >> 24);
  list[5] = static_cast<uint8_t>(blocks >> 16);
  list[6] = static_cast<uint8_t>(blocks >> 8);
  list[7] = static_cast<uint8_t>(blocks);
  list[8] = static_cast<uint8_t>(type << 2);
  list[9] = static_cast<uint8_t>(parameter >> 16);
  list[10] = static_cast<uint8_t>(parameter >> 8);
  list[11] = static_cast<uint8_t>(parameter);
  return Out(Cdb(0x04, 6).Set(1, 0x11), list);
}

Result Drive::SetWriteParameters(uint8_t write_type_byte, uint8_t byte3, uint8_t block_type) {
  Bytes list(8 + 52, 0);
  uint8_t* p = &list[8];
  p[0] = 0x05;
  p[1] = 0x32;
  p[2] = write_type_byte;
  p[3] = byte3;
  p[4] = block_type;
  p[15] = 150;
  return Out(Cdb(0x55, 10).Set(1, 0x10).Put16(7, static_cast<uint32_t>(list.size())), list);
}

Result Drive::ModeSense(uint8_t page, Bytes& out, uint8_t page_control) {
  return In(Cdb(0x5A, 10).Set(2, static_cast<uint8_t>((page_control << 6) | page)).Put16(7, 255), out, 255);
}

Bytes Drive::DiscInformation() {
  Bytes d;
  Result r = In(Cdb(0x51, 10).Put16(7, 34), d, 34);
  EXPECT_TRUE(r.ok()) << "READ DISC INFORMATION " << r.Text();
  return d;
}

Bytes Drive::TrackInformation(uint32_t track) {
  Bytes d;
  Result r = In(Cdb(0x52, 10).Set(1, 1).Put32(2, track).Put16(7, 48), d, 48);
  EXPECT_TRUE(r.ok()) << "READ TRACK INFORMATION " << track << " " << r.Text();
  return d;
}

uint16_t Drive::CurrentProfile() {
  Bytes d;
  EXPECT_TRUE(In(Cdb(0x46, 10).Set(1, 2).Put16(7, 8), d, 8).ok());
  return static_cast<uint16_t>(Get16(&d[6]));
}

void RecorderTest::SetUp() {
  dir_ = UniqueTempPath("vrecorder-test");
  fs::create_directories(dir_);
}

void RecorderTest::TearDown() {
  lib_.configure("");  // let go of the disc file before removing it
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

void RecorderTest::Load(const std::string& spec_after_file, const std::string& name) {
  std::string spec = Path(name) + (spec_after_file.empty() ? "" : "," + spec_after_file);
  if (spec.find("op-ms=") == std::string::npos) spec += ",op-ms=0";  // no waiting unless a test wants it
  ASSERT_EQ(Configure(spec), 0) << spec << ": " << lib_.last_error();
}

}  // namespace orlix::vrec_test
