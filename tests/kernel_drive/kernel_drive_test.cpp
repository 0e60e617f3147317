// orlix against the Linux kernel's own CD driver: QEMU's emulated drive
// holding an image, in a throw-away guest, reached through SG_IO on
// /dev/sr0, on virtio-scsi and on IDE. One guest run per test and bus (about
// ten seconds each); the facts are checked against what the image really is.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

const std::string kProbe = ORLIX_KERNEL_PROBE;
const std::string kHarness = std::string(ORLIX_QEMU_MMC) + "/run-guest.sh";
const std::string kOrlix = std::string(ORLIX_BIN_DIR) + "/orlix";
constexpr uint64_t kBlock = 2048;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs a shell command line; stdout and stderr together.
Outcome Shell(const std::string& command) {
  Outcome o;
  FILE* p = popen((command + " 2>&1 </dev/null").c_str(), "r");
  if (!p) return o;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) o.out.append(buf, n);
  const int raw = pclose(p);
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return o;
}

bool OnPath(const std::string& program) { return Shell("command -v " + Quote(program)).status == 0; }

// Why this machine cannot boot the guest at all; empty when it can. Anything
// else that goes wrong is a failure.
std::string WhyNoGuest() {
  if (!fs::exists(kHarness)) return "the qemu-mmc harness is not at " + kHarness;
  if (!OnPath("qemu-system-x86_64")) return "qemu-system-x86_64 is not installed (qemu-system-x86)";
  for (const char* tool : {"cpio", "modinfo"})
    if (!OnPath(tool)) return std::string(tool) + " is not installed";
  if (!fs::exists("/bin/busybox")) return "no /bin/busybox (busybox-static)";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/boot", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("vmlinuz-", 0) == 0 && fs::is_directory("/lib/modules/" + name.substr(8))) return "";
  }
  return "no /boot/vmlinuz-VERSION with /lib/modules/VERSION (linux-image-amd64)";
}

// One step of the guest program: what it printed, and how it ended.
struct Step {
  std::string out, err;
  int exit = -1;
};

struct Guest {
  int status = -1;
  std::string raw;
  uint64_t kernel_blocks = 0;
  std::map<std::string, Step> steps;
};

Guest Parse(const Outcome& o) {
  Guest g;
  g.status = o.status;
  g.raw = o.out;
  std::smatch m;
  if (std::regex_search(o.out, m, std::regex("kernel-blocks: (\\d+)"))) g.kernel_blocks = std::stoull(m[1]);
  Step* step = nullptr;
  std::string* into = nullptr;
  std::istringstream in(o.out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(">>> ", 0) == 0) {
      step = &g.steps[line.substr(4)];
      into = &step->out;
    } else if (step && line == "--- stderr") {
      into = &step->err;
    } else if (step && line.rfind("<<< exit ", 0) == 0) {
      step->exit = std::stoi(line.substr(9));
      step = nullptr;
      into = nullptr;
    } else if (into) {
      *into += line + "\n";
    }
  }
  return g;
}

// Boots the guest with `image` ("none": an empty drive) and runs the steps.
Guest Boot(bool ide, const std::string& image, const std::vector<std::string>& steps) {
  std::string command =
      Quote(kHarness) + (ide ? " --ide" : "") + " --timeout 120 " + Quote(image) + " " + Quote(kProbe);
  for (const std::string& s : steps) command += " " + Quote(s);
  return Parse(Shell(command));
}

// A number or string field of the JSON `info` prints ("used" gives blocks).
std::string Field(const std::string& json, const std::string& key) {
  std::smatch m;
  if (std::regex_search(json, m, std::regex("\"" + key + "\": (\\{\"blocks\": )?(\"[^\"]*\"|[^,}\n]+)")))
    return m[2].str();
  return "<no " + key + ">";
}
uint64_t Blocks(const std::string& json, const std::string& key) {
  const std::string v = Field(json, key);
  return v.empty() || !std::isdigit(static_cast<unsigned char>(v[0])) ? UINT64_MAX : std::stoull(v);
}

const std::vector<std::string> kSteps = {"devices", "drive -d /dev/sr0", "info --json -d /dev/sr0",
                                         "erase -q -d /dev/sr0", "@read"};
