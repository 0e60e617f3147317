// A small application of the installed library: it puts the folders named on
// its command line into an ISO 9660 + Joliet image and records it, on a drive
// or on the virtual recorder, following the recording's events.
//
//   orlix_example [--drive A:T:L | --virtual DISCFILE[,profile=P]] FOLDER...
//
// The calling order: start a drive layer and select a drive, read the disc,
// fill the tree, prepare, then BurnCD and pump the main thread's queue until
// OnWriteDone has arrived.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <orlix/burner/burner.h>
#include <orlix/framework/thread.h>
#include <orlix/messages/messages.h>
#include <orlix/transport/recorder_path.h>
#include <orlix/vrecorder/vrecorder_api.h>

using namespace orlix;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "orlix_example: %s\n", message.c_str());
  return 1;
}

// The virtual recorder is an ASPI manager library: configure it with its
// disc file, then start the layer on that same library.
bool StartVirtualRecorder(TOrlixBurner& burner, const std::string& spec, std::string& error) {
  const std::string library = VirtualRecorderPath();
  void* handle = dlopen(library.c_str(), RTLD_NOW);  // kept loaded: the layer shares it
  if (!handle) {
    error = "cannot load the virtual recorder " + library + ": " + dlerror();
    return false;
  }
  auto configure = reinterpret_cast<OrlixVRecorderConfigureFn>(dlsym(handle, "OrlixVRecorderConfigure"));
  auto last_error = reinterpret_cast<OrlixVRecorderLastErrorFn>(dlsym(handle, "OrlixVRecorderLastError"));
  if (!configure || !last_error) {
    error = library + " is not a virtual recorder";
    return false;
  }
  if (configure(spec.c_str()) != 0) {
    error = std::string("virtual recorder: ") + last_error();
    return false;
  }
  if (!burner.InitializeASPI(false, library)) {
    error = "the layer did not start on " + library;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string drive, virtual_disc;
  std::vector<std::string> folders;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--drive" || arg == "--virtual") && i + 1 < argc)
      (arg == "--drive" ? drive : virtual_disc) = argv[++i];
    else if (arg.rfind("--", 0) == 0)
      return Fail("usage: orlix_example [--drive A:T:L | --virtual DISCFILE[,profile=P]] FOLDER...");
    else
      folders.push_back(arg);
  }
  if (folders.empty()) return Fail("name at least one folder to record");

  // Events are raised on the thread that called SetMainThread, from inside
  // CheckSynchronize.
  SetMainThread();
  TOrlixBurner burner(nullptr);

  // 1. A drive.
  std::string error;
  if (!virtual_disc.empty()) {
    if (!StartVirtualRecorder(burner, virtual_disc, error)) return Fail(error);
  } else if (!burner.InitializeASPI(true, "")) {
    return Fail("no drive access: no ASPI manager and no CD/DVD drive");
  }
  if (burner.DeviceList().Count() == 0) return Fail("no drive found");
  burner.SetDeviceID(drive.empty() ? burner.DeviceList().Strings(0) : drive);

  // 2. Its facts and the disc's.
  const TDisc disc = burner.GetDiscInformation();
  std::printf("drive:  %s at %u:%u:%u, writes up to %u kB/s\n", burner.DeviceName().c_str(), burner.HaId(),
              burner.Target(), burner.Lun(), static_cast<unsigned>(burner.MaxWriteSpeed()));
  if (!disc.Ready) return Fail("no disc in the drive");
  std::printf("disc:   %s, %u of %u blocks free, %u session(s)\n", disc.Medium.c_str(),
              burner.FreeBlocksOnDisc(), burner.TotalBlocksOnDisc(), burner.SessionsOnDisc());

  // 3. The tree: each folder under its own name in the root.
  burner.SetIdVolume("ORLIX_EXAMPLE");
  burner.SetJolietFileSystem(true);
  burner.SetLastDirOnly(true);
  for (const std::string& folder : folders)
    if (burner.InsertDir("\\", folder, "*.*", faAnyFile, true, true, false) < 0)
      return Fail("cannot read " + folder);
  std::printf("tree:   %d folders, %d entries\n", burner.GetDirsCount(), burner.GetFilesCount());

  // 4. Prepare against the disc in the drive (where the session starts).
  burner.PrepareCD();
  std::printf("image:  %lld sectors from sector %u\n", static_cast<long long>(burner.GetImageSize()),
              burner.NextWritableAddress());

  // 5. Record. The result arrives through OnWriteDone, raised on this
  // thread while it pumps CheckSynchronize; BufferProgress and BytesWritten
  // may be read meanwhile.
  bool done = false;
  std::string result;
  burner.OnWriteDone = [&](TComponent*, const std::string& text) {
    done = true;
    result = text;
  };
  burner.OnFinalizingTrack = [](TComponent*) { std::printf("\nclosing the session\n"); };
  if (!burner.BurnCD() && !done) return Fail("another recording runs");
  const long long total = burner.GetImageSize() * 2048;
  std::string shown;
  while (!done) {
    CheckSynchronize(200);
    char line[64];
    std::snprintf(line, sizeof line, "\rwriting %3lld%%  cache %3d%%",
                  total ? burner.BytesWritten() * 100 / total : 0, burner.BufferProgress());
    if (line != shown) std::fputs(line, stdout);
    shown = line;
    std::fflush(stdout);
  }
  std::printf("\n");
  if (!IsSuccess(result)) return Fail("recording failed: " + result);
  std::printf("recorded %lld bytes\n", static_cast<long long>(burner.BytesWritten()));
  return 0;
}
