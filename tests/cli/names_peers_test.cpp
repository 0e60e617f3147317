// Trees whose names the image cannot take as they are (cut, forbidden
// characters, merged folders, non-Latin, empty folders, names equal but for
// case), made into images by orlix and read back by isoinfo, xorriso, 7-Zip,
// libcdio and pycdlib: every file under the name expected, with its bytes,
// no name twice in a folder, every folder there. And Debian's documentation
// folder, which holds names equal but for case.
#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

// Extracts an image's Joliet tree (its ISO 9660 tree when it has none) into
// a folder; fails on an image it refuses, as one with a name twice in a
// folder.
const char kPycdlibExtract[] = R"(import os, sys, pycdlib
iso = pycdlib.PyCdlib()
iso.open(sys.argv[1])
key = 'joliet_path' if iso.has_joliet() else 'iso_path'
for root, dirs, files in iso.walk(**{key: '/'}):
    here = os.path.join(sys.argv[2], root.lstrip('/'))
    os.makedirs(here, exist_ok=True)
    for name in files:
        # "NAME;1", and "NAME.;1" for a name without extension.
        host = name.rsplit(';', 1)[0]
        host = host[:-1] if host.endswith('.') else host
        iso.get_file_from_iso(os.path.join(here, host), **{key: root.rstrip('/') + '/' + name})
iso.close()
)";

// What the tool prints for a name: control characters as \xNN.
std::string Shown(const std::string& name) {
  std::string out;
  for (char c : name) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
    out += static_cast<unsigned char>(c) < 0x20 ? std::string(hex) : std::string(1, c);
  }
  return out;
}

// The names the tool says it wrote differently in the Joliet tree (or, for
// --no-joliet, the ISO 9660 tree): image path as given -> name written.
std::map<std::string, std::string> Renamed(const std::string& err, bool iso_names) {
  std::map<std::string, std::string> renamed;
  std::istringstream in(err);
  const std::string lead = "orlix: renamed: ", iso = "ISO 9660 name ";
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, lead.size(), lead) != 0) continue;
    const size_t arrow = line.find(" -> "), reason = line.rfind(" (");
    if (arrow == std::string::npos || reason == std::string::npos || reason < arrow) continue;
    std::string written = line.substr(arrow + 4, reason - arrow - 4);
    const bool is_iso = written.compare(0, iso.size(), iso) == 0;
    if (is_iso != iso_names) continue;
    renamed[line.substr(lead.size(), arrow - lead.size())] = is_iso ? written.substr(iso.size()) : written;
  }
  return renamed;
}

// A host path below the source ("a/b.txt", components as the host names
// them) as a reader of the image finds it, each component renamed as the
// tool said.
std::string OnDisc(const std::vector<std::string>& parts, const std::map<std::string, std::string>& renamed) {
  std::string given, found;
  for (const std::string& part : parts) {
    given += "\\" + part;
    const auto it = renamed.find(Shown(given));
    found += (found.empty() ? "" : "/") + (it == renamed.end() ? part : it->second);
  }
  return found;
}

// What a reader left in a folder: files (path -> bytes) and folders.
struct Extracted {
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
};

Extracted Walk(const fs::path& out) {
  Extracted got;
  std::error_code ec;
  for (auto& e : fs::recursive_directory_iterator(out, ec)) {
    const std::string rel = e.path().string().substr(out.string().size() + 1);
    if (e.is_directory())
      got.folders.insert(rel);
    else
      got.files[rel] = ReadAll(e.path());
  }
  return got;
}

// A UTF-8 name as isoinfo prints Joliet names: in Latin-1, "_" for the
// characters beyond it.
std::string Latin1(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (length == 1) {
      out += utf8[i];
    } else {
      const unsigned cp = (c & 0x1F) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
      out += length == 2 && cp <= 0xFF ? static_cast<char>(cp) : '_';
    }
    i += length;
  }
  return out;
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// One image and what readers must find in it.
struct Image {
  std::string file;  // below the suite's folder
  Outcome made;
  std::map<std::string, std::string> files;  // path on the disc -> bytes
  std::set<std::string> folders;
  bool iso_names = false;  // no Joliet: readers may show the names in either case
};

