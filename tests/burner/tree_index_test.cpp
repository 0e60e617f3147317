// The look-up indexes answer as a plain walk does, whatever edits and re-linking came before.
#include <random>

#include "iso/ordering.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using IndexTest = BurnerTest;

TEST_F(IndexTest, RandomEditsAgreeWithAWalk) {
  std::mt19937 rng(20040308);
  const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const auto name = [&] { return Strings{"a.txt", "A.TXT", "b.txt", "c", "Docs", "docs"}[pick(6)]; };
  const auto path = [&](PDEntry d) { return d == burner->Root() ? std::string("\\") : d->Path; };
  const auto entry = [&](PDEntry d) {
    std::vector<PFEntry> all;
    for (PFEntry e = d->FirstFile; e; e = e->Next) all.push_back(e);
    return all.empty() ? nullptr : all[pick(static_cast<int>(all.size()))];
  };
  ASSERT_TRUE(burner->ClearAll(400, 60));
  for (int step = 0; step < 1500; ++step) {
    PDEntry dir = Dirs[pick(DirCounter)];
    PFEntry e = entry(dir);
    const int op = pick(10);
    if (op <= 1) Mem(path(dir), name());
    if (op == 2) burner->CreateDir(dir, name(), 0x10);
    if (op == 3 && e) burner->RemoveFile(dir, e);
    if (op == 4 && dir != burner->Root() && pick(4) == 0) burner->RemoveDir(dir);
    if (op == 5 && e) burner->MoveFile(Dirs[pick(DirCounter)], dir, e);
    if (op == 6 && e) burner->RenameFile(e, name(), "");
    if (op == 7) SortFiles(dir->FirstFile, pick(2) == 0);
    if (op == 8) {
      // Reversed by hand, maybe without telling the tree, then edited at once.
      PFEntry rev = nullptr;
      while (PFEntry head = dir->FirstFile) {
        dir->FirstFile = head->Next, head->Next = rev, rev = head;
      }
      dir->FirstFile = rev;
      if (pick(2) == 0) ChainChanged(dir);
      if (pick(2) == 0)
        Mem(path(dir), name());
      else if ((e = entry(dir)))
        burner->RemoveFile(dir, e);
    }
    if (op == 9) {
      // A record of its own linked at the head, as an importer does, maybe
      // without telling the tree.
      PFEntry own = nullptr;
      burner->New_F(own);
      if (!own) continue;
      own->LongName = name(), own->Next = dir->FirstFile, dir->FirstFile = own;
      if (pick(2) == 0) ChainChanged(dir);
    }
    ASSERT_TRUE(TreeIsConsistent(*burner)) << "after step " << step << ", operation " << op;
  }
}

}  // namespace
}  // namespace orlix::test
