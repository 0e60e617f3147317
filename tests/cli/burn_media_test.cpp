// Recordings on every medium of the virtual recorder, judged by outside
// readers (xorriso, 7-Zip, pycdlib, isoinfo) on the disc file, which holds
// block N at byte N x 2048: a session that starts at sector 0 is an ISO image
// for them. Also what a refused, stopped or failing recording leaves there.
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

const char* const kMedia[] = {"cd-r", "cd-rw", "dvd-r", "dvd-rw", "dvd-rw-ro", "dvd+r", "dvd+rw", "dvd-ram"};

// Extracts the Joliet tree of an image, as recorded, into a folder.
const char kPycdlibExtract[] = R"(import os, sys, pycdlib
iso = pycdlib.PyCdlib()
iso.open(sys.argv[1])
for root, dirs, files in iso.walk(joliet_path='/'):
    here = os.path.join(sys.argv[2], root.lstrip('/'))
    os.makedirs(here, exist_ok=True)
    for name in files:
        # Identifiers come raw: "NAME;1", and "NAME.;1" for a name without extension.
        host = name.rsplit(';', 1)[0]
        host = host[:-1] if host.endswith('.') else host
        iso.get_file_from_iso(os.path.join(here, host), joliet_path=root.rstrip('/') + '/' + name)
iso.close()
)";

// The host tree every medium records: a few thousand small files in nested
// folders, awkward names, the sizes around a sector, a few large files.
struct SourceTree {
  fs::path root;
  std::map<std::string, std::string> files;  // path below root -> content
  std::vector<std::string> empty_folders;     // below root
};

void AddFile(SourceTree& tree, const std::string& rel, std::string data) {
  const fs::path p = tree.root / rel;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << data;
  tree.files[rel] = std::move(data);
}

void Generate(SourceTree& tree) {
  std::mt19937 random(20240611);
  unsigned seed = 1;
  for (size_t size : {0, 1, 2047, 2048, 2049})
    AddFile(tree, "sizes/s" + std::to_string(size), Pattern(size, seed++));
  int part = 0;
  for (size_t size : {3u << 20, (2u << 20) + 2049, 4000000u, 1500001u})
    AddFile(tree, "large/part " + std::to_string(++part) + ".bin", Pattern(size, seed++));
  // Awkward names, each in the file's own form on the host. Names that
  // differ only in case share no folder: the image's folders, like the
  // host systems it serves, do not tell them apart. None ends in a dot (a
  // name without extension is recorded with one, so readers drop it) or
  // holds characters beyond UCS-2, which Joliet names cannot carry.
  const std::string names[] = {"names/with  two spaces.txt",
                               "names/ leading space.txt",
                               "names/" + std::string(100, 'n') + ".text",
                               "names/Ünïcødé файл 日本語.txt",
                               "names/Dossier été/Ça va.doc",
                               "names/.hidden",
                               "names/..two dots",
                               "names/a.b.c.d.e",
                               "names/many...dots.txt",
                               "names/no_extension",
                               "names/MiXeD CaSe.TxT",
                               "case/one/Readme.txt",
                               "case/two/README.TXT",
                               "case/three/readme.txt",
                               "case/Folder/x.txt",
                               "case/two/FOLDER/x.txt",
                               "deep/d2/d3/d4/d5/d6/d7/d8/leaf.txt"};
  for (const std::string& name : names) AddFile(tree, name, Pattern(1 + random() % 5000, seed++));
  // The bulk: 2,400 files in 160 folders, of 0 to 6,000 bytes.
  for (int group = 0; group < 40; ++group)
    for (int sub = 0; sub < 3; ++sub)
      for (int n = 0; n < 20; ++n)
        AddFile(tree,
                "bulk/group " + std::to_string(group) + "/sub." + std::to_string(sub) + "/file " +
                    std::to_string(n) + ".dat",
                Pattern(random() % 6001, seed++));
  for (const char* empty : {"empty", "nested/e1/e2/e3", "bulk/group 7/nothing here"}) {
    fs::create_directories(tree.root / empty);
    tree.empty_folders.push_back(empty);
  }
}