class NamesPeers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("orlix_names_peers_" + std::to_string(std::random_device{}()));
    fs::remove_all(dir);
    MakeRules();
    MakeMerged();
    pycdlib = Run("/usr/bin/python3 -c 'import pycdlib'").status == 0;
    std::ofstream(dir / "extract.py") << kPycdlibExtract;
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }

  static Outcome Run(const std::string& command) { return Shell(command, dir); }
  static std::string At(const std::string& name) { return Quote((dir / name).string()); }
  static std::string Orlix(const std::string& args) { return Quote(ORLIX_BIN_DIR "/orlix") + " " + args; }

  // Rules 1 and 3 to 7 in one tree: names that meet after being cut, files
  // and folders; characters Joliet forbids, two of them meeting after the
  // mapping; a long Cyrillic name; nested empty folders; a name beside its
  // capitalised twin; a Cyrillic volume name longer than both fields.
  static void MakeRules() {
    const fs::path src = dir / "rules";
    std::vector<std::pair<std::vector<std::string>, std::string>> sources;
    const auto add = [&](const std::vector<std::string>& parts) {
      fs::path p = src;
      for (const std::string& part : parts) p /= part;
      fs::create_directories(p.parent_path());
      const std::string data = "bytes of " + p.string() + "\n";
      std::ofstream(p, std::ios::binary) << data;
      sources.push_back({parts, data});
    };
    const std::string stem(115, 'r');
    for (const char* n : {"0", "1", "2"}) add({"cut", stem + n + ".txt"});
    for (const char* n : {"0", "1"}) add({"cut", stem + n, "inside.txt"});
    for (const char* name : {"star*.txt", "colon:.txt", "semi;.txt", "quest?.txt", "back\\slash.txt",
                             "bell\x07.txt", "a*b.txt", "a?b.txt"})
      add({"chars", name});
    std::string cyrillic;
    for (int i = 0; i < 70; ++i) cyrillic += "\xD0\x96";
    add({"cyrillic", cyrillic + ".txt"});
    add({"dups", "Index.html"});
    add({"dups", "index.html"});
    for (const char* empty : {"empty/e1/e2/e3", "empty/alone"}) fs::create_directories(src / empty);

    rules.file = "rules.iso";
    rules.made = Run(Orlix("mkiso -q --rename-duplicates -V '" + kCyrillicVolume + "' -o " +
                           At(rules.file) + " " + Quote(src.string())));
    const std::map<std::string, std::string> renamed = Renamed(rules.made.err, false);
    for (const auto& [parts, data] : sources) {
      const std::string path = OnDisc(parts, renamed);
      rules.files[path] = data;
      for (fs::path p = fs::path(path).parent_path(); !p.empty(); p = p.parent_path())
        rules.folders.insert(p.string());
    }
    for (const char* folder : {"empty", "empty/e1", "empty/e1/e2", "empty/e1/e2/e3", "empty/alone"})
      rules.folders.insert(folder);
  }

  // Rule 2: two host folders whose 8.3 names meet in one image folder.
  static void MakeMerged() {
    fs::create_directories(dir / "m1");
    fs::create_directories(dir / "m2");
    std::ofstream(dir / "m1" / "LongFileNameOne.txt") << "one";
    std::ofstream(dir / "m2" / "LongFileNameTwo.txt") << "two";
    const std::string sources = " " + At("m1") + " " + At("m2");
    merged.file = "merged.iso";
    merged.made = Run(Orlix("mkiso -q -V " + std::string(40, 'V') + " -o " + At(merged.file) + sources));
    merged.files = {{"LongFileNameOne.txt", "one"}, {"LongFileNameTwo.txt", "two"}};
    plain.file = "plain.iso";
    plain.iso_names = true;
    plain.made = Run(Orlix("mkiso -q --no-joliet -o " + At(plain.file) + sources));
    // The first keeps the 8.3 name its folder gave it; the second gets the
    // one the tool names.
    const std::map<std::string, std::string> renamed = Renamed(plain.made.err, true);
    const auto second = renamed.find("\\LongFileNameTwo.txt");
    plain.files = {{"LONGFI~1.TXT", "one"},
                   {second == renamed.end() ? "<not renamed>" : second->second, "two"}};
  }

  static std::vector<const Image*> Images() { return {&rules, &merged, &plain}; }

  // What a reader extracted against what the image holds, one fault each.
  static void ExpectSame(const Image& image, const Extracted& got, const std::string& who) {
    std::map<std::string, std::string> files;
    for (const auto& [path, data] : got.files) files[image.iso_names ? Upper(path) : path] = data;
    for (const auto& [path, data] : image.files) {
      const auto it = files.find(image.iso_names ? Upper(path) : path);
      if (it == files.end())
        ADD_FAILURE() << who << ": " << Shown(path) << " is missing";
      else
        EXPECT_TRUE(it->second == data) << who << ": " << Shown(path) << " differs";
    }
    EXPECT_EQ(got.files.size(), image.files.size()) << who << ": files found";
    for (const std::string& folder : image.folders)
      EXPECT_TRUE(got.folders.count(folder)) << who << ": folder " << folder << " is missing";
  }

  // Every image extracted by a reader: `command` + image + output folder.
  void ExpectExtracted(const std::string& reader,
                       const std::function<std::string(const std::string&, const fs::path&)>& command) {
    for (const Image* image : Images()) {
      const fs::path out = dir / (image->file + "." + reader);
      const Outcome o = Run(command(image->file, out));
      EXPECT_EQ(o.status, 0) << reader << " on " << image->file << ": " << o.err;
      ExpectSame(*image, Walk(out), reader + " on " + image->file);
    }
  }

  void SetUp() override {
    for (const Image* image : Images()) ASSERT_TRUE(fs::exists(dir / image->file)) << image->made.err;
  }

  // 27 characters: they fit the primary field once mapped, not the Joliet one.
  static inline const std::string kCyrillicVolume = "Фото с отпуска на море 2024";
  static inline fs::path dir;
  static inline Image rules, merged, plain;
  static inline bool pycdlib = false;
};

