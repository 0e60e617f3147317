#include "platform/file_kind.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace orlix {

TFileKind FileKindOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    // ENOENT or ELOOP through a link that lstat still finds.
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return TFileKind::BrokenLink;
    return TFileKind::None;
  }
  if (S_ISREG(st.st_mode)) return TFileKind::Regular;
  if (S_ISDIR(st.st_mode)) return TFileKind::Directory;
  if (S_ISFIFO(st.st_mode)) return TFileKind::Fifo;
  if (S_ISSOCK(st.st_mode)) return TFileKind::Socket;
  if (S_ISCHR(st.st_mode)) return TFileKind::CharDevice;
  if (S_ISBLK(st.st_mode)) return TFileKind::BlockDevice;
  return TFileKind::Other;
}

bool FileOnKernelFileSystem(const std::string& path) {
  struct statfs fs {};
  if (statfs(path.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
      return true;
    default:
      return false;
  }
}

bool FileIsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string FileResolveLinks(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  if (FileIsLink(path)) return {};  // a link that leads nowhere
  // A new file: its folder is resolved, its name kept.
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || realpath(folder.c_str(), resolved) == nullptr) return {};
  const std::string base = resolved;
  return base == "/" ? "/" + name : base + "/" + name;
}

int64_t BlockDeviceSize(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  uint64_t size = 0;
  const int rc = ioctl(fd, BLKGETSIZE64, &size);
  close(fd);
  return rc == 0 ? static_cast<int64_t>(size) : -1;
}

bool FileCopyModeAndOwner(const std::string& from, const std::string& to) {
  struct stat st {};
  if (stat(from.c_str(), &st) != 0) return false;
  // The owner first: changing it may clear the set-id bits the mode restores.
  // Only root may give the file away; the group alone when we belong to it.
  if (chown(to.c_str(), st.st_uid, st.st_gid) != 0)
    (void)!chown(to.c_str(), static_cast<uid_t>(-1), st.st_gid);
  return chmod(to.c_str(), st.st_mode & 07777) == 0;
}

}  // namespace orlix
