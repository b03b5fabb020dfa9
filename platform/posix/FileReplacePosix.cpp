#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/FileReplace.h"
#include "platform/ReplacementTarget.h"

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A new file beside `target` that no other writer uses.
int CreateTemporary(const fs::path& target, mode_t mode, fs::path& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TemporaryBeside(target, static_cast<unsigned long>(getpid()));
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;  // EEXIST: left behind by an earlier process
  }
  return -1;
}

void SyncDirectory(const fs::path& dir) {
  const int fd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // the rename reaches the disk too; a file system that cannot say so still renamed
  close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  const fs::path target = ReplacementTarget(path);
  if (target.empty()) return false;

  struct stat old {};
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists) {
    // The rename needs only the directory's permission: ask for the file's own.
    if (!S_ISREG(old.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      return false;
  } else if (errno != ENOENT) {
    return false;
  }

  fs::path temp;
  // A new file gets the usual permissions of new files (0666 less the umask).
  const int fd = CreateTemporary(target, exists ? (old.st_mode & 07777) : 0666, temp);
  if (fd < 0) return false;
  bool ok = true;
  if (exists) {
    // Saving another user's file, only root may give it back to its owner; for anyone else
    // EPERM is expected and the saver owns it. The mode follows, as the creation mode went
    // through the umask and a change of owner may clear bits.
    if ((old.st_uid != geteuid() || old.st_gid != getegid()) &&
        fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
      ok = false;
    ok = ok && fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  SyncDirectory(target.parent_path());
  return true;
}