// A whole file in one read: the comparisons read hundreds of megabytes.
std::string Contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string data(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0).read(data.data(), static_cast<std::streamsize>(data.size()));
  return data;
}

// "" when equal; otherwise where `got` first differs from `want`.
std::string Difference(const std::string& got, const std::string& want) {
  if (got == want) return "";
  const size_t common = std::min(got.size(), want.size());
  const size_t at = std::mismatch(got.begin(), got.begin() + common, want.begin()).first - got.begin();
  if (at < common) return "differs at byte " + std::to_string(at);
  return "has " + std::to_string(got.size()) + " bytes, not " + std::to_string(want.size());
}

// A file's place in an image, from isoinfo's Joliet listing.
struct Extent {
  int64_t sector, bytes;
};

std::map<std::string, Extent> Extents(const std::string& listing) {
  std::map<std::string, Extent> extents;
  static const std::regex folder("^Directory listing of /(.*)$");
  static const std::regex entry(
      R"(^-\S{9}\s+\d+\s+\d+\s+\d+\s+(\d+)\s+\S+\s+\d+\s+\d+\s+\[\s*(\d+)\s+\d+\]  (.*?);1 ?$)");
  std::string current;
  std::istringstream in(listing);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_match(line, m, folder))
      current = m[1].str();
    else if (std::regex_match(line, m, entry))
      extents[current + m[3].str()] = {std::stoll(m[2].str()), std::stoll(m[1].str())};
  }
  return extents;
}

