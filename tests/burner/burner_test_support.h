// Shared pieces of the burner tests: a burner with its debug lines captured,
// temp folders, and a check of the whole tree against a plain walk of it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "burner/burner.h"
#include "burner/burner_state.h"
#include "iso/tree.h"

namespace orlix::test {

struct DebugLine {
  std::string text;
  uint8_t type;
};

class BurnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    burner = std::make_unique<TOrlixBurner>(nullptr);
    burner->OnDebugMessage = [this](TComponent*, const std::string& text, uint8_t type) {
      lines.push_back({text, type});
    };
  }
  void TearDown() override {
    burner.reset();
    if (!temp_.empty()) {
      std::error_code ec;
      // Folders made unreadable by a test must be opened again to go.
      for (auto& p : std::filesystem::recursive_directory_iterator(
               temp_, std::filesystem::directory_options::skip_permission_denied, ec)) {
        std::filesystem::permissions(p.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
      }
      std::filesystem::remove_all(temp_, ec);
    }
  }

  // A fresh folder for this test.
  const std::filesystem::path& Temp() {
    if (temp_.empty()) {
      temp_ = std::filesystem::temp_directory_path() /
              ("orlix_burner_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
      std::filesystem::remove_all(temp_);
      std::filesystem::create_directories(temp_);
    }
    return temp_;
  }

  // Writes a host file of `size` bytes under the temp folder; returns its path.
  std::string MakeFile(const std::string& relative, size_t size = 1) {
    auto path = Temp() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
    return path.string();
  }

  std::string MakeFolder(const std::string& relative) {
    auto path = Temp() / relative;
    std::filesystem::create_directories(path);
    return path.string();
  }

  // Entries of a directory's chain, by long name, in chain order.
  static std::vector<std::string> Names(PDEntry dir) {
    std::vector<std::string> names;
    for (PFEntry e = dir ? dir->FirstFile : nullptr; e; e = e->Next) names.push_back(e->LongName);
    return names;
  }

  int CountLines(uint8_t type) const {
    int n = 0;
    for (auto& l : lines) n += l.type == type;
    return n;
  }

  std::unique_ptr<TOrlixBurner> burner;
  std::vector<DebugLine> lines;

 private:
  std::filesystem::path temp_;
};

// True when the tables, the chains and every look-up agree with a plain walk.
::testing::AssertionResult TreeIsConsistent(TOrlixBurner& burner);

// Whether this process can still read what permissions forbid (root can).
bool PermissionsAreEnforced(const std::filesystem::path& scratch);

}  // namespace orlix::test
