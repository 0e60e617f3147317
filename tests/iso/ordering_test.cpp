// Path-table order and chain order.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "iso/ordering.h"
#include "iso/path_table.h"
#include "tests/iso/image_tree.h"

namespace orlix {
namespace {

using test::ImageTree;

std::vector<std::string> Names(const std::vector<PDEntry>& table, bool joliet = false) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < DirCounter; ++i) names.push_back(joliet ? table[i]->LongName : table[i]->Name);
  return names;
}

std::vector<std::string> Chain(PFEntry first) {
  std::vector<std::string> names;
  for (PFEntry e = first; e != nullptr; e = e->Next) names.push_back(e->Name);
  return names;
}

TEST(Ordering, TableSorts) {
  ImageTree t;
  SortLN(PathTable, 0, false);
  EXPECT_EQ(t.root->Number, 1);
  t.Dir(t.root, "B", "Zeta");
  t.Dir(t.root, "A", "alpha");
  SortLN(PathTable, 2, false);
  EXPECT_EQ(Names(PathTable), (std::vector<std::string>{"CD_ROOT", "A", "B"}));
  EXPECT_EQ(PathTable[1]->Number, 2);
  EXPECT_EQ(PathTable[2]->Number, 3);
  SortPN(PathTableJ, 2, true);  // capitals first: Zeta before alpha
  EXPECT_EQ(Names(PathTableJ, true), (std::vector<std::string>{"CD Root Directory", "Zeta", "alpha"}));
}

TEST(Ordering, SortFilesByNameOrDirectoriesFirst) {
  for (bool dirs_first : {false, true}) {
    ImageTree t;
    DirectoryFirst = dirs_first;
    t.File(t.root, "README.", 1);
    t.Dir(t.root, "DOCS");
    t.File(t.root, "ABC.", 1);
    SortFiles(t.root->FirstFile, true);
    EXPECT_EQ(Chain(t.root->FirstFile), dirs_first ? (std::vector<std::string>{"DOCS", "ABC.", "README."})
                                                   : (std::vector<std::string>{"ABC.", "DOCS", "README."}));
    DirectoryFirst = false;
  }
  ImageTree t;  // equal keys end in reverse order of arrival
  PFEntry first = t.File(t.root, "SAME", 1);
  PFEntry second = t.File(t.root, "SAME", 2);
  SortFiles(t.root->FirstFile, false);
  EXPECT_EQ(t.root->FirstFile, second);
  EXPECT_EQ(second->Next, first);
}

// Parent numbers never decrease along either table, names ascend among
// siblings, and both tables end in one order.
void ExpectPathTableOrder() {
  for (const std::vector<PDEntry>* table : {&PathTable, &PathTableJ}) {
    for (int32_t i = 1; i < DirCounter; ++i) {
      const PDEntry a = (*table)[i - 1], b = (*table)[i];
      EXPECT_EQ(b->Number, i + 1);
      if (i > 1) ASSERT_LE(a->Parent->Number, b->Parent->Number) << i;
      if (i > 1 && a->Parent == b->Parent) ASSERT_LT(a->Name, b->Name) << i;
      EXPECT_EQ(PathTable[i], PathTableJ[i]);
    }
  }
}

TEST(Ordering, PathTablesOfADeepTreeWithNamesSortingDifferently) {
  ImageTree t;
  PDEntry a = t.Dir(t.root, "ZZ", "aa");
  PDEntry b = t.Dir(t.root, "AA", "zz");
  t.Dir(t.Dir(t.Dir(b, "C"), "D"), "E");
  t.Dir(a, "Y", "b");
  t.Dir(a, "X", "c");
  t.Dir(b, "B");
  OrderPathTables(t.options);
  ExpectPathTableOrder();
  EXPECT_EQ(Names(PathTable),
            (std::vector<std::string>{"CD_ROOT", "AA", "ZZ", "B", "C", "X", "Y", "D", "E"}));
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
