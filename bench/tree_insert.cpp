// Inserts a large host tree into the burner's tree with InsertDir and prints
// `entries=N dirs=D seconds=S`.
//
//   bench_tree_insert [spread|flat] [FOLDER]
//
// spread: 65,000 files of 1 KiB in 500 folders; flat: 65,000 files in one
// folder. The host tree is made under FOLDER (default: the temp folder) on
// the first run and reused afterwards.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "burner/burner.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 65000;

bool MakeTree(const fs::path& root, int folders) {
  const fs::path done = root.string() + ".complete";
  if (fs::exists(done)) return true;
  std::fprintf(stderr, "making %d files in %d folder(s) under %s ...\n", kFiles, folders, root.c_str());
  fs::remove_all(root);
  const std::string block(1024, 'x');
  const int per_folder = kFiles / folders;
  for (int d = 0; d < folders; ++d) {
    const fs::path dir = folders == 1 ? root : root / ("folder" + std::to_string(d));
    fs::create_directories(dir);
    for (int f = 0; f < per_folder; ++f) {
      std::ofstream out(dir / ("file" + std::to_string(f) + ".dat"), std::ios::binary);
      out << block;
      if (!out) return false;
    }
  }
  std::ofstream(done) << "ok\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string shape = argc > 1 ? argv[1] : "spread";
  if (shape != "spread" && shape != "flat") {
    std::fprintf(stderr, "usage: %s [spread|flat] [FOLDER]\n", argv[0]);
    return 1;
  }
  const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "orlix_bench_tree";
  const fs::path root = base / shape;
  if (!MakeTree(root, shape == "spread" ? 500 : 1)) {
    std::fprintf(stderr, "cannot make the host tree under %s\n", root.c_str());
    return 1;
  }

  orlix::TOrlixBurner burner(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const int32_t result =
      burner.InsertDir(burner.Root(), root.string(), "*.*", orlix::faAnyFile, true, false, false);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != 1) std::fprintf(stderr, "InsertDir returned %d\n", result);
  std::printf("entries=%d dirs=%d seconds=%.3f\n", burner.GetFilesCount(), burner.GetDirsCount(), seconds);
  return result == 1 ? 0 : 1;
}
