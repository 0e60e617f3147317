// The one program the kernel-drive tests run inside the guest, where the
// kernel's own CD driver holds the emulated drive as /dev/sr0. Each argument
// is one step, run in a child process of its own so that no process-wide
// state of one step leaks into the next:
//   "info --json -d /dev/sr0"  the orlix sub-command with those words (the
//                              drive, disc and session commands are here);
//   "@read"                    READ CAPACITY and READ (10) of the volume
//                              descriptors through the pass-through layer;
//   "@sums DIR"                every file below DIR (what an extract step
//                              wrote): "PATH SIZE HASH", sorted by path,
//                              the hash FNV-1a 64 in hex.
// Before the steps it prints the kernel's own size of the medium. Every
// step's output is framed so that the host can take it apart:
//   >>> STEP / its stdout / --- stderr / its stderr / <<< exit N
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "device/scsi_device.h"

// cli/main.cpp, compiled under this name for this program.
int orlix_cli_main(int argc, char** argv);

namespace {

constexpr char kDrive[] = "/dev/sr0";
constexpr char kSizeFile[] = "/sys/block/sr0/size";
constexpr char kStderrFile[] = "/tmp/step.err";
constexpr uint32_t kBlock = 2048;
// Volume descriptors start at sector 16; a sane set ends well before 48.
constexpr uint32_t kFirstDescriptor = 16, kLastDescriptor = 47;

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The kernel counts 512-byte sectors.
void PrintKernelSize() {
  std::ifstream in(kSizeFile);
  unsigned long long sectors = 0;
  if (in >> sectors)
    std::printf("kernel-blocks: %llu\n", sectors * 512 / kBlock);
  else
    std::printf("kernel-blocks: unknown (%s unreadable)\n", kSizeFile);
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

std::string Text(const uint8_t* p, size_t n) {
  std::string s(reinterpret_cast<const char*>(p), n);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int ReadChecks() {
  orlix::TSCSIDevice device(nullptr);
  if (!device.InitializeASPI(true, "")) {
    std::printf("layer: none\n");
    return 1;
  }
  if (!device.SetDeviceByDriveLetter('C')) {
    std::printf("select: failed\n");
    return 1;
  }
  uint32_t last = 0, block_length = 0;
  if (device.ReadCapacity(last, block_length))
    std::printf("read-capacity: last %u block %u\n", last, block_length);
  else
    std::printf("read-capacity: failed %s\n", device.LastError().c_str());

  std::vector<uint8_t> sector(kBlock);
  for (uint32_t lba = kFirstDescriptor; lba <= kLastDescriptor; ++lba) {
    if (!device.Read10(lba, 1, sector.data(), kBlock)) {
      std::printf("read %u: failed %s\n", lba, device.LastError().c_str());
      return 1;
    }
    const uint8_t type = sector[0];
    std::printf("descriptor %u: type %u id %s", lba, type, Text(&sector[1], 5).c_str());
    if (type == 1) std::printf(" space %u volume %s", Le32(&sector[80]), Text(&sector[40], 32).c_str());
    std::printf("\n");
    if (type == 255) break;
  }
  // The block after the last one the drive reported must be refused.
  if (!device.Read10(last, 1, sector.data(), kBlock))
    std::printf("read last: failed %s\n", device.LastError().c_str());
  else
    std::printf("read last: ok\n");
  if (device.Read10(last + 1, 1, sector.data(), kBlock))
    std::printf("read past end: ok\n");
  else
    std::printf("read past end: failed %s\n", device.LastError().c_str());
  return 0;
}

// The host tells files apart by these; the guest has no checksum tool.
int Sums(const std::string& dir) {
  namespace fs = std::filesystem;
  std::map<std::string, std::pair<uint64_t, uint64_t>> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    std::ifstream in(it->path(), std::ios::binary);
    uint64_t hash = 0xcbf29ce484222325ull, size = 0;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
      for (std::streamsize i = 0; i < in.gcount(); ++i)
        hash = (hash ^ static_cast<uint8_t>(buf[i])) * 0x100000001b3ull;
      size += static_cast<uint64_t>(in.gcount());
    }
    files[it->path().string().substr(dir.size())] = {size, hash};
  }
  if (ec) {
    std::printf("sums: %s\n", ec.message().c_str());
    return 1;
  }
  for (const auto& [path, facts] : files)
    std::printf("%s %llu %016llx\n", path.c_str(), static_cast<unsigned long long>(facts.first),
                static_cast<unsigned long long>(facts.second));
  return 0;
}

// Runs one step in a child; its stderr is held back and shown after its stdout.
int RunStep(const std::string& step) {
  std::printf(">>> %s\n", step.c_str());
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) {
    std::printf("--- stderr\nfork failed: %s\n<<< exit 125\n", std::strerror(errno));
    return 125;
  }
  if (child == 0) {
    if (!std::freopen(kStderrFile, "w", stderr)) _exit(125);
    int rc;
    if (step == "@read") {
      rc = ReadChecks();
    } else if (step.rfind("@sums ", 0) == 0) {
      rc = Sums(step.substr(6));
    } else {
      std::vector<std::string> words = Words(step);
      words.insert(words.begin(), "orlix");
      std::vector<char*> argv;
      for (std::string& w : words) argv.push_back(w.data());
      argv.push_back(nullptr);
      rc = orlix_cli_main(static_cast<int>(words.size()), argv.data());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(rc);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("--- stderr\n");
  std::ifstream err(kStderrFile);
  std::printf("%s", std::string(std::istreambuf_iterator<char>(err), {}).c_str());
  std::printf("<<< exit %d\n", rc);
  std::fflush(stdout);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  PrintKernelSize();
  std::printf("drive: %s\n", access(kDrive, F_OK) == 0 ? kDrive : "missing");
  for (int i = 1; i < argc; ++i) RunStep(argv[i]);
  return 0;
}
