// Path-table order and entry-chain order.
#include "iso/ordering.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "iso/joliet_names.h"

namespace orlix {
namespace {

// A number and a name, compared number first. Comparing the number as a
// number (not as zero-padded text) keeps the order right past 9999.
struct NumberName {
  int64_t number;
  std::string_view name;  // compared as unsigned bytes, a prefix first
  bool operator>(const NumberName& o) const {
    if (number != o.number) return number > o.number;
    return name.compare(o.name) > 0;
  }
};

// Exchange sort with halving gaps over elements 1..last, then numbering.
// Keys are taken once, before anything moves, and travel with their element;
// only a strictly greater key exchanges, so an ordered table stays as it is.
template <typename Key, typename KeyOf>
void ExchangeSort(std::span<PDEntry> table, int32_t last, KeyOf key_of) {
  if (last < 0 || table.empty()) return;
  if (static_cast<size_t>(last) >= table.size()) last = static_cast<int32_t>(table.size()) - 1;
  std::vector<Key> keys(static_cast<size_t>(last) + 1);
  for (int32_t i = 1; i <= last; ++i) keys[i] = key_of(table[i]);
  int32_t gap = last;
  while (gap > 1) {
    gap /= 2;
    bool sorted;
    do {
      sorted = true;
      for (int32_t i = 1; i <= last - gap; ++i) {
        if (keys[i] > keys[i + gap]) {
          std::swap(table[i], table[i + gap]);
          std::swap(keys[i], keys[i + gap]);
          sorted = false;
        }
      }
    } while (!sorted);
  }
  for (int32_t i = 0; i <= last; ++i) table[i]->Number = i + 1;
}

std::string_view NameOf(PDEntry d, bool joliet) { return joliet ? JolietNameOf(d) : d->Name; }

// Parent numbers never decrease along the table, nor do own numbers.
bool InPathTableOrder(std::span<PDEntry> table, int32_t from, int32_t last) {
  int32_t prev_parent = 0, prev_number = 0;
  for (int32_t i = from; i <= last; ++i) {
    const int32_t parent = table[i]->Parent->Number;
    const int32_t number = table[i]->Number;
    if (parent < prev_parent || number < prev_number) return false;
    prev_parent = parent;
    prev_number = number;
  }
  return true;
}

}  // namespace

void SortLevel(std::span<PDEntry> table, int32_t last) {
  ExchangeSort<int32_t>(table, last, [](PDEntry d) { return static_cast<int32_t>(d->Level); });
}

void SortNumber(std::span<PDEntry> table, int32_t last) {
  ExchangeSort<int32_t>(table, last, [](PDEntry d) { return d->Number; });
}

void SortParent(std::span<PDEntry> table, int32_t last) {
  ExchangeSort<int32_t>(table, last, [](PDEntry d) { return d->Parent->Number; });
}

void SortLN(std::span<PDEntry> table, int32_t last, bool joliet) {
  ExchangeSort<NumberName>(table, last, [joliet](PDEntry d) {
    return NumberName{d->Level, NameOf(d, joliet)};
  });
}

void SortPN(std::span<PDEntry> table, int32_t last, bool joliet) {
  ExchangeSort<NumberName>(table, last, [joliet](PDEntry d) {
    return NumberName{d->Parent->Number, NameOf(d, joliet)};
  });
}

namespace {

// True when the chain was relinked.
bool SortChain(PFEntry& first, bool dirs_first) {
  if (first == nullptr || first->Next == nullptr) return false;
  const bool grouped = DirectoryFirst && dirs_first;
  // Each entry goes in front of the entries whose key equals its own, so
  // equal keys end in reverse order of arrival: a stable sort of the chain
  // read backwards gives exactly that, in n log n.
  std::vector<PFEntry> chain;
  for (PFEntry e = first; e != nullptr; e = e->Next) chain.push_back(e);
  std::reverse(chain.begin(), chain.end());
  std::stable_sort(chain.begin(), chain.end(), [grouped](PFEntry a, PFEntry b) {
    if (grouped) {
      const bool a_dir = (a->Attr & 0x10) != 0, b_dir = (b->Attr & 0x10) != 0;
      if (a_dir != b_dir) return a_dir;
    }
    return std::string_view(a->Name).compare(b->Name) < 0;
  });
  for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i]->Next = chain[i + 1];
  chain.back()->Next = nullptr;
  first = chain.front();
  return true;
}

}  // namespace

void SortFiles(PFEntry& first, bool dirs_first) {
  if (!SortChain(first, dirs_first)) return;
  // The chain is normally a directory's own FirstFile: tell the tree.
  for (int32_t i = 0; i < DirCounter; ++i) {
    if (Dirs[i] != nullptr && &Dirs[i]->FirstFile == &first) {
      ChainChanged(Dirs[i]);
      break;
    }
  }
}

void SortFiles(PDEntry dir, bool dirs_first) {
  if (SortChain(dir->FirstFile, dirs_first)) ChainChanged(dir);
}

void OrderPathTables(const TImageOptions& options) {
  const int32_t last = DirCounter - 1;
  options.Diagnostic("Sorting .... ISO9660 LN-PN");
  SortLN(PathTable, last, false);
  SortPN(PathTable, last, false);
  options.Diagnostic("Sorting .... Joliet  LN-PN");
  SortLN(PathTableJ, last, true);
  SortPN(PathTableJ, last, true);
  for (;;) {
    options.Diagnostic("Sorting .... ISO9660");
    SortNumber(PathTable, last);
    SortParent(PathTable, last);
    SortNumber(PathTable, last);
    SortPN(PathTable, last, false);
    if (!InPathTableOrder(PathTable, 1, last)) continue;
    options.Diagnostic("Sorting .... Joliet");
    SortNumber(PathTableJ, last);
    SortParent(PathTableJ, last);
    if (!InPathTableOrder(PathTableJ, 0, last)) continue;
    break;
  }
  options.Diagnostic("Sorting .... Done");
}

}  // namespace orlix
