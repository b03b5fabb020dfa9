#include <fcntl.h>
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

bool TAppendFile::Open(const std::string& path, std::string& error) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Failed("open", error);
  handle_ = fd;
  return true;
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