class BurnMedia : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Test programs may run side by side: each has a folder of its own.
    suite = fs::temp_directory_path() / ("orlix_burn_media_" + std::to_string(std::random_device{}()));
    fs::remove_all(suite);
    fs::create_directories(suite);
    std::ofstream(suite / "extract.py") << kPycdlibExtract;
    pycdlib = test::Shell("/usr/bin/python3 -c 'import pycdlib'", suite).status == 0;
  }
  static void TearDownTestSuite() { RemoveAll(suite); }
  void SetUp() override {
    dir = suite / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir);
  }
  // Each test's discs and extractions go with it: together they take
  // hundreds of megabytes.
  void TearDown() override { RemoveAll(dir); }

  // Readers make what they extract read-only; a test may lock files too.
  static void RemoveAll(const fs::path& p) {
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(p, fs::directory_options::skip_permission_denied, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(p, ec);
  }
  // The generated tree, made once per test program.
  static const SourceTree& Tree() {
    if (tree.root.empty()) {
      tree.root = suite / "src";
      Generate(tree);
    }
    return tree;
  }

  Outcome Shell(const std::string& command) { return test::Shell(command, dir); }
  Outcome Orlix(const std::string& args) { return Shell(Quote(ORLIX_BIN_DIR "/orlix") + " " + args); }
  static std::string OrlixCommand(const std::string& args) {
    return Quote(ORLIX_BIN_DIR "/orlix") + " " + args;
  }
  std::string Disc(const std::string& name) const { return (dir / name).string(); }
  // The virtual recorder with that disc; closing and formatting take no time.
  std::string Drive(const std::string& name, const std::string& profile,
                    const std::string& extra = "") const {
    return VirtualDrive(Disc(name), profile, extra);
  }
  std::string Show(const std::string& name) { return Orlix("vdisc show " + Quote(Disc(name))).out; }
  // A disc file holds data only where something was recorded.
  bool Untouched(const std::string& name) {
    return Contents(Disc(name)).find_first_not_of('\0') == std::string::npos;
  }
  // The state of the disc's last session: empty, incomplete or complete.
  std::string LastSession(const std::string& name) {
    std::smatch m;
    const std::string shown = Show(name);
    return std::regex_search(shown, m, std::regex("last session: (\\w+)")) ? m[1].str() : shown;
  }
  // Where the drive's table of contents puts a track.
  int64_t TrackStart(const std::string& name, int track) {
    std::smatch m;
    const std::string shown = Show(name);
    if (!std::regex_search(shown, m,
                           std::regex("track " + std::to_string(track) + ": session \\d+, start (\\d+)")))
      return -1;
    return std::stoll(m[1].str());
  }

  // Runs command lines side by side (a recording mostly waits on the drive)
  // and gives each one's outcome.
  std::vector<Outcome> RunTogether(const std::vector<std::string>& commands) {
    std::string script;
    for (size_t i = 0; i < commands.size(); ++i) {
      const std::string job = (dir / ("job" + std::to_string(i))).string();
      script += "{ " + commands[i] + " >" + Quote(job + ".out") + " 2>" + Quote(job + ".err") +
                " </dev/null; echo $? >" + Quote(job + ".rc") + "; } & ";
    }
    Shell(script + "wait");
    std::vector<Outcome> outcomes;
    for (size_t i = 0; i < commands.size(); ++i) {
      const fs::path job = dir / ("job" + std::to_string(i));
      const std::string rc = Contents(job.string() + ".rc");
      outcomes.push_back({rc.empty() ? -1 : std::stoi(rc), Contents(job.string() + ".out"),
                          Contents(job.string() + ".err")});
    }
    return outcomes;
  }

  // Every reader extracts the session at `sector` of the disc file; what it
  // gives must be the files of the source tree below `prefix`, byte for
  // byte, and their folders, nothing more.
  void ExpectReadersGetBack(const std::string& disc, const std::string& prefix = "", int64_t sector = 0) {
    const std::string image = Quote(Disc(disc)), load = " -load sbsector " + std::to_string(sector);
    std::vector<std::pair<std::string, std::string>> readers = {
        {"xorriso", "osirrox" + (sector ? load : "") + " -indev " + image + " -extract / "}};
    // 7-Zip and pycdlib read an image from its first byte only.
    if (sector == 0) {
      readers.push_back({"7zz", "7zz x -y " + image + " -o"});
      if (pycdlib)
        readers.push_back(
            {"pycdlib", "/usr/bin/python3 " + Quote((suite / "extract.py").string()) + " " + image + " "});
    }
    std::vector<std::string> commands;
    for (const auto& [reader, command] : readers)
      commands.push_back(command + Quote((dir / (disc + "." + reader)).string()));
    const std::vector<Outcome> done = RunTogether(commands);
    for (size_t i = 0; i < readers.size(); ++i) {
      const std::string& reader = readers[i].first;
      EXPECT_EQ(done[i].status, 0) << reader << " on " << disc << ": " << done[i].err;
      ExpectSameTree(dir / (disc + "." + reader), prefix, reader + " on " + disc);
      RemoveAll(dir / (disc + "." + reader));
    }
  }

  void ExpectSameTree(const fs::path& out, const std::string& prefix, const std::string& who) {
    std::map<std::string, const std::string*> want;
    std::set<std::string> want_folders;
    // The folders are those above some file, and the empty host folders
    // with the folders above them.
    const auto folders_of = [&](const std::string& rel, bool itself) {
      fs::path p = fs::path(rel.substr(prefix.size()));
      for (p = itself ? p : p.parent_path(); !p.empty(); p = p.parent_path()) want_folders.insert(p.string());
    };
    for (const auto& [rel, data] : Tree().files) {
      if (rel.compare(0, prefix.size(), prefix) != 0) continue;
      want[rel.substr(prefix.size())] = &data;
      folders_of(rel, false);
    }
    for (const std::string& rel : Tree().empty_folders)
      if (rel.compare(0, prefix.size(), prefix) == 0) folders_of(rel, true);
    std::set<std::string> got_folders, got_files;
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(out, ec)) {
      const std::string rel = e.path().string().substr(out.string().size() + 1);
      (e.is_directory() ? got_folders : got_files).insert(rel);
    }
    int faults = 0;
    const auto fault = [&](const std::string& what) {
      if (++faults <= 20) ADD_FAILURE() << who << ": " << what;
    };
    for (const auto& [rel, data] : want) {
      if (!got_files.count(rel)) {
        fault(rel + " is missing");
        continue;
      }
      const std::string diff = Difference(Contents(out / rel), *data);
      if (!diff.empty()) fault(rel + " " + diff);
    }
    for (const std::string& rel : got_files)
      if (!want.count(rel)) fault("extra file " + rel);
    for (const std::string& folder : want_folders)
      if (!got_folders.count(folder)) fault("folder " + folder + " is missing");
    for (const std::string& folder : got_folders)
      if (!want_folders.count(folder)) fault("extra folder " + folder);
    if (faults > 20) ADD_FAILURE() << who << ": " << faults - 20 << " more differences";
  }

  static inline fs::path suite;
  static inline SourceTree tree;
  static inline bool pycdlib = false;
  fs::path dir;
};

