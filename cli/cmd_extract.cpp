// orlix extract: copies a file, or a folder with everything below it, from a
// session of the disc in the drive to the host, keeping dates. Names on the
// disc are untrusted: one that would not stay inside the destination is
// left out and named.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/command.h"
#include "cli/disc_session.h"
#include "cli/drive_option.h"
#include "cli/exit_status.h"
#include "cli/progress_bar.h"
#include "platform/console.h"
#include "platform/file_kind.h"

namespace orlix::cli {
namespace {

namespace fs = std::filesystem;

// Copies this large show a progress line on a terminal.
constexpr int64_t kBarFromBytes = 16 << 20;

struct ExtractOptions {
  DriveOptions drive;
  int session = kLastSession;
  bool recursive = false;
  std::string disc_path, dest;
};

fs::path HostPath(const std::string& utf8) { return fs::path(reinterpret_cast<const char8_t*>(utf8.c_str())); }

std::string Utf8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

void SetFolderDate(const fs::path& folder, TDateTime date) {
  if (date < 1) return;
  using namespace std::chrono;
  std::error_code ec;
  fs::last_write_time(folder, file_clock::from_sys(sys_seconds{seconds{DateTimeToUnix(date)}}), ec);
}

int64_t BytesBelow(PDEntry dir) {
  int64_t total = 0;
  for (PFEntry e = dir->FirstFile; e != nullptr; e = e->Next)
    total += e->Dir != nullptr ? BytesBelow(e->Dir) : e->Size;
  return total;
}

class Extraction {
 public:
  Extraction(TOrlixBurner& burner, const ExtractOptions& o, int64_t total)
      : burner_(burner), o_(o), bar_(!o.drive.quiet && IsTerminal(2) && total >= kBarFromBytes), total_(total) {
    // The library tells why a copy failed on its debug channel.
    auto shown = burner_.OnDebugMessage;
    burner_.OnDebugMessage = [this, shown](TComponent* sender, const std::string& text, uint8_t type) {
      if (type == 4) last_error_ = text.rfind(">>> ", 0) == 0 ? text.substr(4) : text;
      if (shown) shown(sender, text, type);
    };
    burner_.OnExtractProgress = [this](int64_t written, int64_t) { Show(done_ + written); };
  }
  ~Extraction() {
    burner_.OnExtractProgress = nullptr;
    bar_.Clear();
  }

  void File(const TFEntry& e, const fs::path& host, const std::string& disc_path) {
    current_ = disc_path;
    Show(done_);
    // A FIFO would stop the copy for good, and a device would take the data
    // and be deleted should the copy fail: only a regular file is replaced.
    if (const TFileKind kind = FileKindOf(Utf8(host));
        kind != TFileKind::None && kind != TFileKind::Regular) {
      bar_.Clear();
      ++failed_;
      Fail(Printable(Utf8(host)) + ": a " + FileKindName(kind) + "; only a regular file is written over");
      done_ += e.Size;
      return;
    }
    if (burner_.ExtractFile(const_cast<PFEntry>(&e), Utf8(host))) {
      ++files_;
    } else {
      bar_.Clear();
      ++failed_;
      Fail(Printable(disc_path) + " could not be copied: " + Printable(last_error_));
    }
    done_ += e.Size;
  }

  // Everything below `dir` into the existing folder `host`.
  void Folder(PDEntry dir, const fs::path& host, const std::string& disc_path) {
    for (PFEntry e = dir->FirstFile; e != nullptr; e = e->Next) {
      const std::string name = HostName(*e);
      const std::string here = disc_path + name + (e->Dir ? "/" : "");
      const std::string why = UnsafeHostName(name);
      if (!why.empty()) {
        LeftOut(here, why);
        if (e->Dir) done_ += BytesBelow(e->Dir);
        else done_ += e->Size;
        continue;
      }
      const fs::path target = host / HostPath(name);
      if (e->Dir == nullptr) {
        File(*e, target, here);
        continue;
      }
      std::error_code ec;
      fs::create_directory(target, ec);
      if (!fs::is_directory(target)) {
        bar_.Clear();
        ++failed_;
        Fail("cannot make the folder " + Printable(Utf8(target)) + (ec ? ": " + ec.message() : ""));
        done_ += BytesBelow(e->Dir);
        continue;
      }
      Folder(e->Dir, target, here);
      SetFolderDate(target, e->DateTime);
    }
  }

  void LeftOut(const std::string& disc_path, const std::string& why) {
    bar_.Clear();
    ++left_out_;
    std::fprintf(stderr, "orlix: left out %s: its name would not stay inside %s (%s)\n",
                 Printable(disc_path).c_str(), Printable(o_.dest).c_str(), why.c_str());
  }

