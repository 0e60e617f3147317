// The manual page and the bash completion are written by hand: these tests
// hold them to the options the tool's --help shows, so that an option added
// to a command is not left out of either.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kTool = std::string(ORLIX_BIN_DIR) + "/orlix";
const std::string kManPage = std::string(ORLIX_SOURCE_DIR) + "/man/orlix.1";
const std::string kCompletion = std::string(ORLIX_SOURCE_DIR) + "/completion/orlix.bash";
const char* kBashCompletion = "/usr/share/bash-completion/bash_completion";

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The names in a help text's section ("Options:", "Subcommands:").
std::set<std::string> Section(const std::string& help, const std::string& title, const std::regex& item) {
  std::set<std::string> names;
  std::istringstream lines(help);
  std::string line;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] != ' ') inside = line == title;
    if (!inside) continue;
    std::smatch m;
    if (std::regex_search(line, m, item))
      for (size_t i = 1; i < m.size(); ++i)
        if (m[i].matched) names.insert(m[i]);
  }
  return names;
}

std::set<std::string> Options(const std::string& command) {
  static const std::regex item(R"(^  (-\w)?,?(--[\w-]+))");
  std::set<std::string> options = Section(Output(kTool + " " + command + " --help"), "Options:", item);
  // Every command has these; the synopsis names --help once.
  options.erase("-h");
  options.erase("--help");
  return options;
}

// `option` as a word of `text`, not a piece of a longer option.
bool Mentions(const std::string& text, const std::string& option) {
  return std::regex_search(text, std::regex("(^|[\\s,\"])" + option + "($|[\\s,\"])"));
}

std::set<std::string> Commands(const std::string& command) {
  static const std::regex item(R"(^  ([a-z][\w-]*) )");
  return Section(Output(kTool + " " + command + " --help"), "Subcommands:", item);
}

// The man page's text with roff's escaped hyphens and font changes made plain.
std::string ManText() {
  std::string text = std::regex_replace(ReadFile(kManPage), std::regex(R"(\\f[BIRP])"), "");
  return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

// What the completion offers after `words` (the last one being typed).
std::set<std::string> Completions(const std::vector<std::string>& words) {
  std::string array;
  for (const std::string& w : words) array += " '" + w + "'";
  const std::string script = "source " + std::string(kBashCompletion) + "; source " + kCompletion +
                             "; COMP_WORDS=(" + array + "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                             "; COMP_LINE=\"${COMP_WORDS[*]}\"; COMP_POINT=${#COMP_LINE}; _orlix; "
                             "printf '%s\\n' \"${COMPREPLY[@]}\"";
  std::ofstream(testing::TempDir() + "complete.sh") << script;
  std::set<std::string> out;
  std::istringstream lines(Output("bash " + testing::TempDir() + "complete.sh 2>/dev/null"));
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty()) out.insert(line);
  return out;
}

std::vector<std::string> AllCommands() {
  std::vector<std::string> all;
  for (const std::string& c : Commands("")) {
    if (c == "vdisc") {
      for (const std::string& sub : Commands("vdisc")) all.push_back("vdisc " + sub);
    } else {
      all.push_back(c);
    }
  }
  return all;
}

TEST(ManPage, NamesEveryCommandAndOption) {
  const std::vector<std::string> commands = AllCommands();
  ASSERT_GE(commands.size(), 10u) << "cannot read the commands from " << kTool;
  const std::string man = ManText();
  for (const std::string& command : commands) {
    EXPECT_NE(man.find("orlix " + command), std::string::npos) << command;
    for (const std::string& option : Options(command))
      EXPECT_TRUE(Mentions(man, option)) << command << " " << option;
  }
  EXPECT_TRUE(Mentions(man, "--version"));
}

TEST(ManPage, VersionMatchesTheTool) {
  const std::string version = Output(kTool + " --version");
  ASSERT_EQ(version.rfind("orlix ", 0), 0u) << version;
  const std::string number = version.substr(6, version.find('\n') - 6);
  EXPECT_NE(ReadFile(kManPage).find("\"orlix " + number + "\""), std::string::npos) << number;
}

TEST(BashCompletion, OffersEveryCommandAndItsOptions) {
  if (!std::ifstream(kBashCompletion)) GTEST_SKIP() << "bash-completion is not installed";
  const std::set<std::string> first = Completions({"orlix", ""});
  for (const std::string& command : Commands("")) EXPECT_TRUE(first.count(command)) << command;
  EXPECT_TRUE(first.count("--version"));
  for (const std::string& command : AllCommands()) {
    std::vector<std::string> words{"orlix"};
    std::istringstream parts(command);
    for (std::string w; parts >> w;) words.push_back(w);
    words.push_back("-");
    const std::set<std::string> offered = Completions(words);
    for (const std::string& option : Options(command))
      EXPECT_TRUE(offered.count(option)) << command << " " << option;
  }
}

TEST(BashCompletion, OffersTheMediaProfiles) {
  if (!std::ifstream(kBashCompletion)) GTEST_SKIP() << "bash-completion is not installed";
  const std::set<std::string> offered = Completions({"orlix", "vdisc", "create", "--profile", "dvd"});
  EXPECT_TRUE(offered.count("dvd+rw"));
  EXPECT_TRUE(offered.count("dvd-ram"));
  EXPECT_FALSE(offered.count("cd-r"));
}

}  // namespace