TEST_F(BurnMedia, EveryMediumRecordsTheTreeThatOutsideReadersGetBack) {
  if (!pycdlib) std::fprintf(stderr, "note: pycdlib is not installed; xorriso and 7zz read the discs\n");
  const std::string src = Quote(Tree().root.string());
  std::vector<std::string> burns;
  for (const char* medium : kMedia)
    burns.push_back(OrlixCommand("burn -q --verify -d " + Drive(medium, medium) + " " + src));
  const std::vector<Outcome> done = RunTogether(burns);
  for (size_t i = 0; i < std::size(kMedia); ++i) {
    SCOPED_TRACE(kMedia[i]);
    EXPECT_EQ(done[i].status, 0) << done[i].err;
    if (done[i].status == 0) ExpectReadersGetBack(kMedia[i]);
  }
}

TEST_F(BurnMedia, BurnImageRecordsTheImageFromSectorZero) {
  ASSERT_EQ(Orlix("mkiso -q -o " + Quote(Disc("tree.iso")) + " " + Quote(Tree().root.string())).status, 0);
  const std::string image = Contents(Disc("tree.iso"));
  std::vector<std::string> burns;
  for (const char* medium : kMedia)
    burns.push_back(
        OrlixCommand("burn-image -q --verify -d " + Drive(medium, medium) + " " + Quote(Disc("tree.iso"))));
  const std::vector<Outcome> done = RunTogether(burns);
  for (size_t i = 0; i < std::size(kMedia); ++i) {
    SCOPED_TRACE(kMedia[i]);
    EXPECT_EQ(done[i].status, 0) << done[i].err;
    const std::string diff = Difference(Contents(Disc(kMedia[i])).substr(0, image.size()), image);
    EXPECT_EQ(diff, "") << "the disc's first " << image.size() << " bytes";
  }
  // A write-once disc with a session cannot take an image at sector 0; what
  // it holds stays as it was.
  for (const char* medium : {"cd-r", "dvd-r", "dvd+r"}) {
    SCOPED_TRACE(medium);
    const std::string before = Contents(Disc(medium)), shown = Show(medium);
    const Outcome o = Orlix("burn-image -q -d " + Drive(medium, medium) + " " + Quote(Disc("tree.iso")));
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Has(o.err, "needs a blank disc"));
    EXPECT_EQ(Difference(Contents(Disc(medium)), before), "");
    EXPECT_EQ(Show(medium), shown);
  }
}