TEST_F(NamesPeers, TheToolTellsEveryRenameAndExitsTwo) {
  EXPECT_EQ(rules.made.status, 2);
  EXPECT_EQ(merged.made.status, 2);
  EXPECT_EQ(plain.made.status, 2);
  const std::string& err = rules.made.err;
  // Each cut name is told, and all three differ.
  const std::map<std::string, std::string> renamed = Renamed(err, false);
  std::set<std::string> cut;
  for (const char* n : {"0", "1", "2"}) {
    const auto it = renamed.find("\\cut\\" + std::string(115, 'r') + n + ".txt");
    if (it != renamed.end()) cut.insert(it->second);
  }
  EXPECT_EQ(cut.size(), 3u) << err;
  EXPECT_TRUE(Has(err, "renamed: \\chars\\star*.txt -> star_.txt (characters Joliet forbids written as _)\n"));
  EXPECT_TRUE(Has(err, "renamed: \\chars\\bell\\x07.txt -> bell_.txt (characters Joliet forbids"));
  EXPECT_TRUE(Has(err, "renamed: \\chars\\back\\slash.txt -> back_slash.txt ("));
  EXPECT_TRUE(Has(err, "renamed: \\dups\\index.html -> index~1.html (the folder already holds Index.html)\n"));
  EXPECT_TRUE(Has(err, "cut: volume identifier \"" + kCyrillicVolume + "\" -> \""));
  EXPECT_TRUE(Has(plain.made.err, "renamed: \\LongFileNameTwo.txt -> ISO 9660 name "));
  EXPECT_TRUE(Has(plain.made.err, " (LONGFI~1.TXT is taken)\n"));
  EXPECT_TRUE(Has(merged.made.err, "cut: volume identifier \"" + std::string(40, 'V') + "\" -> \""));
}

TEST_F(NamesPeers, Xorriso) {
  ExpectExtracted("osirrox", [](const std::string& image, const fs::path& out) {
    return "osirrox -indev " + At(image) + " -extract / " + Quote(out.string());
  });
}

TEST_F(NamesPeers, SevenZip) {
  ExpectExtracted("7zz", [](const std::string& image, const fs::path& out) {
    return "7zz x -y -o" + Quote(out.string()) + " " + At(image);
  });
}

TEST_F(NamesPeers, Pycdlib) {
  if (!pycdlib) GTEST_SKIP() << "python3-pycdlib is not installed";
  ExpectExtracted("pycdlib", [](const std::string& image, const fs::path& out) {
    return "/usr/bin/python3 " + At("extract.py") + " " + At(image) + " " + Quote(out.string());
  });
}

