// Sessions appended with burn --append on the virtual recorder, read back by
// orlix extract, xorriso and isoinfo; discs made by other tools imported and
// extracted; names on a disc that must not reach the host.
#include <map>
#include <regex>
#include <vector>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

using Tree = std::map<std::string, std::string>;  // path below a root -> content

class Multisession : public CliTest {
 protected:
  // Writes `files` below `root` in the test's folder.
  std::string Make(const std::string& root, const Tree& files) {
    for (const auto& [rel, data] : files) Write(root + "/" + rel, data);
    return Path(root);
  }
  std::string Disc(const std::string& name) const { return (dir / name).string(); }
  std::string Drive(const std::string& name, const std::string& profile, const std::string& extra = "") {
    return VirtualDrive(Disc(name), profile, extra);
  }
  // A pressed DVD holding `image`.
  std::string Pressed(const std::string& image, const std::string& extra = "") {
    return Drive(image + ".disc", "dvd-rom", ",image=" + Disc(image) + extra);
  }
  // The first sector of each session, as `orlix sessions` tells.
  std::vector<int64_t> Starts(const std::string& drive) {
    const Outcome o = Orlix("sessions -d " + drive);
    EXPECT_EQ(o.status, 0) << o.err;
    std::vector<int64_t> starts;
    static const std::regex line(R"(^(\d+)\s+(\d+)\s+(\d+)\s+.*$)");
    std::smatch m;
    std::istringstream in(o.out);
    for (std::string l; std::getline(in, l);)
      if (std::regex_match(l, m, line)) starts.push_back(std::stoll(m[2].str()));
    return starts;
  }
  // The last session's first sector and size, as `orlix sessions` tells.
  std::pair<int64_t, int64_t> LastSession(const std::string& drive) {
    const Outcome o = Orlix("sessions -d " + drive);
    std::pair<int64_t, int64_t> last{-1, -1};
    static const std::regex line(R"(^(\d+)\s+(\d+)\s+(\d+)\s+.*$)");
    std::smatch m;
    std::istringstream in(o.out);
    for (std::string l; std::getline(in, l);)
      if (std::regex_match(l, m, line)) last = {std::stoll(m[2].str()), std::stoll(m[3].str())};
    return last;
  }
  // Every file below `root` on the host, with its content.
  Tree Read(const fs::path& root) {
    Tree got;
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(root, ec))
      if (e.is_regular_file()) got[e.path().string().substr(root.string().size() + 1)] = ReadAll(e.path());
    return got;
  }
};

// One assertion per file: which one differs is what a failure must tell.
void ExpectSame(const Tree& got, const Tree& want, const std::string& who) {
  for (const auto& [rel, data] : want) {
    auto it = got.find(rel);
    if (it == got.end())
      ADD_FAILURE() << who << ": " << rel << " is missing";
    else if (it->second != data)
      ADD_FAILURE() << who << ": " << rel << " differs (" << it->second.size() << " bytes, not "
                    << data.size() << ")";
  }
  for (const auto& [rel, data] : got)
    if (!want.count(rel)) ADD_FAILURE() << who << ": extra file " << rel;
}