TEST_F(BurnMedia, TestWritesLeaveTheDiscBlank) {
  const std::string src = Quote(Tree().root.string() + "/large");
  for (const char* medium : {"cd-r", "dvd-r"}) {
    SCOPED_TRACE(medium);
    const Outcome o = Orlix("burn -q --test -d " + Drive(medium, medium) + " " + src);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Has(Show(medium), "\nstatus: blank"));
    EXPECT_TRUE(Untouched(medium));
  }
  // A DVD+R cannot be written without the laser: refused before anything is sent.
  const Outcome o = Orlix("burn -q --test -d " + Drive("dvd+r", "dvd+r") + " " + src);
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "TEST WRITE NOT SUPPORTED ON DVD+R"));
  EXPECT_TRUE(Has(Show("dvd+r"), "\nstatus: blank"));
  EXPECT_TRUE(Untouched("dvd+r"));
}

TEST_F(BurnMedia, CtrlCStopsARecordingUnderWayAndLeavesTheSessionOpen) {
  // A shell started with SIGINT ignored hands that on, and the tool keeps it.
  const std::string ignored = Shell("sed -n 's/^SigIgn:\\s*//p' /proc/$$/status").out;
  if (ignored.empty() || (std::stoull(ignored, nullptr, 16) & 2) != 0)
    GTEST_SKIP() << "SIGINT is ignored here";
  std::ofstream(dir / "slow.bin", std::ios::binary) << Pattern(4 << 20, 5);
  // 4 MiB at 400 kB/s take about ten seconds; Ctrl-C comes half a second
  // after the first data reached the disc.
  for (const char* medium : {"cd-r", "dvd-r", "dvd+r"}) {
    SCOPED_TRACE(medium);
    const std::string disc = Quote(Disc(medium));
    const Outcome o = Shell("(i=0; while [ ! -s " + disc +
                            " ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done; "
                            "sleep 0.5; kill -INT $$) & exec " +
                            OrlixCommand("burn -d " + Drive(medium, medium, ",speed=400") + " " +
                                         Quote((dir / "slow.bin").string())));
    EXPECT_EQ(o.status, 130) << o.err;
    EXPECT_TRUE(Has(o.err, "OPERATION ABORTED BY USER"));
    EXPECT_EQ(o.out.find("recorded"), std::string::npos) << o.out;
    EXPECT_FALSE(Untouched(medium)) << "the interrupt came before any data was written";
    EXPECT_EQ(LastSession(medium), "incomplete");
  }
}

// The owner of a sector in the middle of the largest file, from an image of
// the tree read by isoinfo: {sector, path below the tree's root}.
std::pair<int64_t, std::string> SectorInsideData(const std::string& listing) {
  std::pair<int64_t, std::string> inside{-1, ""};
  int64_t largest = 0;
  for (const auto& [path, extent] : Extents(listing))
    if (extent.bytes > largest)
      largest = extent.bytes, inside = {extent.sector + extent.bytes / 2048 / 2, path};
  return inside;
}

TEST_F(BurnMedia, AMediumErrorEndsTheRecordingWithTheWritersError) {
  const std::string src = Quote(Tree().root.string());
  ASSERT_EQ(Orlix("mkiso -q -o " + Quote(Disc("tree.iso")) + " " + src).status, 0);
  const auto [sector, path] = SectorInsideData(Shell("isoinfo -J -l -i " + Quote(Disc("tree.iso"))).out);
  ASSERT_GT(sector, 0) << "no file in the image";
  for (const char* medium : {"cd-r", "dvd+r"}) {
    SCOPED_TRACE(medium);
    const Outcome o =
        Orlix("burn -q -d " + Drive(medium, medium, ",fault=medium:" + std::to_string(sector)) + " " + src);
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Has(o.err, "WRITER ERROR ["));
    EXPECT_NE(LastSession(medium), "complete");
  }
}

