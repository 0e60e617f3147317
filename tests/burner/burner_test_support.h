// Shared burner-test pieces: captured debug lines, a scratch folder, a whole-tree check.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "burner/burner_state.h"
#include "burner/tree_names.h"
#include "iso/tree.h"

namespace orlix::test {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class BurnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    burner = std::make_unique<TOrlixBurner>(nullptr);
    burner->OnDebugMessage = [this](TComponent*, const std::string& text, uint8_t type) {
      lines.push_back({text, type});
    };
    temp = fs::temp_directory_path() /
           ("orlix_burner_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(temp);
    fs::create_directories(temp);
  }
  void TearDown() override {
    burner.reset();
    std::error_code ec;
    // Folders a test made unreadable must be opened again to go.
    for (auto& p : fs::recursive_directory_iterator(temp, fs::directory_options::skip_permission_denied, ec))
      fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(temp, ec);
  }

  std::string MakeFile(const std::string& relative, size_t size = 1) {
    const fs::path p = temp / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
    return p.string();
  }
  std::string Src(const std::string& relative = "src") const { return (temp / relative).string(); }
  int Mem(const std::string& dir, const std::string& name) {
    return burner->InsertMemoryFile(dir, name, "", 0, data_, 1);
  }
  // Entries of a directory's chain, by long name, in chain order.
  static Strings Names(PDEntry dir) {
    Strings names;
    for (PFEntry e = dir ? dir->FirstFile : nullptr; e; e = e->Next) names.push_back(e->LongName);
    return names;
  }

  struct Line {
    std::string text;
    uint8_t type;
  };
  std::unique_ptr<TOrlixBurner> burner;
  std::vector<Line> lines;
  fs::path temp;

 private:
  char data_[1] = {0};
};

// True when the tables, the chains and every look-up agree with a plain walk.
inline ::testing::AssertionResult TreeIsConsistent(TOrlixBurner& burner) {
  auto fail = [](const std::string& why) { return ::testing::AssertionFailure() << why; };
  if (DirCounter < 1 || Dirs[0] != burner.Root()) return fail("root is not in slot 0");
  for (int32_t i = 0; i < static_cast<int32_t>(Dirs.size()); ++i) {
    const bool used = i < DirCounter;
    if ((Dirs[i] != nullptr) != used || (PathTable[i] != nullptr) != used ||
        (PathTableJ[i] != nullptr) != used)
      return fail("directory slot " + std::to_string(i) + " breaks the counter");
  }
  for (int32_t i = 0; i < static_cast<int32_t>(Files.size()); ++i)
    if ((Files[i] != nullptr) != (i < FileCounter)) return fail("file slot " + std::to_string(i));
  const std::set<PDEntry> dirs(Dirs.begin(), Dirs.begin() + DirCounter);
  if (std::set<PDEntry>(PathTable.begin(), PathTable.begin() + DirCounter) != dirs ||
      std::set<PDEntry>(PathTableJ.begin(), PathTableJ.begin() + DirCounter) != dirs)
    return fail("path tables hold other records than Dirs");
  const std::set<PFEntry> files(Files.begin(), Files.begin() + FileCounter);
  std::map<PDEntry, int> entries_of_dir;
  int32_t chained = 0;
  for (int32_t i = 0; i < DirCounter; ++i) {
    PDEntry d = Dirs[i], first_of_path = nullptr;
    if (i > 0 && d->Path != GetDirPath(d)) return fail("path of " + d->LongName + " is " + d->Path);
    for (int32_t j = 1; j < DirCounter && !first_of_path; ++j)
      if (Dirs[j]->Path == d->Path) first_of_path = Dirs[j];
    if (i > 0 && burner.FindDir(d->Path) != first_of_path) return fail("FindDir(" + d->Path + ")");
    PFEntry prev = nullptr;
    for (PFEntry e = d->FirstFile; e; prev = e, e = e->Next) {
      if (!files.count(e)) return fail("chain of " + d->Path + " holds a released or foreign entry");
      if (++chained > FileCounter) return fail("chains hold more entries than the table");
      if (e->Dir && e->Dir->Parent != d)
        return fail("entry " + e->LongName + " is not in its directory's parent");
      if (e->Dir) ++entries_of_dir[e->Dir];
      // The first entry of this name, as a walk finds it.
      PFEntry match = d->FirstFile, match_prev = nullptr;
      while (UpperCaseAscii(match->LongName) != UpperCaseAscii(e->LongName)) {
        match_prev = match;
        match = match->Next;
      }
      if (burner.FindFile(d, e->LongName) != match || PrevFile != match_prev)
        return fail("FindFile(" + d->Path + ", " + e->LongName + ")");
    }
    if (burner.FindFile(d, "no entry has this name") != nullptr || PrevFile != prev)
      return fail("a missed FindFile in " + d->Path + " must leave the last entry in PrevFile");
  }
  if (chained != FileCounter) return fail("entries outside every chain");
  for (int32_t i = 1; i < DirCounter; ++i)
    if (entries_of_dir[Dirs[i]] != 1) return fail("directory " + Dirs[i]->Path + " has no single entry");
  return ::testing::AssertionSuccess();
}

}  // namespace orlix::test
