#include "transport/recorder_path.h"

#include "platform/dynamic_library.h"
#include "platform/file_io.h"
#include "platform/module_path.h"

// The library folder's "orlix" folder as seen from the programs' folder; the
// build sets it from the install layout.
#ifndef ORLIX_RECORDER_FROM_BINDIR
#define ORLIX_RECORDER_FROM_BINDIR "../lib/orlix/"
#endif

namespace orlix {

std::string FindVirtualRecorder(const std::string& module_dir, const std::string& exe_dir) {
  const std::string name = LibraryFileName("orlix_vrecorder");
  if (!module_dir.empty()) {
    for (const char* sub : {"orlix/", ORLIX_RECORDER_FROM_BINDIR, ""}) {
      const std::string path = module_dir + sub + name;
      if (FileExists(path)) return path;
    }
  }
  return exe_dir + name;
}

std::string VirtualRecorderPath() {
  return FindVirtualRecorder(ModuleDir(reinterpret_cast<const void*>(&VirtualRecorderPath)), ExecutableDir());
}

}  // namespace orlix
