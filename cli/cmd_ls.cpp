// orlix ls: the tree of a session of the disc in the drive, one entry a line.
#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "cli/disc_session.h"
#include "cli/drive_option.h"
#include "cli/exit_status.h"

namespace orlix::cli {
namespace {

struct LsOptions {
  DriveOptions drive;
  int session = kLastSession;
  bool long_form = false;
  std::string path = "/";
};

std::string DateText(TDateTime t) {
  if (t < 1) return "-------------------";  // the record's date was impossible
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(t, y, mo, d);
  DecodeTime(t, h, mi, s, ms);
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", y, mo, d, h, mi, s);
  return text;
}

class Lister {
 public:
  explicit Lister(bool long_form) : long_form_(long_form) {}

  void File(const TFEntry& e, const std::string& path) {
    if (long_form_) {
      const std::string sector = e.Imported ? std::to_string(e.Address) : "-";
      std::printf("%12lld  %s  %10s  %s\n", static_cast<long long>(e.Size), DateText(e.DateTime).c_str(),
                  sector.c_str(), Printable(path).c_str());
    } else {
      std::printf("%s\n", Printable(path).c_str());
    }
  }
  void Folder(const TFEntry* e, const std::string& path) {
    if (long_form_)
      std::printf("%12s  %s  %10s  %s\n", "<dir>", e ? DateText(e->DateTime).c_str() : DateText(0).c_str(), "-",
                  Printable(path).c_str());
    else
      std::printf("%s\n", Printable(path).c_str());
  }
  // Everything below `dir`, folders before their content.
  void Below(PDEntry dir, const std::string& path) {
    for (PFEntry e = dir->FirstFile; e != nullptr; e = e->Next) {
      const std::string here = path + HostName(*e);
      if (e->Dir != nullptr) {
        Folder(e, here + "/");
        Below(e->Dir, here + "/");
      } else {
        File(*e, here);
      }
    }
  }

 private:
  bool long_form_;
};

int RunLs(LsOptions& o) {
  TOrlixBurner burner(nullptr);
  std::string error;
  if (!OpenDrive(burner, o.drive, error)) return Fail(error);
  size_t problems = 0;
  if (int rc = ReadSession(burner, o.session, o.drive.quiet, problems); rc != kExitOk) return rc;
  const DiscEntry found = FindOnDisc(burner, o.path);
  if (!found.Found()) return Fail("no " + Printable(o.path) + " in the session");
  Lister list(o.long_form);
  if (found.file != nullptr) {
    list.File(*found.file, o.path);
  } else {
    std::string path = "/";
    for (PDEntry d = found.dir; d != burner.Root(); d = d->Parent) path = "/" + d->LongName + path;
    list.Below(found.dir, path);
  }
  std::fflush(stdout);
  if (problems > 0)
    return Fail("the session is damaged or has entries that could not be read (named above)", kExitLeftOut);
  return kExitOk;
}

const CommandRegistration registration("ls", [](CLI::App& app, int& exit_code) {
  auto o = std::make_shared<LsOptions>();
  CLI::App* cmd = app.add_subcommand("ls", "List the files of a session of the disc in the drive");
  AddDriveOptions(*cmd, o->drive);
  AddSessionOption(*cmd, o->session, "The session to list: 1 to 127, -1 the last (default), -2 the one before");
  cmd->add_flag("-l,--long", o->long_form, "Size, date and first sector on the disc before each path");
  cmd->add_option("PATH", o->path, "A folder (everything below it is listed) or a file; default /");
  cmd->footer(
      "Paths are the Joliet names (or the ISO 9660 names of a session without Joliet), '/' between folders; "
      "a folder's path ends with '/'. Folders are written anew with each session, so they show no sector.\n"
      "Exit status: 0 listed; 1 error (no drive, no disc, no such session or path); 2 listed, but the "
      "session is damaged or entries could not be read (named on stderr); 64 usage error.");
  cmd->callback([o, &exit_code] { exit_code = RunLs(*o); });
});

}  // namespace
}  // namespace orlix::cli
