#include <sys/ioctl.h>
#include <termios.h>

#include "platform/posix/Termios.h"
#include "platform/posix/TtyExtras.h"

// Without a way to set arbitrary rates the line keeps the nearest standard rate.
bool SetCustomBaud(int, uint32_t) {
  return false;
}

uint32_t ReadDeviceBaud(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return 0;
  return BaudOfSpeed(cfgetospeed(&t));
}

bool ReadLineCounts(int, TLineCounts&) {
  return false;
}

bool GetRs485(int, TRs485Settings&) {
  return false;
}

bool SetRs485(int, const TRs485Settings&) {
  return false;
}

TRs485Settings Rs485RtsToggle(TRs485Settings settings) {
  return settings;
}

bool TransmitterEmpty(int fd) {
  int queued = 0;
  return !(ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0);
}