  int Failed() const { return failed_; }
  int LeftOutCount() const { return left_out_; }
  int Files() const { return files_; }
  int64_t Bytes() const { return done_; }

 private:
  void Show(int64_t done) {
    ProgressFacts facts;
    facts.phase = "extracting";
    facts.done = done;
    facts.total = total_;
    facts.file = current_;
    bar_.Update(facts);
  }

  TOrlixBurner& burner_;
  const ExtractOptions& o_;
  ProgressBar bar_;
  int64_t total_ = 0, done_ = 0;
  int files_ = 0, failed_ = 0, left_out_ = 0;
  std::string current_, last_error_;
};

int RunExtract(ExtractOptions& o) {
  TOrlixBurner burner(nullptr);
  std::string error;
  if (!OpenDrive(burner, o.drive, error)) return Fail(error);
  size_t problems = 0;
  if (int rc = ReadSession(burner, o.session, o.drive.quiet, problems); rc != kExitOk) return rc;
  const DiscEntry found = FindOnDisc(burner, o.disc_path);
  if (!found.Found()) return Fail("no " + Printable(o.disc_path) + " in the session");
  const fs::path dest = HostPath(o.dest);
  std::error_code ec;

  if (found.file != nullptr) {
    fs::path target = dest;
    // Into a folder the file keeps its name, which must stay inside it.
    if (fs::is_directory(dest, ec)) {
      const std::string name = HostName(*found.file);
      if (const std::string why = UnsafeHostName(name); !why.empty()) {
        Extraction(burner, o, 0).LeftOut(o.disc_path, why);
        return kExitLeftOut;
      }
      target = dest / HostPath(name);
    }
    Extraction copy(burner, o, found.file->Size);
    copy.File(*found.file, target, o.disc_path);
    return copy.Failed() > 0 ? kExitError : problems > 0 ? kExitLeftOut : kExitOk;
  }

  if (!o.recursive) return Fail(Printable(o.disc_path) + " is a folder: -r copies a folder with its content");
  fs::create_directories(dest, ec);
  if (!fs::is_directory(dest, ec)) return Fail("cannot make the folder " + Printable(o.dest));
  std::string disc_path = "/";
  for (PDEntry d = found.dir; d != burner.Root(); d = d->Parent) disc_path = "/" + d->LongName + disc_path;
  Extraction copy(burner, o, BytesBelow(found.dir));
  copy.Folder(found.dir, dest, disc_path);
  if (found.dir != burner.Root()) {
    PDEntry holder = found.dir->Parent;
    for (PFEntry e = holder->FirstFile; e != nullptr; e = e->Next)
      if (e->Dir == found.dir) SetFolderDate(dest, e->DateTime);
  }
  if (!o.drive.quiet)
    std::printf("extracted: %d file(s), %lld bytes to %s\n", copy.Files(), static_cast<long long>(copy.Bytes()),
                Printable(o.dest).c_str());
  if (copy.Failed() > 0) return Fail(std::to_string(copy.Failed()) + " file(s) could not be copied (named above)");
  if (copy.LeftOutCount() > 0 || problems > 0)
    return Fail(std::to_string(copy.LeftOutCount() + problems) + " entr(ies) left out (named above)", kExitLeftOut);
  return kExitOk;
}

const CommandRegistration registration("extract", [](CLI::App& app, int& exit_code) {
  auto o = std::make_shared<ExtractOptions>();
  CLI::App* cmd = app.add_subcommand("extract", "Copy a file or a folder from a session of the disc in the drive");
  AddDriveOptions(*cmd, o->drive);
  AddSessionOption(*cmd, o->session, "The session to copy from: 1 to 127, -1 the last (default), -2 the one before");
  cmd->add_flag("-r,--recursive", o->recursive, "Copy a folder with everything below it");
  cmd->add_option("DISCPATH", o->disc_path, "The file or folder on the disc, such as /docs/a.txt")->required();
  cmd->add_option("DEST", o->dest,
                  "For a file: the host file, or an existing folder to put it in; for a folder: the host folder "
                  "that receives its content (made when missing)")
      ->required();
  cmd->footer(
      "Files and folders keep their dates; existing files are replaced. A name on the disc that would not "
      "stay inside DEST (\"..\", a separator, a drive or device name) is left out and named, and the rest "
      "goes on. A file whose sectors cannot be read is not left behind half copied.\n"
      "Exit status: 0 copied; 1 error (no drive, disc, session or path; a file that could not be read or "
      "written); 2 copied, but entries were left out (named on stderr); 64 usage error.");
  cmd->callback([o, &exit_code] { exit_code = RunExtract(*o); });
});

}  // namespace
}  // namespace orlix::cli