// The session read back: neither emulated drive knows READ TRACK
// INFORMATION, so the table of contents places it.
const char kExtract[] = "extract -q -r -d /dev/sr0 / /tmp/out";
const char kSums[] = "@sums /tmp/out";
const std::vector<std::string> kReadBack = {"sessions -d /dev/sr0", "ls -d /dev/sr0", kExtract, kSums};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class KernelDrive : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    why_not_ = WhyNoGuest();
    if (!why_not_.empty()) return;
    dir_ = fs::temp_directory_path() / ("orlix_kernel_drive_" + std::to_string(getpid()));
    for (const auto& [rel, data] : Files()) {
      const fs::path path = dir_ / "tree" / fs::u8path(rel);
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary) << data;
    }
    const std::string tree = Quote((dir_ / "tree").string());
    cd_ = (dir_ / "cd.iso").string();
    made_ = Shell("genisoimage -quiet -J -V KDRIVE -o " + Quote(cd_) + " " + tree);
    if (made_.status != 0) return;
    made_ = Shell("xorriso -outdev " + Quote((dir_ / "xorriso.iso").string()) +
                  " -volid KDRIVE -joliet on -map " + tree + " /");
    if (made_.status != 0) return;
    made_ = Shell(Quote(kOrlix) + " mkiso -V KDRIVE -o " + Quote((dir_ / "orlix.iso").string()) + " " + tree);
  }
  // What every image holds: names only Joliet keeps, and bytes that differ
  // from sector to sector.
  static const std::map<std::string, std::string>& Files() {
    static const std::map<std::string, std::string> files = [] {
      std::string data(600000, '\0');
      for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + i / 7);
      return std::map<std::string, std::string>{
          {"hello.txt", "hello\n"},
          {"sub/data.bin", data},
          {"Mixed Case Name With Spaces.Text", data.substr(1000, 5000)},
          {"\u00dcn\u00efc\u00f8d\u00e9 folder/inner file.bin", data.substr(7, 70001)},
          {"deep/er/est/leaf.txt", "leaf"},
          {"empty.dat", ""}};
    }();
    return files;
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  void SetUp() override {
    if (!why_not_.empty()) GTEST_SKIP() << why_not_;
    ASSERT_EQ(made_.status, 0) << made_.out;
    ASSERT_TRUE(fs::exists(kProbe)) << kProbe << " was not built";
  }

  static uint64_t CdBlocks() { return fs::file_size(cd_) / kBlock; }
  // A sparse 800 MiB image: too large for a CD, so the drive shows a DVD-ROM.
  static std::string DvdImage() {
    const fs::path dvd = dir_ / "dvd.iso";
    if (!fs::exists(dvd)) {
      fs::copy_file(dir_ / "xorriso.iso", dvd);
      fs::resize_file(dvd, 800ull << 20);
    }
    return dvd.string();
  }

  // The image's one session, read by the multisession reader: listed,
  // every file found under its Joliet name and extracted byte for byte.
  static void CheckReadBack(const Guest& g, const std::string& image) {
    const Step& sessions = g.steps.at("sessions -d /dev/sr0");
    EXPECT_EQ(sessions.exit, 0) << sessions.err;
    EXPECT_TRUE(std::regex_search(
        sessions.out, std::regex("\n1 +0 +" + std::to_string(VolumeBlocks(image)) + " +KDRIVE\n")))
        << sessions.out;
    const Step& ls = g.steps.at("ls -d /dev/sr0");
    EXPECT_EQ(ls.exit, 0) << ls.err;
    for (const auto& [rel, data] : Files())
      EXPECT_NE(ls.out.find("/" + rel + "\n"), std::string::npos) << rel << " not listed";
    const Step& extract = g.steps.at(kExtract);
    EXPECT_EQ(extract.exit, 0);
    EXPECT_EQ(extract.err, "");
    const Step& sums = g.steps.at(kSums);
    EXPECT_EQ(sums.exit, 0);
    std::map<std::string, std::string> got;  // path -> "SIZE HASH"
    std::istringstream in(sums.out);
    for (std::string line; std::getline(in, line);) {
      const size_t hash = line.rfind(' '),
                   size = hash == std::string::npos ? hash : line.rfind(' ', hash - 1);
      if (size != std::string::npos && line[0] == '/') got[line.substr(1, size - 1)] = line.substr(size + 1);
    }
    for (const auto& [rel, data] : Files()) {
      const auto it = got.find(rel);
      if (it == got.end())
        ADD_FAILURE() << rel << " was not extracted";
      else
        EXPECT_EQ(it->second, std::to_string(data.size()) + " " + Fnv(data)) << rel << " differs";
    }
    EXPECT_EQ(got.size(), Files().size()) << sums.out;
  }
  // The hash the guest's @sums step prints.
  static std::string Fnv(const std::string& data) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : data) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
  }
  // The volume space size of an image's primary descriptor.
  static uint64_t VolumeBlocks(const std::string& image) {
    std::ifstream in(image, std::ios::binary);
    uint8_t d[2048] = {};
    in.seekg(16 * kBlock);
    in.read(reinterpret_cast<char*>(d), sizeof d);
    return d[80] | d[81] << 8 | d[82] << 16 | uint64_t{d[83]} << 24;
  }
  static std::string Image(const char* name) { return (dir_ / name).string(); }

  // The checks that hold for a pressed disc on either bus.
  static void CheckPressedDisc(const Guest& g, uint64_t blocks, const std::string& medium, int profile) {
    SCOPED_TRACE(g.raw);
    EXPECT_EQ(g.status, 0);
    EXPECT_EQ(g.kernel_blocks, blocks);
    const Step& info = g.steps.at("info --json -d /dev/sr0");
    EXPECT_EQ(info.exit, 0);
    EXPECT_EQ(Field(info.out, "ready"), "true");
    EXPECT_EQ(Field(info.out, "medium"), "\"" + medium + "\"");
    char profile_text[16];
    std::snprintf(profile_text, sizeof profile_text, "\"0x%04X\"", profile);
    EXPECT_EQ(Field(info.out, "profile"), profile_text);
    EXPECT_EQ(Field(info.out, "status"), "\"complete\"");
    EXPECT_EQ(Field(info.out, "sessions"), "1");
    EXPECT_EQ(Blocks(info.out, "used"), blocks);
    EXPECT_EQ(Blocks(info.out, "free"), 0u);
    EXPECT_EQ(Blocks(info.out, "total"), blocks);
    EXPECT_EQ(Field(info.out, "erasable"), "false");
    // Both drives read the same media; one of them keeps no default values
    // of its capabilities page.
    EXPECT_NE(
        info.out.find("\"reads\": [\"CD-R\", \"CD-RW\", \"DVD-ROM\", \"DVD-R\", \"DVD-RW\", \"DVD-RAM\"],"),
        std::string::npos);
    EXPECT_NE(info.out.find("\"writes\": [],"), std::string::npos);
  }

  static inline std::string why_not_;
  static inline fs::path dir_;
  static inline std::string cd_;
  static inline Outcome made_;
};

