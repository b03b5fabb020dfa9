#include "platform/posix/SerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/PosixErrors.h"
#include "platform/posix/Termios.h"

namespace {

int SystemModemIoctl(int fd, unsigned long request, int* lines) {
  return ioctl(fd, request, lines);
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

TSerialDevice::TSerialDevice(THooks hooks) : hooks_(hooks) {
  if (!hooks_.SetAttr) hooks_.SetAttr = ::tcsetattr;
  if (!hooks_.Modem) hooks_.Modem = SystemModemIoctl;
  if (!hooks_.CustomBaud) hooks_.CustomBaud = SetCustomBaud;
}

int TSerialDevice::ModemIoctl(int fd, unsigned long request, int* lines) {
  return hooks_.Modem(fd, request, lines);
}

// Sets or clears one modem line. A device without modem lines (ENOTTY, EINVAL) accepts and
// ignores the request, as a port whose lines are not wired would.
bool TSerialDevice::ChangeModemLine(int fd, int line, bool on) {
  if (ModemIoctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
  return errno == ENOTTY || errno == EINVAL;
}

uint32_t TSerialDevice::OpenExclusive(const std::string& path, int& fd, termios& original) {
  if (path.empty()) return kWin32FileNotFound;
  fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  // The lock first: a second opener, root included, is turned away before touching the line.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    return Win32ErrorFromErrno(err);
  }
  if (tcgetattr(fd, &original) != 0) {
    // Not a terminal: whatever the path is, it is no serial port.
    ::close(fd);
    return kWin32FileNotFound;
  }
  // Keeps out non-root openers that do not take the lock; failure leaves the lock alone on guard.
  ioctl(fd, TIOCEXCL);
  return 0;
}

uint32_t TSerialDevice::Open(const std::string& path) {
  Close();
  int fd = -1;
  termios original{};
  if (uint32_t rc = OpenExclusive(path, fd, original); rc != 0) return rc;
  fd_ = fd;
  unplugged_ = false;
  original_ = original;
  countsKnown_ = false;
  block_ = DCB{};
  block_.Flags = dcb_Binary | dcb_DTR_CONTROL_ENABLE | dcb_RTS_CONTROL_ENABLE;
  TermiosToDcb(original, ReadDeviceBaud(fd), block_);
  return 0;
}

uint32_t TSerialDevice::Reopen(const std::string& path) {
  int fd = -1;
  termios original{};
  if (uint32_t rc = OpenExclusive(path, fd, original); rc != 0) return rc;
  // The line toggle state belongs to the descriptor it was set on.
  bool rs485On = std::exchange(rs485On_, false);
  bool byHand = std::exchange(rtsByHand_, false);
  if (uint32_t rc = WriteLine(fd, block_); rc != 0) {
    ::close(fd);
    rs485On_ = rs485On;
    rtsByHand_ = byHand;
    return rc;
  }
  int dead = fd_.exchange(fd);
  if (dead >= 0) ::close(dead);
  original_ = original;
  countsKnown_ = false;
  unplugged_ = false;
  return 0;
}

void TSerialDevice::Close() {
  int fd = fd_.exchange(-1);
  if (fd < 0) return;
  if (!unplugged_) {
    if (rs485On_) SetRs485(fd, rs485Found_);
    hooks_.SetAttr(fd, TCSANOW, &original_);
    ioctl(fd, TIOCNXCL);
  }
  ::close(fd);  // also drops the flock
  rs485On_ = false;
  rtsByHand_ = false;
}

uint32_t TSerialDevice::SetLineBlock(const DCB& dcb) {
  if (fd_ < 0) return kWin32InvalidHandle;
  if (unplugged_) {
    // Kept for the device's return, which Reopen gives this block.
    termios check{};
    uint32_t customBaud = 0;
    if (uint32_t r = DcbToTermios(dcb, check, customBaud); r != 0) return r;
    block_ = dcb;
    return 0;
  }
  if (uint32_t rc = WriteLine(fd_, dcb); rc != 0) return rc;
  block_ = dcb;
  return 0;
}

uint32_t TSerialDevice::WriteLine(int fd, const DCB& dcb) {
  termios current{};
  if (tcgetattr(fd, &current) != 0) return Win32ErrorFromErrno(errno);
  termios wanted = current;
  uint32_t customBaud = 0;
  if (uint32_t r = DcbToTermios(dcb, wanted, customBaud); r != 0) return r;

  const uint32_t rate = ReadDeviceBaud(fd);
  const bool toggled = rs485On_ || rtsByHand_;
  bool written = false;
  // A refusal after the settings were written gives the device its old ones back.
  auto refuse = [&](uint32_t rc) {
    if (toggled != (rs485On_ || rtsByHand_)) SetRtsToggle(fd, toggled);
    if (written) {
      hooks_.SetAttr(fd, TCSANOW, &current);
      if (StandardSpeed(rate) == B0 && rate != 0) hooks_.CustomBaud(fd, rate);
    }
    return rc;
  };
  if (!SameLine(wanted, current) || rate != dcb.BaudRate) {
    if (hooks_.SetAttr(fd, TCSANOW, &wanted) != 0) return Win32ErrorFromErrno(errno);
    written = true;
    // A driver that cannot run at the rate would leave the line at the nearest standard one.
    if (customBaud != 0 && !hooks_.CustomBaud(fd, customBaud)) return refuse(kLineBaudNotSupported);
  }

  const bool toggle = (dcb.Flags & dcb_RtsMask) == dcb_RTS_CONTROL_TOGGLE;
  if (uint32_t rc = SetRtsToggle(fd, toggle); rc != 0) return refuse(rc);
  bool ok = true;
  if ((dcb.Flags & dcb_DtrMask) != dcb_DTR_CONTROL_HANDSHAKE)
    ok = ChangeModemLine(fd, TIOCM_DTR, (dcb.Flags & dcb_DtrMask) == dcb_DTR_CONTROL_ENABLE);
  // Under RTS handshake the driver drives RTS (CRTSCTS), under the toggle the sender.
  if (ok && !toggle && (dcb.Flags & dcb_RtsMask) != dcb_RTS_CONTROL_HANDSHAKE)
    ok = ChangeModemLine(fd, TIOCM_RTS, (dcb.Flags & dcb_RtsMask) == dcb_RTS_CONTROL_ENABLE);
  return ok ? 0 : refuse(Win32ErrorFromErrno(errno));
}

// RTS raised only while sending: by the driver's RS-485 mode where it has one, else by the
// writer (RtsToggleByHand), which keeps RTS low in between.
uint32_t TSerialDevice::SetRtsToggle(int fd, bool on) {
  if (!on) {
    if (rs485On_ && !SetRs485(fd, rs485Found_)) return Win32ErrorFromErrno(errno);
    rs485On_ = false;
    rtsByHand_ = false;
    return 0;
  }
  if (rs485On_ || rtsByHand_) return 0;
  TRs485Settings found;
  if (GetRs485(fd, found) && SetRs485(fd, Rs485RtsToggle(found))) {
    rs485Found_ = found;
    rs485On_ = true;
    return 0;
  }
  int lines = 0;
  rtsByHand_ = ModemIoctl(fd, TIOCMGET, &lines) == 0;
  return ChangeModemLine(fd, TIOCM_RTS, false) ? 0 : Win32ErrorFromErrno(errno);
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
  if (fd_ < 0 || unplugged_ || ModemIoctl(fd_, TIOCMGET, &lines) != 0) return 0;
  return ModemLevelsOf(lines);
}

bool TSerialDevice::HasModemLines() {
  int lines = 0;
  return fd_ >= 0 && !unplugged_ && ModemIoctl(fd_, TIOCMGET, &lines) == 0;
}

bool TSerialDevice::TransmitterEmpty() {
  return fd_ < 0 || unplugged_ || ::TransmitterEmpty(fd_);
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
  pollfd fds[2] = {{fd_.load(), events, 0}, {wakeFd, POLLIN, 0}};
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