TEST_F(BurnMedia, VerifyNamesACorruptSectorAndItsFileWhichOtherwiseGoesUnnoticed) {
  const std::string src = Quote(Tree().root.string());
  ASSERT_EQ(Orlix("mkiso -q -o " + Quote(Disc("tree.iso")) + " " + src).status, 0);
  const auto [sector, path] = SectorInsideData(Shell("isoinfo -J -l -i " + Quote(Disc("tree.iso"))).out);
  ASSERT_GT(sector, 0) << "no file in the image";
  const std::string fault = ",fault=corrupt:" + std::to_string(sector);
  const std::vector<Outcome> done =
      RunTogether({OrlixCommand("burn -q --verify -d " + Drive("verified", "dvd+r", fault) + " " + src),
                   OrlixCommand("burn -q -d " + Drive("unverified", "dvd+r", fault) + " " + src)});
  EXPECT_EQ(done[0].status, 1);
  // The disc's own directory tells which file the sector belongs to.
  const std::map<std::string, Extent> on_disc =
      Extents(Shell("isoinfo -J -l -i " + Quote(Disc("verified"))).out);
  std::string owner = "<no file>";
  for (const auto& [file, extent] : on_disc)
    if (sector >= extent.sector && sector < extent.sector + (extent.bytes + 2047) / 2048) owner = file;
  ASSERT_EQ(owner, path);
  EXPECT_TRUE(Has(done[0].err,
                  "first bad sector: " + std::to_string(sector) + ", in " + (Tree().root / owner).string()));
  // Without verify nothing tells: the fault is silent.
  EXPECT_EQ(done[1].status, 0) << done[1].err;
  const fs::path out = dir / "unverified.out";
  Shell("osirrox -indev " + Quote(Disc("unverified")) + " -extract / " + Quote(out.string()));
  const int64_t offset = (sector - on_disc.at(path).sector) * 2048;
  EXPECT_EQ(Difference(Contents(out / path), Tree().files.at(path)),
            "differs at byte " + std::to_string(offset));
}

TEST_F(BurnMedia, BusyAnswersAreWaitedFor) {
  const std::string src = Quote(Tree().root.string() + "/names");
  const Outcome o = Orlix("burn -q --verify -d " + Drive("dvd+r", "dvd+r", ",fault=busy:3") + " " + src);
  ASSERT_EQ(o.status, 0) << o.err;
  ExpectReadersGetBack("dvd+r", "names/");
}

TEST_F(BurnMedia, AnUnreadableSourceIsNamedAndNothingIsSent) {
  const fs::path src = dir / "src", locked = src / "sub" / "locked.bin";
  for (const char* name : {"a.txt", "sub/z.txt"}) {
    fs::create_directories((src / name).parent_path());
    std::ofstream(src / name) << name;
  }
  std::ofstream(locked) << "secret";
  fs::permissions(locked, fs::perms::none);
  // Root reads whatever the permissions say, unless it gives that up.
  std::string as;
  if (Shell("test \"$(id -u)\" = 0").status == 0)
    as = "setpriv --bounding-set -dac_override,-dac_read_search ";
  if (Shell(as + "cat " + Quote(locked.string())).status == 0)
    GTEST_SKIP() << "the locked file can still be read here";
  const Outcome o =
      Shell(as + OrlixCommand("burn -q -d " + Drive("cd-r", "cd-r") + " " + Quote(src.string())));
  EXPECT_NE(o.status, 0);
  EXPECT_TRUE(Has(o.err, locked.string()));
  EXPECT_TRUE(Has(Show("cd-r"), "\nstatus: blank"));
  EXPECT_TRUE(Untouched("cd-r"));
}

