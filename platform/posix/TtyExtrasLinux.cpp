#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include "platform/posix/TtyExtras.h"

bool SetCustomBaud(int fd, uint32_t baud) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  t.c_cflag |= BOTHER;
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  if (ioctl(fd, TCSETS2, &t) != 0) return false;
  // A driver that cannot reach the rate settles on another; report that as failure.
  return ReadDeviceBaud(fd) == baud;
}

uint32_t ReadDeviceBaud(int fd) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return 0;
  return t.c_ospeed;
}

bool ReadLineCounts(int fd, TLineCounts& counts) {
  serial_icounter_struct ic{};
  if (ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
  counts.Frame = static_cast<uint32_t>(ic.frame);
  counts.Overrun = static_cast<uint32_t>(ic.overrun);
  counts.Parity = static_cast<uint32_t>(ic.parity);
  counts.Break = static_cast<uint32_t>(ic.brk);
  counts.BufferOverrun = static_cast<uint32_t>(ic.buf_overrun);
  return true;
}

bool GetRs485(int fd, TRs485Settings& settings) {
  serial_rs485 r{};
  if (ioctl(fd, TIOCGRS485, &r) != 0) return false;
  settings.Flags = r.flags;
  settings.DelayBeforeSend = r.delay_rts_before_send;
  settings.DelayAfterSend = r.delay_rts_after_send;
  return true;
}

bool SetRs485(int fd, const TRs485Settings& settings) {
  serial_rs485 r{};
  if (ioctl(fd, TIOCGRS485, &r) != 0) return false;
  r.flags = settings.Flags;
  r.delay_rts_before_send = settings.DelayBeforeSend;
  r.delay_rts_after_send = settings.DelayAfterSend;
  return ioctl(fd, TIOCSRS485, &r) == 0;
}

TRs485Settings Rs485RtsToggle(TRs485Settings settings) {
  settings.Flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
  settings.Flags &= ~static_cast<uint32_t>(SER_RS485_RTS_AFTER_SEND);
  return settings;
}

bool TransmitterEmpty(int fd) {
  int queued = 0;
  if (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) return false;
  int lsr = 0;
  if (ioctl(fd, TIOCSERGETLSR, &lsr) != 0) return true;
  return (lsr & TIOCSER_TEMT) != 0;
}