TEST_F(Multisession, AppendedSessionsReadBackThroughOrlixXorrisoAndIsoinfo) {
  const Tree first = {{"a.txt", "first a"},
                      {"sub/b.bin", Pattern(100000, 1)},
                      {"Long name with spaces.text", Pattern(5000, 2)},
                      {"empty.dat", ""}};
  const Tree second = {{"c.txt", "second c"}, {"sub/d.bin", Pattern(70000, 3)}};
  const Tree third = {{"a.txt", "third a, replacing the first"}};
  const std::string src1 = Make("one", first), src2 = Make("two", second), src3 = Make("three", third);
  Tree both = first;
  both.insert(second.begin(), second.end());
  Tree all = both;
  all["a.txt"] = third.at("a.txt");

  for (const char* medium : {"cd-r", "dvd-r", "dvd+r", "dvd+rw"}) {
    SCOPED_TRACE(medium);
    const std::string drive = Drive(medium, medium);
    Outcome o = Orlix("burn -q -d " + drive + " " + src1);
    ASSERT_EQ(o.status, 0) << o.err;
    o = Orlix("burn -q --append -d " + drive + " " + src2);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::vector<int64_t> starts = Starts(drive);
    ASSERT_FALSE(starts.empty());
    const std::string start = std::to_string(starts.back());
    // A drive that knows no READ TRACK INFORMATION finds them in its table
    // of contents.
    EXPECT_EQ(Starts(Drive(medium, medium, ",fault=fail:52:5/20/00")), starts);

    const fs::path out = dir / (std::string(medium) + ".orlix");
    o = Orlix("extract -q -r -d " + drive + " / " + Quote(out.string()));
    EXPECT_EQ(o.status, 0) << o.err;
    ExpectSame(Read(out), both, "orlix extract");

    const fs::path by_xorriso = dir / (std::string(medium) + ".xorriso");
    o = Shell("osirrox -load sbsector " + start + " -indev " + Quote(Disc(medium)) + " -extract / " +
              Quote(by_xorriso.string()));
    EXPECT_EQ(o.status, 0) << o.err;
    ExpectSame(Read(by_xorriso), both, "xorriso");

    for (const auto& [rel, data] : both) {
      o = Shell("isoinfo -J -T " + start + " -i " + Quote(Disc(medium)) + " -x " + Quote("/" + rel + ";1"));
      EXPECT_EQ(o.out, data) << "isoinfo: " << rel;
    }

    // A third session gives a.txt again: its new bytes are read, and an
    // earlier session still has the old ones where sessions exist.
    o = Orlix("burn -q --append -d " + drive + " " + src3);
    ASSERT_EQ(o.status, 0) << o.err;
    const fs::path last = dir / (std::string(medium) + ".third");
    EXPECT_EQ(Orlix("extract -q -r -d " + drive + " / " + Quote(last.string())).status, 0);
    ExpectSame(Read(last), all, "orlix extract of the third session");
    // The peers see the new bytes too: xorriso at the session's start on
    // the disc, and isoinfo in the session alone, cut out of the disc file
    // as a recorder is sent it (its own files only: the others lie before it).
    const auto [third_start, third_sectors] = LastSession(drive);
    ASSERT_GT(third_sectors, 0);
    const fs::path by_xorriso3 = dir / (std::string(medium) + ".xorriso3");
    o = Shell("osirrox -load sbsector " + std::to_string(third_start) + " -indev " + Quote(Disc(medium)) +
              " -extract / " + Quote(by_xorriso3.string()));
    EXPECT_EQ(o.status, 0) << o.err;
    ExpectSame(Read(by_xorriso3), all, "xorriso, third session");
    const std::string cut = Disc(std::string(medium) + ".session3");
    {
      std::ifstream in(Disc(medium), std::ios::binary);
      in.seekg(third_start * 2048);
      std::string bytes(static_cast<size_t>(third_sectors) * 2048, '\0');
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      ASSERT_EQ(in.gcount(), static_cast<std::streamsize>(bytes.size()));
      std::ofstream(cut, std::ios::binary) << bytes;
    }
    o = Shell("isoinfo -J -N " + std::to_string(third_start) + " -i " + Quote(cut) + " -x " +
              Quote("/a.txt;1"));
    EXPECT_EQ(o.out, third.at("a.txt")) << "isoinfo -N";
    if (std::string(medium) != "dvd+rw") {
      ASSERT_EQ(Starts(drive).size(), 3u);
      o = Orlix("extract -q --session 1 -d " + drive + " /a.txt " + Path("old-a.txt"));
      EXPECT_EQ(o.status, 0) << o.err;
      EXPECT_EQ(ReadAll(dir / "old-a.txt"), "first a");
    }
  }
}

TEST_F(Multisession, DiscsMadeByOtherToolsKeepTheirJolietNamesAndBytes) {
  const Tree files = {{"Mixed Case Name.Text", Pattern(3000, 4)},
                      {"folder with spaces/inner file.bin", Pattern(150000, 5)},
                      {"deep/er/est/leaf.txt", "leaf"},
                      {"Ünïcødé.txt", "unicode"}};
  const std::string src = Make("src", files);
  ASSERT_EQ(Shell("genisoimage -quiet -J -o " + Quote(Disc("genisoimage.iso")) + " " + src).status, 0);
  ASSERT_EQ(Shell("xorriso -outdev " + Quote(Disc("xorriso.iso")) + " -joliet on -map " + src + " /").status,
            0);
  for (const char* image : {"genisoimage.iso", "xorriso.iso"}) {
    SCOPED_TRACE(image);
    Outcome o = Orlix("ls -d " + Pressed(image));
    EXPECT_EQ(o.status, 0) << o.err;
    for (const auto& [rel, data] : files) EXPECT_TRUE(Has(o.out, "/" + rel + "\n"));
    const fs::path out = dir / (std::string(image) + ".out");
    o = Orlix("extract -q -r -d " + Pressed(image) + " / " + Quote(out.string()));
    EXPECT_EQ(o.status, 0) << o.err;
    ExpectSame(Read(out), files, image);
    // One file, into an existing folder, keeping its name.
    o = Orlix("extract -q -d " + Pressed(image) + " " + Quote("/folder with spaces/inner file.bin") + " " +
              Quote(dir.string()));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadAll(dir / "inner file.bin"), files.at("folder with spaces/inner file.bin"));
  }
}