TEST_F(BurnMedia, ASourceThatVanishesWhileRecordingFailsTheRecording) {
  const fs::path first = dir / "src" / "a first.bin", victim = dir / "src" / "b victim.bin";
  fs::create_directories(first.parent_path());
  std::ofstream(first, std::ios::binary) << Pattern(8 << 20, 3);
  std::ofstream(victim, std::ios::binary) << Pattern(300000, 4);
  // At 1,000 kB/s the read-ahead (2 MB) and the drive's buffer (2 MiB) reach
  // the second file seconds after the first data is written; it is gone by then.
  const std::string disc = Quote(Disc("dvd+r"));
  const Outcome o =
      Shell("{ (i=0; while [ ! -s " + disc + " ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done; rm " +
            Quote(victim.string()) + ") & " +
            OrlixCommand("burn -q --cache 2 -d " + Drive("dvd+r", "dvd+r", ",speed=1000") + " " +
                         Quote((dir / "src").string())) +
            "; status=$?; wait; exit $status; }");
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, victim.string()));
  EXPECT_EQ(o.out.find("recorded"), std::string::npos) << o.out;
  EXPECT_NE(LastSession("dvd+r"), "complete");
}

TEST_F(BurnMedia, ASecondSessionFollowsTheFirstAndReadsBackOnItsOwn) {
  // The disc file carries no table of contents for the readers (xorriso -toc
  // sees one session in a plain file): the drive's own tells where the second
  // session starts, and the readers are pointed there.
  const std::string first = Quote(Tree().root.string() + "/large"),
                    second = Quote(Tree().root.string() + "/names");
  for (const char* medium : {"dvd+r", "cd-r"}) {
    SCOPED_TRACE(medium);
    Outcome o = Orlix("burn -q --verify -d " + Drive(medium, medium) + " " + first);
    ASSERT_EQ(o.status, 0) << o.err;
    o = Orlix("burn -q --verify -d " + Drive(medium, medium) + " " + second);
    ASSERT_EQ(o.status, 0) << o.err;
    const int64_t start = TrackStart(medium, 2);
    ASSERT_GT(start, 0) << Show(medium);
    std::smatch m;
    const std::string head = Shell("isoinfo -d -i " + Quote(Disc(medium))).out;
    ASSERT_TRUE(std::regex_search(head, m, std::regex("Volume size is: (\\d+)"))) << head;
    EXPECT_LE(std::stoll(m[1].str()), start) << "the second session overlaps the first";
    ExpectReadersGetBack(medium, "large/");
    ExpectReadersGetBack(medium, "names/", start);
  }
}

// Every directory's "." and ".." records carry the instant the image was
// made, whatever --date says: two runs may differ there by a second. Those
// seven-byte dates are blanked, found from the directories isoinfo lists.
std::string WithoutDirectoryInstants(std::string image, const std::string& listings) {
  static const std::regex dot(R"(^d.*\[\s*(\d+)\s+\d+\]  \. ?$)");
  std::istringstream in(listings);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_match(line, m, dot)) continue;
    const size_t at = std::stoull(m[1].str()) * 2048;
    if (at + 2048 > image.size()) continue;
    const size_t dotdot = at + static_cast<uint8_t>(image[at]);
    for (size_t record : {at, dotdot})
      if (record + 25 <= image.size()) image.replace(record + 18, 7, 7, '\0');
  }
  return image;
}

TEST_F(BurnMedia, ThreadedMkisoWritesTheSameBytes) {
  const std::string src = Quote(Tree().root.string());
  for (const char* how : {"", "--threaded "})
    ASSERT_EQ(Orlix("mkiso -q --date 2001-02-03 " + std::string(how) + "-o " +
                    Quote(Disc(std::string(how) + "tree.iso")) + " " + src)
                  .status,
              0);
  const std::string iso = Quote(Disc("tree.iso"));
  const std::string listings = Shell("isoinfo -l -i " + iso).out + Shell("isoinfo -J -l -i " + iso).out;
  const std::string direct = WithoutDirectoryInstants(Contents(Disc("tree.iso")), listings);
  ASSERT_GE(direct.size(), 300u * 2048) << "too small to compare unpadded";
  EXPECT_EQ(Difference(WithoutDirectoryInstants(Contents(Disc("--threaded tree.iso")), listings), direct),
            "");
}

}  // namespace
}  // namespace orlix::test