TEST_F(NamesPeers, Isoinfo) {
  for (const Image* image : Images()) {
    SCOPED_TRACE(image->file);
    const std::string flag = image->iso_names ? "" : "-J ";
    const std::string listing = Run("isoinfo " + flag + "-l -i " + At(image->file)).out;
    // Names per folder, as isoinfo lists them: no name twice ignoring case.
    std::map<std::string, std::multiset<std::string>> names;
    std::string folder;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
      const std::string head = "Directory listing of /";
      if (line.compare(0, head.size(), head) == 0) {
        folder = line.substr(head.size());
        if (!folder.empty()) folder.pop_back();
        names[folder];
        continue;
      }
      const size_t at = line.find("]  ");
      if (at == std::string::npos) continue;
      std::string name = line.substr(at + 3);
      while (!name.empty() && name.back() == ' ') name.pop_back();
      if (name == "." || name == "..") continue;
      names[folder].insert(Upper(name.substr(0, name.rfind(";1") == name.size() - 2 ? name.size() - 2 : name.size())));
    }
    for (const auto& [where, in_folder] : names)
      for (const std::string& name : in_folder)
        EXPECT_EQ(in_folder.count(name), 1u) << name << " twice in /" << where;
    for (const std::string& f : image->folders) EXPECT_TRUE(names.count(Latin1(f))) << "folder " << f;
    for (const auto& [path, data] : image->files) {
      const fs::path p(Latin1(path));
      const std::string where = p.parent_path().string();
      EXPECT_TRUE(names[where].count(Upper(p.filename().string()))) << Shown(path) << " is not listed";
      const Outcome x =
          Run("isoinfo " + flag + "-i " + At(image->file) + " -x " + Quote("/" + p.string() + ";1"));
      EXPECT_TRUE(x.out == data) << Shown(path) << " reads back differently";
    }
  }
}

TEST_F(NamesPeers, Libcdio) {
  static const std::regex folder_line("^/(.*)/?:$");
  static const std::regex entry_line(R"(^\s+([-d]) \[LSN\s+(\d+)\]\s+(\d+) \w+ \d+ \d+ [\d:]+  (.*)$)");
  for (const Image* image : Images()) {
    SCOPED_TRACE(image->file);
    const std::string bytes = ReadAll(dir / image->file);
    // Each folder's entries, and where each file's bytes are, as libcdio
    // reads the records.
    std::map<std::string, std::multiset<std::string>> names;
    std::map<std::string, std::string> files;
    std::string folder;
    std::istringstream in(Run("iso-info -l -i " + At(image->file)).out);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
      if (std::regex_match(line, m, folder_line)) {
        folder = m[1].str();
        if (!folder.empty() && folder.back() == '/') folder.pop_back();
        names[folder];
      } else if (std::regex_match(line, m, entry_line) && m[4] != "." && m[4] != "..") {
        const std::string name = Upper(m[4].str());
        names[folder].insert(name);
        const size_t at = std::stoull(m[2].str()) * 2048, size = std::stoull(m[3].str());
        if (m[1] == "-") files[(folder.empty() ? "" : Upper(folder) + "/") + name] = bytes.substr(at, size);
      }
    }
    for (const auto& [where, in_folder] : names)
      for (const std::string& name : in_folder)
        EXPECT_EQ(in_folder.count(name), 1u) << name << " twice in /" << where;
    for (const std::string& f : image->folders) EXPECT_TRUE(names.count(f)) << "folder " << f;
    for (const auto& [path, data] : image->files) {
      const auto it = files.find(Upper(path));
      if (it == files.end())
        ADD_FAILURE() << Shown(path) << " is not listed";
      else
        EXPECT_TRUE(it->second == data) << Shown(path) << " reads back differently";
    }
  }
}

