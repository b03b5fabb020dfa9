#include "platform/posix/WakeEvent.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

// A pipe rather than eventfd, so that the same code serves every POSIX system.
TWakeEvent::TWakeEvent() {
  int fds[2];
  if (pipe(fds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  read_ = fds[0];
  write_ = fds[1];
  for (int fd : fds) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
}

TWakeEvent::~TWakeEvent() {
  close(read_);
  close(write_);
}

void TWakeEvent::Set() {
  const char one = 1;
  // A full pipe means the event is set already.
  while (write(write_, &one, 1) < 0 && errno == EINTR) {
  }
}

void TWakeEvent::Reset() {
  char buf[64];
  for (;;) {
    ssize_t n = read(read_, buf, sizeof buf);
    if (n > 0 || (n < 0 && errno == EINTR)) continue;
    break;
  }
}

bool TWakeEvent::IsSet() const {
  pollfd p{read_, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}
