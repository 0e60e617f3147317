// orlix vdisc: creates and shows the disc files of the virtual recorder,
// through the functions the recorder library exports.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command.h"
#include "platform/dynamic_library.h"
#include "transport/recorder_path.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::cli {
namespace {

struct VDiscOptions {
  std::string file;
  std::string profile;
  long long blocks = 0;
  std::string image;
};

// The recorder library (installed with the library, or beside this program),
// or nullptr with a message.
TLibHandle LoadRecorder() {
  const std::string path = VirtualRecorderPath();
  TLibHandle handle = LoadSharedLibrary(path);
  if (!handle) std::fprintf(stderr, "orlix: cannot load the virtual recorder: %s\n", LibraryError().c_str());
  return handle;
}

template <typename T>
T Function(TLibHandle library, const char* name) {
  auto f = reinterpret_cast<T>(SharedLibrarySymbol(library, name));
  if (!f) std::fprintf(stderr, "orlix: the virtual recorder lacks %s\n", name);
  return f;
}

int RunCreate(const VDiscOptions& options) {
  TLibHandle library = LoadRecorder();
  if (!library) return 1;
  auto last_error = Function<OrlixVRecorderLastErrorFn>(library, "OrlixVRecorderLastError");
  int result = -1;
  if (options.image.empty()) {
    auto create = Function<OrlixVDiscCreateFn>(library, "OrlixVDiscCreate");
    if (create && last_error) result = create(options.file.c_str(), options.profile.c_str(), options.blocks);
  } else {
    auto create = Function<OrlixVDiscCreateFromImageFn>(library, "OrlixVDiscCreateFromImage");
    if (create && last_error)
      result = create(options.file.c_str(), options.profile.c_str(), options.image.c_str());
  }
  if (result != 0 && last_error) std::fprintf(stderr, "orlix: %s\n", last_error());
  if (result == 0) std::printf("created %s\n", options.file.c_str());
  FreeSharedLibrary(library);
  return result == 0 ? 0 : 1;
}

int RunShow(const VDiscOptions& options) {
  TLibHandle library = LoadRecorder();
  if (!library) return 1;
  auto describe = Function<OrlixVDiscDescribeFn>(library, "OrlixVDiscDescribe");
  auto last_error = Function<OrlixVRecorderLastErrorFn>(library, "OrlixVRecorderLastError");
  int status = 1;
  if (describe && last_error) {
    int length = describe(options.file.c_str(), nullptr, 0);
    if (length < 0) {
      std::fprintf(stderr, "orlix: %s\n", last_error());
    } else {
      std::string text(static_cast<size_t>(length) + 1, '\0');
      describe(options.file.c_str(), text.data(), length + 1);
      text.resize(static_cast<size_t>(length));
      std::fputs(text.c_str(), stdout);
      status = 0;
    }
  }
  FreeSharedLibrary(library);
  return status;
}

const CommandRegistration registration("vdisc", [](CLI::App& app, int& exit_code) {
  auto options = std::make_shared<VDiscOptions>();
  CLI::App* cmd = app.add_subcommand("vdisc", "Create or show a disc file of the virtual recorder");
  cmd->require_subcommand(1);

  CLI::App* create = cmd->add_subcommand("create", "Create a new disc file (and FILE.desc beside it)");
  create->add_option("FILE", options->file, "Disc file")->required();
  create
      ->add_option("--profile", options->profile,
                   "Medium: cd-rom, cd-r, cd-rw, dvd-rom, dvd-r, dvd-rw, dvd-rw-ro, dvd-ram, dvd+r, dvd+rw")
      ->required();
  create
      ->add_option("--blocks", options->blocks, "Capacity in 2048-byte blocks (default: the medium's usual)")
      ->check(CLI::PositiveNumber);
  create->add_option("--image", options->image, "Content of a cd-rom or dvd-rom disc");
  create->footer(
      "Recordable media start blank (DVD-RAM and dvd-rw-ro formatted); pressed media hold --image, or "
      "FILE itself when it already exists. Exit status 1 when the disc cannot be created.");
  create->callback([options, &exit_code] { exit_code = RunCreate(*options); });

  CLI::App* show = cmd->add_subcommand("show", "Show the medium, status, sessions and tracks of a disc file");
  show->add_option("FILE", options->file, "Disc file")->required();
  show->callback([options, &exit_code] { exit_code = RunShow(*options); });
});

}  // namespace
}  // namespace orlix::cli