// A UCS-2 field of characters below U+0800, as UTF-8, without its padding.
std::string Ucs2BigEndianToUtf8(const std::string& field) {
  std::string out;
  for (size_t i = 0; i + 1 < field.size(); i += 2) {
    const unsigned u = static_cast<unsigned char>(field[i]) << 8 | static_cast<unsigned char>(field[i + 1]);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else {
      out += static_cast<char>(0xC0 | u >> 6);
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out.substr(0, out.find_last_not_of(' ') + 1);
}

// The descriptor of `type` (1 primary, 2 supplementary) from sector 16 on.
std::string Descriptor(const std::string& image, uint8_t type) {
  for (size_t at = 16 * 2048; at + 2048 <= image.size() && image[at] != '\xFF'; at += 2048)
    if (static_cast<uint8_t>(image[at]) == type) return image.substr(at, 2048);
  return "";
}

TEST_F(NamesPeers, VolumeNamesHoldOnlyWhatTheirFieldsAllow) {
  const std::string image = ReadAll(dir / rules.file);
  const std::string primary = Descriptor(image, 1), joliet = Descriptor(image, 2);
  ASSERT_EQ(primary.size(), 2048u);
  ASSERT_EQ(joliet.size(), 2048u);
  // d-characters only, padded with spaces.
  const std::string id = primary.substr(40, 32);
  EXPECT_EQ(id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_ "), std::string::npos) << id;
  // The Joliet field holds the first 16 characters.
  const std::string first16 = "Фото с отпуска н";
  EXPECT_EQ(Ucs2BigEndianToUtf8(joliet.substr(40, 32)), first16);
  if (pycdlib) {
    std::ofstream(dir / "volume.py") << "import sys, pycdlib\niso = pycdlib.PyCdlib()\niso.open(sys.argv[1])\n"
                                        "print(iso.joliet_vd.volume_identifier.decode('utf-16-be').rstrip())\n";
    EXPECT_EQ(Run("/usr/bin/python3 " + At("volume.py") + " " + At(rules.file)).out, first16 + "\n");
  }
  EXPECT_TRUE(Has(Run("isoinfo -d -i " + At(merged.file)).out, "Volume id: " + std::string(32, 'V') + "\n"));
}

TEST_F(NamesPeers, DebianDocumentationKeepsEveryFile) {
  const fs::path doc = "/usr/share/doc";
  // Every file a walk that follows links reaches, as the insertion does.
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(doc, fs::directory_options::follow_directory_symlink, ec), end;
       !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) files.push_back(it->path().string().substr(doc.string().size() + 1));
  if (files.size() < 200) GTEST_SKIP() << doc << " holds " << files.size() << " files, too few to tell";

  const Outcome made = Run(Orlix("mkiso -q --rename-duplicates -o " + At("doc.iso") + " " + doc.string()));
  ASSERT_TRUE(made.status == 0 || made.status == 2) << made.err;
  EXPECT_FALSE(Has(made.err, "left out")) << made.err;
  const std::map<std::string, std::string> renamed = Renamed(made.err, false);

  // xorriso lists each file as '/PATH'.
  std::set<std::string> listed;
  std::istringstream in(Run("xorriso -indev " + At("doc.iso") + " -find / -type f").out);
  for (std::string line; std::getline(in, line);)
    if (line.size() > 3 && line.front() == '\'' && line.back() == '\'') listed.insert(line.substr(2, line.size() - 3));
  EXPECT_EQ(listed.size(), files.size());
  std::vector<std::pair<std::string, std::string>> sample;  // on the disc, on the host
  for (size_t i = 0; i < files.size(); ++i) {
    std::vector<std::string> parts;
    for (const auto& part : fs::path(files[i])) parts.push_back(part.string());
    const std::string on_disc = OnDisc(parts, renamed);
    EXPECT_TRUE(listed.count(on_disc)) << on_disc << " is not in the image";
    if (i % (files.size() / 25) == 0) sample.push_back({on_disc, files[i]});
  }
  // A sample read back in one run of osirrox.
  std::string extract = "osirrox -indev " + At("doc.iso");
  for (size_t i = 0; i < sample.size(); ++i)
    extract += " -extract " + Quote("/" + sample[i].first) + " " + At("doc_" + std::to_string(i));
  Run(extract);
  for (size_t i = 0; i < sample.size(); ++i)
    EXPECT_TRUE(ReadAll(dir / ("doc_" + std::to_string(i))) == ReadAll(doc / sample[i].second))
        << sample[i].second << " reads back differently";
}

}  // namespace
}  // namespace orlix::test
