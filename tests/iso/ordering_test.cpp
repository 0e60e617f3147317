// Path-table order and chain order.
#include <gtest/gtest.h>

#include <cstdio>

#include "iso/ordering.h"
#include "iso/path_table.h"
#include "tests/iso/image_tree.h"

namespace orlix {
namespace {

using test::ImageTree;
using Strings = std::vector<std::string>;

Strings Names(const std::vector<PDEntry>& table) {
  Strings names;
  for (int32_t i = 0; i < DirCounter; ++i) names.push_back(table[i]->Name);
  return names;
}

// Parent numbers never decrease along either table, names ascend among
// siblings, and both tables end in one order.
void ExpectPathTableOrder() {
  for (const std::vector<PDEntry>* table : {&PathTable, &PathTableJ}) {
    for (int32_t i = 1; i < DirCounter; ++i) {
      const PDEntry a = (*table)[i - 1], b = (*table)[i];
      ASSERT_EQ(b->Number, i + 1);
      ASSERT_EQ(PathTable[i], PathTableJ[i]);
      if (i == 1) continue;
      ASSERT_LE(a->Parent->Number, b->Parent->Number) << i;
      if (a->Parent == b->Parent) {
        ASSERT_LT(a->Name, b->Name) << i;
      }
    }
  }
}

TEST(Ordering, PathTablesOfADeepTreeWithNamesSortingDifferently) {
  ImageTree t;
  PDEntry a = t.Dir(t.root, "ZZ", "aa"), b = t.Dir(t.root, "AA", "zz");
  t.Dir(t.Dir(t.Dir(b, "C"), "D"), "E");
  t.Dir(a, "Y", "b");
  t.Dir(a, "X", "c");
  t.Dir(b, "B");
  OrderPathTables(t.options);
  ExpectPathTableOrder();
  EXPECT_EQ(Names(PathTable), (Strings{"CD_ROOT", "AA", "ZZ", "B", "C", "X", "Y", "D", "E"}));
  // A chain sorts by name, or with its directories first.
  t.File(t.root, "ABC.", 1);
  for (bool dirs_first : {false, true}) {
    DirectoryFirst = dirs_first;
    SortFiles(t.root->FirstFile, true);
    Strings chain;
    for (PFEntry e = t.root->FirstFile; e != nullptr; e = e->Next) chain.push_back(e->Name);
    EXPECT_EQ(chain, dirs_first ? (Strings{"AA", "ZZ", "ABC."}) : (Strings{"AA", "ABC.", "ZZ"}));
  }
}

// Directory numbers from 10,000 on must still sort after smaller ones.
TEST(Ordering, PathTablesBeyondNineThousandNineHundredNinetyNineDirectories) {
  ImageTree t(10100, 10200);
  std::vector<PDEntry> top;
  char name[16];
  for (int i = 0; i < 10050; ++i) {
    std::snprintf(name, sizeof name, "D%05d", i);
    top.push_back(t.Dir(t.root, name));
  }
  for (int i : {9990, 10020, 10040, 9000}) t.Dir(top[i], "SUB");
  OrderPathTables(t.options);
  ExpectPathTableOrder();
  EXPECT_EQ(PathTable[DirCounter - 1]->Parent, top[10040]);
}

}  // namespace
}  // namespace orlix
