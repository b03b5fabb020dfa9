#include "platform/posix/SerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Termios.h"
#include "serial/AdOsText.h"

namespace {

constexpr uint32_t kWin32InvalidHandle = 6;

// Sets or clears one modem line. A device without modem lines (ENOTTY, EINVAL) accepts and
// ignores the request, as a port whose lines are not wired would.
bool ChangeModemLine(int fd, int line, bool on) {
  if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
  return errno == ENOTTY || errno == EINVAL;
}

}  // namespace

uint32_t LineErrorsBetween(const TLineCounts& before, const TLineCounts& now) {
  uint32_t flags = 0;
  if (now.BufferOverrun != before.BufferOverrun) flags |= ce_RXOVER;
  if (now.Overrun != before.Overrun) flags |= ce_OVERRUN;
  if (now.Parity != before.Parity) flags |= ce_RXPARITY;
  if (now.Frame != before.Frame) flags |= ce_FRAME;
  if (now.Break != before.Break) flags |= ce_BREAK;
  return flags;
}

uint8_t ModemLevelsOf(int tiocm) {
  uint8_t levels = 0;
  if (tiocm & TIOCM_CTS) levels |= msr_Cts;
  if (tiocm & TIOCM_DSR) levels |= msr_Dsr;
  if (tiocm & TIOCM_RI) levels |= msr_Ring;
  if (tiocm & TIOCM_CD) levels |= msr_Dcd;
  return levels;
}

uint32_t TSerialDevice::Open(const std::string& path) {
  Close();
  if (path.empty()) return kWin32FileNotFound;
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  // The lock first: a second opener, root included, is turned away before touching the line.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    return Win32ErrorFromErrno(err);
  }
  termios original{};
  if (tcgetattr(fd, &original) != 0) {
    // Not a terminal: whatever the path is, it is no serial port.
    ::close(fd);
    return kWin32FileNotFound;
  }
  // Keeps out non-root openers that do not take the lock; failure leaves the lock alone on guard.
  ioctl(fd, TIOCEXCL);

  fd_ = fd;
  unplugged_ = false;
  original_ = original;
  countsKnown_ = false;
  block_ = DCB{};
  block_.Flags = dcb_Binary | dcb_DTR_CONTROL_ENABLE | dcb_RTS_CONTROL_ENABLE;
  TermiosToDcb(original, ReadDeviceBaud(fd), block_);
  return 0;
}

void TSerialDevice::Close() {
  if (fd_ < 0) return;
  if (!unplugged_) {
    setAttr_(fd_, TCSANOW, &original_);
    ioctl(fd_, TIOCNXCL);
  }
  ::close(fd_);  // also drops the flock
  fd_ = -1;
}

uint32_t TSerialDevice::SetLineBlock(const DCB& dcb) {
  if (fd_ < 0) return kWin32InvalidHandle;
  if (unplugged_) return Win32ErrorFromErrno(EIO);
  termios current{};
  if (tcgetattr(fd_, &current) != 0) return Win32ErrorFromErrno(errno);
  termios wanted = current;
  uint32_t customBaud = 0;
  if (uint32_t r = DcbToTermios(dcb, wanted, customBaud); r != 0) return r;

  if (!SameLine(wanted, current) || ReadDeviceBaud(fd_) != dcb.BaudRate) {
    if (setAttr_(fd_, TCSANOW, &wanted) != 0) return Win32ErrorFromErrno(errno);
    // When the driver refuses the rate the line stays at the nearest standard one.
    if (customBaud != 0) SetCustomBaud(fd_, customBaud);
  }
  block_ = dcb;

  bool ok = true;
  if ((dcb.Flags & dcb_DtrMask) != dcb_DTR_CONTROL_HANDSHAKE)
    ok = ChangeModemLine(fd_, TIOCM_DTR, (dcb.Flags & dcb_DtrMask) == dcb_DTR_CONTROL_ENABLE);
  // Under RTS handshake the driver drives RTS (CRTSCTS).
  if (ok && (dcb.Flags & dcb_RtsMask) != dcb_RTS_CONTROL_HANDSHAKE)
    ok = ChangeModemLine(fd_, TIOCM_RTS, (dcb.Flags & dcb_RtsMask) == dcb_RTS_CONTROL_ENABLE);
  return ok ? 0 : Win32ErrorFromErrno(errno);
}

uint32_t TSerialDevice::GetLineBlock(DCB& dcb) {
  if (fd_ < 0) return kWin32InvalidHandle;
  termios current{};
  if (tcgetattr(fd_, &current) != 0) return Win32ErrorFromErrno(errno);
  dcb = block_;
  TermiosToDcb(current, ReadDeviceBaud(fd_), dcb);
  return 0;
}

