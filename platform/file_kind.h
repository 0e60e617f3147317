// What a host path names (a regular file, a folder, a FIFO, a device...),
// and the few things writing an image over an existing file needs: where a
// link leads, how large a block device is, and the old file's mode and owner.
#pragma once

#include <cstdint>
#include <string>

namespace orlix {

enum class TFileKind {
  None,  // nothing there
  Regular,
  Directory,
  Fifo,
  Socket,
  CharDevice,
  BlockDevice,
  BrokenLink,  // a symbolic link that leads nowhere (or round in a loop)
  Other,
};

// The kind of what `path` names, links followed.
TFileKind FileKindOf(const std::string& path);
// "FIFO", "block device", ...: the kind in words, for messages.
const char* FileKindName(TFileKind kind);
// True when `path` lies on a file system the kernel makes up as it is read
// (/proc, /sys and their kind): sizes there say nothing of the data.
bool FileOnKernelFileSystem(const std::string& path);
// True when `path` itself is a symbolic link.
bool FileIsLink(const std::string& path);
// The path every link in `path` leads to, made absolute; empty when a link
// leads nowhere. A last component that does not exist yet is kept as given.
std::string FileResolveLinks(const std::string& path);
// The size in bytes of the block device `path`; -1 when it cannot be told.
int64_t BlockDeviceSize(const std::string& path);
// Gives `to` the permission bits of `from`, and its owner and group where
// this process may (a file is never left worse off when it may not): a
// replaced file keeps what it had, as cp does. False when the mode could not
// be given.
bool FileCopyModeAndOwner(const std::string& from, const std::string& to);

}  // namespace orlix