TEST_F(KernelDrive, CdOnVirtioScsi) {
  const Guest g = Boot(false, cd_, kSteps + kReadBack);
  CheckPressedDisc(g, CdBlocks(), "CD-ROM", 8);
  SCOPED_TRACE(g.raw);
  CheckReadBack(g, cd_);

  const Step& devices = g.steps.at("devices");
  EXPECT_EQ(devices.exit, 0);
  EXPECT_EQ(devices.out, "layer: OXASPI32\n0:0:0,C: QEMU QEMU CD-ROM 2.5+\n");
  const Step& drive = g.steps.at("drive -d /dev/sr0");
  EXPECT_EQ(drive.exit, 0);
  EXPECT_NE(drive.out.find("address: 0:0:0\nletter: C:\nlayer: OXASPI32\n"), std::string::npos);
  EXPECT_NE(drive.out.find("type: 5 (CD/DVD)\n"), std::string::npos);

  const Step& erase = g.steps.at("erase -q -d /dev/sr0");
  EXPECT_EQ(erase.exit, 1);
  EXPECT_EQ(erase.err, "orlix: the CD-ROM disc in the drive cannot be erased\n");

  // The descriptors read through the pass-through layer are the image's.
  const Step& read = g.steps.at("@read");
  EXPECT_EQ(read.exit, 0);
  const uint64_t blocks = CdBlocks();
  EXPECT_NE(read.out.find("read-capacity: last " + std::to_string(blocks - 1) + " block 2048\n"),
            std::string::npos);
  EXPECT_NE(
      read.out.find("descriptor 16: type 1 id CD001 space " + std::to_string(blocks) + " volume KDRIVE\n"),
      std::string::npos);
  EXPECT_NE(read.out.find("descriptor 17: type 2 id CD001\ndescriptor 18: type 255 id CD001\n"),
            std::string::npos);
  EXPECT_NE(read.out.find("read last: ok\n"), std::string::npos);
  EXPECT_NE(read.out.find("read past end: failed ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)\n"),
            std::string::npos);

  // The virtual recorder holding the same image counts the same blocks.
  const std::string disc = (dir_ / "vdisc.img").string();
  const Outcome created =
      Shell(Quote(kOrlix) + " vdisc create " + Quote(disc) + " --profile cd-rom --image " + Quote(cd_));
  ASSERT_EQ(created.status, 0) << created.out;
  const Outcome shown = Shell(Quote(kOrlix) + " vdisc show " + Quote(disc));
  EXPECT_NE(shown.out.find("capacity: " + std::to_string(blocks) + " blocks\n"), std::string::npos)
      << shown.out;
  const Outcome info = Shell(Quote(kOrlix) + " info --json -q -d " + Quote("virtual:" + disc));
  EXPECT_EQ(Blocks(info.out, "used"), blocks) << info.out;
  EXPECT_EQ(Blocks(info.out, "total"), blocks) << info.out;
}

