#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/AppendFile.h"

namespace {

bool Failed(const char* step, std::string& error) {
  error = std::string(step) + ": " + std::strerror(errno);
  return false;
}

}  // namespace

TAppendFile::TOpen TAppendFile::Open(const std::string& path, std::string& error) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    Failed("open", error);
    return TOpen::Failed;
  }
  // flock locks belong to the open file description, so a second TAppendFile of the same
  // process is kept out as well as another process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    Failed("flock", error);
    ::close(fd);
    return busy ? TOpen::Busy : TOpen::Failed;
  }
  handle_ = fd;
  return TOpen::Opened;
}

bool TAppendFile::Append(std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed("write", error);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool TAppendFile::Sync(std::string& error) {
  if (::fdatasync(static_cast<int>(handle_)) != 0) return Failed("fdatasync", error);
  return true;
}

void TAppendFile::Close() {
  if (handle_ == kClosed) return;
  ::close(static_cast<int>(handle_));
  handle_ = kClosed;
}
