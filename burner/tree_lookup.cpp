// Finding directories by image path and entries by long name.
#include "burner/burner.h"
#include "burner/burner_state.h"
#include "burner/tree_names.h"
#include "iso/tree_index.h"

namespace orlix {

PDEntry TOrlixBurner::FindDir(const std::string& path) {
  if (path.empty() || path == "\\") return root_;
  std::string key = path;
  if (key.back() == '\\') key.pop_back();
  return tree_index::FindDir(UpperCaseAscii(key));
}

PFEntry TOrlixBurner::FindFile(PDEntry dir, const std::string& long_name) {
  return tree_index::FindFile(dir, UpperCaseAscii(long_name), PrevFile);
}

}  // namespace orlix