TEST_F(KernelDrive, CdOnIde) {
  // This drive answers a request for the ATIP with a table of contents.
  const Guest g = Boot(true, cd_, kSteps + kReadBack);
  CheckPressedDisc(g, CdBlocks(), "CD-ROM", 8);
  SCOPED_TRACE(g.raw);
  CheckReadBack(g, cd_);
  const Step& devices = g.steps.at("devices");
  EXPECT_EQ(devices.exit, 0);
  EXPECT_EQ(devices.out, "layer: OXASPI32\n1:0:0,C: QEMU QEMU DVD-ROM 2.5+\n");
  EXPECT_EQ(g.steps.at("erase -q -d /dev/sr0").exit, 1);
  const Step& read = g.steps.at("@read");
  EXPECT_NE(read.out.find("descriptor 16: type 1 id CD001 space " + std::to_string(CdBlocks())),
            std::string::npos);
}

// An image of our own, on both buses.
TEST_F(KernelDrive, OwnImageReadBackOnBothBuses) {
  const std::string image = Image("orlix.iso");
  for (bool ide : {false, true}) {
    SCOPED_TRACE(ide ? "IDE" : "virtio-scsi");
    const Guest g = Boot(ide, image, kReadBack);
    SCOPED_TRACE(g.raw);
    EXPECT_EQ(g.status, 0);
    CheckReadBack(g, image);
  }
}

// On the bus whose drive answers the ATIP request with a table of contents.
TEST_F(KernelDrive, DvdSizedImageOnIde) {
  // The image is xorriso's, read back as the DVD it now is.
  const std::string dvd = DvdImage();
  const Guest g = Boot(true, dvd, std::vector<std::string>{"info --json -d /dev/sr0"} + kReadBack);
  CheckPressedDisc(g, fs::file_size(dvd) / kBlock, "DVD-ROM", 16);
  SCOPED_TRACE(g.raw);
  CheckReadBack(g, Image("xorriso.iso"));
}

TEST_F(KernelDrive, EmptyDriveOnBothBuses) {
  for (bool ide : {false, true}) {
    SCOPED_TRACE(ide ? "IDE" : "virtio-scsi");
    // Each step that finds no disc waits for one first: the erase is tried
    // on one bus only.
    std::vector<std::string> steps = kSteps;
    if (ide) steps.erase(std::find(steps.begin(), steps.end(), "erase -q -d /dev/sr0"));
    const Guest g = Boot(ide, "none", steps);
    SCOPED_TRACE(g.raw);
    EXPECT_EQ(g.status, 0);
    EXPECT_EQ(g.steps.at("devices").exit, 0);
    EXPECT_NE(g.steps.at("devices").out.find(",C: QEMU"), std::string::npos);
    EXPECT_EQ(g.steps.at("drive -d /dev/sr0").exit, 0);
    const Step& info = g.steps.at("info --json -d /dev/sr0");
    EXPECT_EQ(info.exit, 0);
    EXPECT_NE(info.out.find("\"disc\": {\n    \"ready\": false\n  }"), std::string::npos);
    if (!ide) {
      const Step& erase = g.steps.at("erase -q -d /dev/sr0");
      EXPECT_EQ(erase.exit, 1);
      EXPECT_EQ(erase.err, "orlix: no disc in the drive, or the drive is not ready\n");
    }
    const Step& read = g.steps.at("@read");
    EXPECT_NE(read.out.find("read-capacity: failed NOT READY (MEDIUM NOT PRESENT)\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace orlix::test
