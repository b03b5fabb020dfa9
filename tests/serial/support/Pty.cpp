#include "tests/serial/support/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point end) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on fd until `end`; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point end) {
  for (;;) {
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, RemainingMs(end));
    if (r > 0) return (p.revents & events) != 0;
    if (r == 0 || errno != EINTR) return false;
  }
}

}  // namespace

TPty::TPty() {
  termios raw{};
  cfmakeraw(&raw);
  cfsetispeed(&raw, B9600);
  cfsetospeed(&raw, B9600);
  char name[128] = {};
  if (openpty(&master_, &slave_, name, &raw, nullptr) != 0)
    throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
  slavePath_ = name;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

TPty::~TPty() {
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

termios TPty::SlaveSettings() const {
  termios t{};
  if (tcgetattr(slave_, &t) != 0)
    throw std::runtime_error(std::string("tcgetattr: ") + std::strerror(errno));
  return t;
}

bool TPty::Send(std::string_view data, std::chrono::milliseconds deadline) {
  auto end = Clock::now() + deadline;
  while (!data.empty()) {
    ssize_t n = write(master_, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (!WaitFor(master_, POLLOUT, end)) return false;
  }
  return true;
}

std::optional<std::string> TPty::Receive(size_t count, std::chrono::milliseconds deadline) {
  auto end = Clock::now() + deadline;
  std::string got;
  while (got.size() < count) {
    char buf[256];
    size_t want = std::min(sizeof buf, count - got.size());
    ssize_t n = read(master_, buf, want);
    if (n > 0) {
      got.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return std::nullopt;
    if (!WaitFor(master_, POLLIN, end)) return std::nullopt;
  }
  return got;
}

void TPty::Unplug() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}
