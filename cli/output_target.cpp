#include "cli/output_target.h"

#include <cstdio>

#include "cli/exit_status.h"
#include "cli/name_report.h"
#include "iso/tree.h"
#include "platform/file_io.h"
#include "platform/file_kind.h"
#include "platform/file_search.h"

namespace orlix::cli {
namespace {

int64_t RegularFileSize(const std::string& path) {
  const THandle file = FileOpen(path, fmOpenRead | fmShareDenyNone);
  if (file == kInvalidHandle) return -1;
  const int64_t size = FileSeek(file, 0, 2);
  FileClose(file);
  return size;
}

}  // namespace

int CheckOutput(const std::string& output, bool force, OutputTarget& target) {
  target = OutputTarget{};
  target.path = output;
  if (FileIsLink(output)) {
    // cp's rule: the link's target is written, the link stays.
    target.path = FileResolveLinks(output);
    if (target.path.empty())
      return Fail(output + ": a symbolic link that leads nowhere; name its target, or remove the link");
  }
  const TFileKind kind = FileKindOf(target.path);
  switch (kind) {
    case TFileKind::None:
      return kExitOk;
    case TFileKind::Regular:
      target.replaces = true;
      target.identity = FileIdentity(target.path);
      target.size = RegularFileSize(target.path);
      return kExitOk;
    case TFileKind::BlockDevice:
      if (!force)
        return Fail(output +
                    ": a block device; --force writes the image onto it, where everything it "
                    "holds is lost");
      target.in_place = true;
      target.identity = FileIdentity(target.path);
      target.size = BlockDeviceSize(target.path);
      return kExitOk;
    case TFileKind::Directory:
      return Fail(output + ": a folder; name the image file to write");
    default:
      return Fail(output + ": a " + FileKindName(kind) +
                  "; an image is written only to a regular file (or, with --force, a block device)");
  }
}

int RefuseOutputAsSource(const OutputTarget& target, const ImageOptions& options) {
  if (target.identity.empty()) return kExitOk;
  for (const Graft& g : options.grafts)
    if (FileIdentity(g.path) == target.identity)
      return Fail(g.path + ": the output is one of the sources; writing it would destroy what is read");
  if (!options.boot.empty() && FileIdentity(options.boot) == target.identity)
    return Fail(options.boot + ": the output is the boot image; writing it would destroy what is read");
  return kExitOk;
}

void LeaveOutOutput(TOrlixBurner& burner, const OutputTarget& target) {
  if (target.identity.empty()) return;
  for (int32_t i = 0; i < DirCounter; ++i) {
    PDEntry dir = Dirs[i];
    for (PFEntry e = dir ? dir->FirstFile : nullptr; e;) {
      PFEntry next = e->Next;
      // The size spares a look at the disk for nearly every file.
      if (!e->Dir && !e->SourcePath.empty() && (target.size < 0 || e->Size == target.size) &&
          FileIdentity(e->SourcePath) == target.identity) {
        std::fprintf(stderr, "orlix: %s: the output image itself, not taken into the image\n",
                     Shown(e->SourcePath).c_str());
        burner.RemoveFile(dir, e);
      }
      e = next;
    }
  }
}

}  // namespace orlix::cli
