#include "tests/vrecorder/vrecorder_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>

#include "platform/dynamic_library.h"

namespace orlix::vrec_test {

namespace fs = std::filesystem;

namespace {

// Test cases run as separate processes side by side: a random part keeps
// their folders apart.
fs::path UniqueTempPath(const std::string& stem) {
  static const unsigned run = std::random_device{}();
  static std::atomic<int> counter{0};
  return fs::temp_directory_path() / (stem + "-" + std::to_string(run) + "-" + std::to_string(++counter));
}

template <typename T>
void Bind(void* handle, const char* name, T& fn) {
  fn = reinterpret_cast<T>(SharedLibrarySymbol(handle, name));
  if (!fn) ADD_FAILURE() << "missing export " << name;
}

}  // namespace

Library::Library(bool fresh_copy) {
  std::string path = ORLIX_BIN_DIR "/" + LibraryFileName("orlix_vrecorder");
  if (fresh_copy) {
    copy_ = UniqueTempPath("vrecorder-copy").string() + fs::path(path).extension().string();
    fs::copy_file(path, copy_);
    path = copy_.string();
  }
  handle_ = LoadSharedLibrary(path);
  if (!handle_) {
    ADD_FAILURE() << "cannot load " << path << ": " << LibraryError();
    return;
  }
  Bind(handle_, "SendASPI32Command", send);
  Bind(handle_, "GetASPI32SupportInfo", support_info);
  Bind(handle_, "OrlixVRecorderConfigure", configure);
  Bind(handle_, "OrlixVRecorderSetFaults", set_faults);
  Bind(handle_, "OrlixVRecorderAdvanceClock", advance_clock);
  Bind(handle_, "OrlixVDiscCreate", create);
  Bind(handle_, "OrlixVDiscCreateFromImage", create_from_image);
  Bind(handle_, "OrlixVDiscDescribe", describe);
  Bind(handle_, "OrlixVRecorderLastError", last_error);
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
  std::snprintf(text, sizeof text, "%02X/%02X/%02X", sense[2] & 0x0F, sense[12], sense[13]);
  return text;
}

void PutBE(uint8_t* p, int bytes, uint32_t v) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

Cdb& Cdb::Put(int at, int bytes, uint32_t v) {
  PutBE(&b[at], bytes, v);
  return *this;
}

uint32_t Get16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t Get32(const uint8_t* p) { return (Get16(p) << 16) | Get16(p + 2); }

Result Drive::Exec(const Cdb& cdb, uint8_t direction, void* data, uint32_t length, uint8_t sense_length) {
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = direction;
  srb.SRB_Target = target;
  srb.SRB_Lun = lun;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = data;
  srb.SRB_SenseLen = sense_length;
  srb.SRB_CDBLen = cdb.length;
  std::copy(cdb.b.begin(), cdb.b.end(), srb.CDBByte);
  lib_.send(&srb);
  Result r{srb.SRB_Status, srb.SRB_HaStat, srb.SRB_TargStat};
  std::copy(srb.SenseArea, srb.SenseArea + kSenseLen, r.sense.begin());
  return r;
}

Result Drive::In(const Cdb& cdb, Bytes& out, uint32_t length) {
  out.assign(length, 0);
  return Exec(cdb, SRB_DIR_IN, out.data(), length);
}

Bytes Drive::Query(const Cdb& cdb, uint32_t length) {
  Bytes d;
  Result r = In(cdb, d, length);
  EXPECT_TRUE(r.ok()) << "operation " << int{cdb.b[0]} << ": " << r.Text();
  return d;
}

Result Drive::Write(uint32_t lba, uint32_t blocks, uint8_t fill) {
  return Out(Cdb(0x2A, 10).Put32(2, lba).Put16(7, blocks), Bytes(blocks * 2048, fill));
}

Result Drive::Read(uint32_t lba, uint32_t blocks, Bytes& out) {
  return In(Cdb(0x28, 10).Put32(2, lba).Put16(7, blocks), out, blocks * 2048);
}

Result Drive::WriteStamped(uint32_t lba, uint32_t blocks, uint8_t fill) {
  Bytes data(blocks * 2048, fill);
  for (uint32_t i = 0; i < blocks; ++i) PutBE(&data[i * 2048], 4, lba + i);
  return Out(Cdb(0x2A, 10).Put32(2, lba).Put16(7, blocks), data);
}

::testing::AssertionResult Drive::ReadsBackStamped(uint32_t lba, uint32_t blocks, uint8_t fill) {
  for (uint32_t at = 0; at < blocks; at += 256) {
    const uint32_t n = std::min(256u, blocks - at);
    Bytes data;
    Result r = Read(lba + at, n, data);
    if (!r.ok()) return ::testing::AssertionFailure() << "READ (10) at " << lba + at << ": " << r.Text();
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* block = &data[i * 2048];
      if (Get32(block) != lba + at + i || block[4] != fill || block[2047] != fill)
        return ::testing::AssertionFailure() << "block " << lba + at + i << " holds block " << Get32(block)
                                             << " with " << int{block[4]};
    }
  }
  return ::testing::AssertionSuccess();
}

Result Drive::StreamStamped(uint32_t lba, uint32_t blocks, uint8_t fill) {
  Result r;
  for (uint32_t sent = 0; sent < blocks; sent += 32) {
    r = WriteStamped(lba + sent, 32, fill);
    if (!r.ok()) return r;
  }
  return r;
}

Result Drive::Close(uint8_t function, uint32_t track, bool immediate) {
  return None(Cdb(0x5B, 10).Set(1, immediate ? 1 : 0).Set(2, function).Put16(4, track));
}

Result Drive::Blank(uint8_t type, bool immediate) {
  return None(Cdb(0xA1, 12).Set(1, static_cast<uint8_t>(type | (immediate ? 0x10 : 0))));
}

Result Drive::Format(uint8_t type, uint32_t blocks, uint32_t parameter, bool immediate) {
  Bytes list(12, 0);
  list[1] = immediate ? 0x82 : 0x80;
  list[3] = 8;
  PutBE(&list[4], 4, blocks);
  list[8] = static_cast<uint8_t>(type << 2);
  PutBE(&list[9], 3, parameter);
  return Out(Cdb(0x04, 6).Set(1, 0x11), list);
}

Result Drive::SetWriteParameters(uint8_t write_type_byte, uint8_t byte3, uint8_t block_type) {
  Bytes list(8 + 52, 0);
  const uint8_t page[] = {0x05, 0x32, write_type_byte, byte3, block_type};
  std::copy(page, page + 5, &list[8]);
  list[8 + 15] = 150;
  return Out(Cdb(0x55, 10).Set(1, 0x10).Put16(7, static_cast<uint32_t>(list.size())), list);
}

Result Drive::ModeSense(uint8_t page, Bytes& out, uint8_t page_control) {
  return In(Cdb(0x5A, 10).Set(2, static_cast<uint8_t>((page_control << 6) | page)).Put16(7, 255), out, 255);
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
  if (spec.find("op-ms=") == std::string::npos) spec += ",op-ms=0";
  ASSERT_EQ(Configure(spec), 0) << spec << ": " << lib_.last_error();
}

}  // namespace orlix::vrec_test
