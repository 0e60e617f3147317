#include "tests/burner/burner_test_support.h"

#include <map>
#include <set>

#include "burner/tree_names.h"

namespace orlix::test {

::testing::AssertionResult TreeIsConsistent(TOrlixBurner& burner) {
  auto fail = [](const std::string& why) { return ::testing::AssertionFailure() << why; };
  if (DirCounter < 1 || Dirs[0] != burner.Root()) return fail("root is not in slot 0");
  for (int32_t i = 0; i < static_cast<int32_t>(Dirs.size()); ++i) {
    const bool used = i < DirCounter;
    if ((Dirs[i] != nullptr) != used || (PathTable[i] != nullptr) != used ||
        (PathTableJ[i] != nullptr) != used)
      return fail("directory slot " + std::to_string(i) + " breaks the counter");
  }
  for (int32_t i = 0; i < static_cast<int32_t>(Files.size()); ++i) {
    if ((Files[i] != nullptr) != (i < FileCounter)) return fail("file slot " + std::to_string(i));
  }
  std::set<PDEntry> dirs(Dirs.begin(), Dirs.begin() + DirCounter);
  if (std::set<PDEntry>(PathTable.begin(), PathTable.begin() + DirCounter) != dirs ||
      std::set<PDEntry>(PathTableJ.begin(), PathTableJ.begin() + DirCounter) != dirs)
    return fail("path tables hold other records than Dirs");
  std::set<PFEntry> files(Files.begin(), Files.begin() + FileCounter);

  std::map<PDEntry, int> entries_of_dir;
  int32_t chained = 0;
  for (int32_t i = 0; i < DirCounter; ++i) {
    PDEntry d = Dirs[i];
    if (i > 0 && d->Path != GetDirPath(d)) return fail("path of " + d->LongName + " is " + d->Path);
    // The first directory of this path, as a scan of the table finds it.
    PDEntry first_of_path = nullptr;
    for (int32_t j = 1; j < DirCounter && !first_of_path; ++j) {
      if (Dirs[j]->Path == d->Path) first_of_path = Dirs[j];
    }
    if (i > 0 && burner.FindDir(d->Path) != first_of_path) return fail("FindDir(" + d->Path + ")");

    PFEntry prev = nullptr;
    for (PFEntry e = d->FirstFile; e; prev = e, e = e->Next) {
      if (!files.count(e)) return fail("chain of " + d->Path + " holds a released or foreign entry");
      if (++chained > FileCounter) return fail("chains hold more entries than the table");
      if (e->Dir) {
        ++entries_of_dir[e->Dir];
        if (e->Dir->Parent != d) return fail("entry " + e->LongName + " is not in its directory's parent");
      }
      // First entry of this name, as a walk finds it.
      PFEntry match = nullptr, match_prev = nullptr, p = nullptr;
      for (PFEntry w = d->FirstFile; w; p = w, w = w->Next) {
        if (UpperCaseAscii(w->LongName) == UpperCaseAscii(e->LongName)) {
          match = w;
          match_prev = p;
          break;
        }
      }
      if (burner.FindFile(d, e->LongName) != match || PrevFile != match_prev)
        return fail("FindFile(" + d->Path + ", " + e->LongName + ")");
    }
    if (burner.FindFile(d, "no entry has this name") != nullptr || PrevFile != prev)
      return fail("a missed FindFile in " + d->Path + " must leave the last entry in PrevFile");
  }
  if (chained != FileCounter) return fail("entries outside every chain");
  for (int32_t i = 1; i < DirCounter; ++i) {
    if (entries_of_dir[Dirs[i]] != 1) return fail("directory " + Dirs[i]->Path + " has no single entry");
  }
  return ::testing::AssertionSuccess();
}

bool PermissionsAreEnforced(const std::filesystem::path& scratch) {
  auto probe = scratch / "permission_probe";
  std::ofstream(probe) << "x";
  std::filesystem::permissions(probe, std::filesystem::perms::none);
  const bool enforced = !std::ifstream(probe).is_open();
  std::filesystem::permissions(probe, std::filesystem::perms::owner_all);
  std::filesystem::remove(probe);
  return enforced;
}

}  // namespace orlix::test
