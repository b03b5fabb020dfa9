#include "platform/posix/WakeEvent.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace {

// poll() restarted after a signal.
int PollRetry(pollfd* fds, nfds_t count, int timeoutMs) {
  int r;
  do {
    r = ::poll(fds, count, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

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
  std::lock_guard lock(mutex_);
  if (set_) return;
  set_ = true;
  const char one = 1;
  while (write(write_, &one, 1) < 0 && errno == EINTR) {
  }
}

void TWakeEvent::Reset() {
  TryTake();
}

bool TWakeEvent::TryTake() {
  std::lock_guard lock(mutex_);
  if (!set_) return false;
  set_ = false;
  char byte;
  while (read(read_, &byte, 1) < 0 && errno == EINTR) {
  }
  return true;
}

bool TWakeEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

bool TWakeEvent::WaitSet(int timeoutMs) const {
  pollfd p{read_, POLLIN, 0};
  return PollRetry(&p, 1, timeoutMs) > 0;
}

bool TWakeEvent::Take(int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (TryTake()) return true;
    int left = -1;
    if (timeoutMs >= 0) {
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
      if (ms <= 0) return false;
      left = static_cast<int>(ms);
    }
    pollfd p{read_, POLLIN, 0};
    if (PollRetry(&p, 1, left) < 0) return false;
  }
}

int TWakeEvent::WaitEither(const TWakeEvent& first, const TWakeEvent& second) {
  pollfd fds[2] = {{first.read_, POLLIN, 0}, {second.read_, POLLIN, 0}};
  if (PollRetry(fds, 2, -1) < 0) return -1;
  return (fds[0].revents & POLLIN) ? 0 : 1;
}