// Replaces the only occurrence of `from` in the file.
void Patch(const std::string& file, const std::string& from, const std::string& to) {
  std::string data = ReadAll(file);
  const size_t at = data.find(from);
  ASSERT_NE(at, std::string::npos) << "no such bytes in " << file;
  ASSERT_EQ(data.find(from, at + 1), std::string::npos) << "the bytes are there twice";
  data.replace(at, from.size(), to);
  std::ofstream(file, std::ios::binary) << data;
}

std::string Ucs2(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{'\0', c};
  return out;
}

TEST_F(Multisession, NamesThatWouldLeaveTheDestinationAreLeftOutAndTheRestIsCopied) {
  const std::string src = Make("src", {{"ok.txt", "ok"},
                                       {"xAy.txt", "slash"},
                                       {"qq", "dots"},
                                       {"con.txt", "device"},
                                       {"sub/inner.txt", "inner"}});
  ASSERT_EQ(Shell("genisoimage -quiet -J -o " + Quote(Disc("evil.iso")) + " " + src).status, 0);
  // Joliet names no writer would make: "x/y.txt" and "..".
  Patch(Disc("evil.iso"), Ucs2("xAy.txt"), Ucs2("x/y.txt"));
  Patch(Disc("evil.iso"), Ucs2("qq"), Ucs2(".."));
  const fs::path out = dir / "dest" / "out";
  const Outcome o = Orlix("extract -r -d " + Pressed("evil.iso") + " / " + Quote(out.string()));
  EXPECT_EQ(o.status, 2) << o.err;
  EXPECT_TRUE(Has(o.err, "left out /x/y.txt"));
  EXPECT_TRUE(Has(o.err, "left out /con.txt"));
  EXPECT_TRUE(Has(o.err, "\\.. OF THE SESSION LEFT OUT"));
  ExpectSame(Read(out), {{"ok.txt", "ok"}, {"sub/inner.txt", "inner"}}, "extract");
  // Nothing reached the folders around the destination.
  ExpectSame(Read(dir / "dest"), {{"out/ok.txt", "ok"}, {"out/sub/inner.txt", "inner"}}, "around");
}

TEST_F(Multisession, AFileThatCannotBeReadIsNotLeftHalfCopied) {
  const std::string src = Make("src", {{"big.bin", Pattern(200000, 6)}, {"small.txt", "small"}});
  ASSERT_EQ(Shell("genisoimage -quiet -J -o " + Quote(Disc("image.iso")) + " " + src).status, 0);
  Outcome o = Orlix("ls -l -d " + Pressed("image.iso") + " /big.bin");
  ASSERT_EQ(o.status, 0) << o.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(o.out, m, std::regex(R"(\s(\d+)  /big.bin)"))) << o.out;
  const int64_t bad = std::stoll(m[1].str()) + 40;  // in the second chunk
  const fs::path out = dir / "out";
  o = Orlix("extract -r -d " + Pressed("image.iso", ",fault=medium:" + std::to_string(bad)) + " / " +
            Quote(out.string()));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "/big.bin could not be copied: CAN'T READ SECTOR"));
  EXPECT_FALSE(fs::exists(out / "big.bin"));
  EXPECT_EQ(ReadAll(out / "small.txt"), "small");
  // A destination that cannot be made is named.
  o = Orlix("extract -d " + Pressed("image.iso") + " /small.txt " + Path("no/such/folder/x.txt"));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "CAN'T CREATE FILE"));
}

TEST_F(Multisession, ABlankDiscHasNothingToListAndAppendingRecordsTheFirstSession) {
  const std::string drive = Drive("blank", "dvd+r");
  Outcome o = Orlix("ls -d " + drive);
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "holds no session"));
  o = Orlix("burn --append -d " + drive + " " + Make("src", {{"a.txt", "a"}}));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(o.err, "nothing to carry forward"));
  o = Orlix("ls -d " + drive);
  EXPECT_EQ(o.out, "/a.txt\n");
  o = Orlix("ls --session 0 -d " + drive);
  EXPECT_EQ(o.status, 64);
}

}  // namespace
}  // namespace orlix::test