uint8_t TSerialDevice::ModemLines() {
  int lines = 0;
  if (fd_ < 0 || unplugged_ || ioctl(fd_, TIOCMGET, &lines) != 0) return 0;
  return ModemLevelsOf(lines);
}

bool TSerialDevice::EscapeFunction(int code) {
  if (fd_ < 0 || unplugged_) return false;
  switch (code) {
    case esc_SETRTS:
    case esc_CLRRTS:
      return ChangeModemLine(fd_, TIOCM_RTS, code == esc_SETRTS);
    case esc_SETDTR:
    case esc_CLRDTR:
      return ChangeModemLine(fd_, TIOCM_DTR, code == esc_SETDTR);
    case esc_SETBREAK:
      return ioctl(fd_, TIOCSBRK) == 0;
    case esc_CLRBREAK:
      return ioctl(fd_, TIOCCBRK) == 0;
    case esc_SETXOFF:
      return tcflow(fd_, TCOOFF) == 0;
    case esc_SETXON:
      return tcflow(fd_, TCOON) == 0;
    default:
      return false;
  }
}

uint32_t TSerialDevice::TakeLineErrors() {
  TLineCounts now;
  if (fd_ < 0 || unplugged_ || !ReadLineCounts(fd_, now)) return 0;
  uint32_t flags = countsKnown_ ? LineErrorsBetween(counts_, now) : 0;
  counts_ = now;
  countsKnown_ = true;
  return flags;
}

TSerialDevice::TIoResult TSerialDevice::Read(void* buffer, size_t size) {
  if (fd_ < 0) return {0, TIo::Failed, kWin32InvalidHandle};
  if (unplugged_) return {0, TIo::Unplugged, 0};
  if (size == 0) return {};
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) return {static_cast<size_t>(n), TIo::Ok, 0};
    // With VMIN 1 and O_NONBLOCK an idle line gives EAGAIN; 0 bytes means hang-up.
    if (n == 0 || errno == EIO) {
      unplugged_ = true;
      return {0, TIo::Unplugged, 0};
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    if (errno != EINTR) return {0, TIo::Failed, Win32ErrorFromErrno(errno)};
  }
}

TSerialDevice::TIoResult TSerialDevice::Write(const void* data, size_t size) {
  if (fd_ < 0) return {0, TIo::Failed, kWin32InvalidHandle};
  if (unplugged_) return {0, TIo::Unplugged, 0};
  if (size == 0) return {};
  for (;;) {
    ssize_t n = ::write(fd_, data, size);
    if (n >= 0) return {static_cast<size_t>(n), TIo::Ok, 0};
    if (errno == EIO) {
      unplugged_ = true;
      return {0, TIo::Unplugged, 0};
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    if (errno != EINTR) return {0, TIo::Failed, Win32ErrorFromErrno(errno)};
  }
}

TSerialDevice::TWait TSerialDevice::Wait(int timeoutMs, int wakeFd) {
  return WaitFor(POLLIN, TWait::Readable, timeoutMs, wakeFd);
}

TSerialDevice::TWait TSerialDevice::WaitWritable(int timeoutMs, int wakeFd) {
  return WaitFor(POLLOUT, TWait::Writable, timeoutMs, wakeFd);
}

TSerialDevice::TWait TSerialDevice::WaitFor(short events, TWait ready, int timeoutMs, int wakeFd) {
  if (fd_ < 0) return TWait::Failed;
  if (unplugged_) return TWait::Unplugged;
  pollfd fds[2] = {{fd_, events, 0}, {wakeFd, POLLIN, 0}};
  nfds_t count = wakeFd >= 0 ? 2 : 1;
  int r;
  do {
    r = ::poll(fds, count, timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return TWait::Failed;
  if (count == 2 && (fds[1].revents & POLLIN)) return TWait::Woken;
  // A hang-up also reports POLLIN, but the data is gone: the kernel flushes it on hang-up.
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    unplugged_ = true;
    return TWait::Unplugged;
  }
  if (fds[0].revents & events) return ready;
  return TWait::Timeout;
}

uint32_t TSerialDevice::InputQueued() {
  int n = 0;
  if (fd_ < 0 || unplugged_ || ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
  return static_cast<uint32_t>(n);
}

uint32_t TSerialDevice::OutputQueued() {
  int n = 0;
  if (fd_ < 0 || unplugged_ || ioctl(fd_, TIOCOUTQ, &n) != 0 || n < 0) return 0;
  return static_cast<uint32_t>(n);
}

TComStat TSerialDevice::Status() {
  TComStat stat;
  stat.Errors = TakeLineErrors();
  stat.InQueue = InputQueued();
  stat.OutQueue = OutputQueued();
  return stat;
}

bool TSerialDevice::Purge(bool input, bool output) {
  if (fd_ < 0 || unplugged_) return false;
  if (!input && !output) return true;
  return tcflush(fd_, input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH)) == 0;
}
