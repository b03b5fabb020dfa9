#include "platform/posix/Termios.h"

namespace {

struct SpeedEntry {
  uint32_t baud;
  speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#if defined(__linux__)
    {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
    {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
};

constexpr tcflag_t kSpeedBits =
#if defined(CBAUD) && defined(CBAUDEX)
    CBAUD | CBAUDEX;
#else
    0;
#endif

constexpr tcflag_t kParityBits = PARENB | PARODD
#if defined(CMSPAR)
                                 | CMSPAR
#endif
    ;

tcflag_t CharSize(uint8_t byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

}  // namespace

speed_t StandardSpeed(uint32_t baud) {
  for (const auto& e : kSpeeds)
    if (e.baud == baud) return e.speed;
  return B0;
}

uint32_t BaudOfSpeed(speed_t speed) {
  for (const auto& e : kSpeeds)
    if (e.speed == speed) return e.baud;
  return 0;
}

uint32_t NearestStandardBaud(uint32_t baud) {
  uint32_t best = kSpeeds[0].baud;
  for (const auto& e : kSpeeds) {
    auto d = [baud](uint32_t r) { return r > baud ? r - baud : baud - r; };
    if (d(e.baud) < d(best)) best = e.baud;
  }
  return best;
}

uint32_t DcbToTermios(const DCB& dcb, termios& t, uint32_t& customBaud) {
  if (dcb.BaudRate == 0) return kLineBaudNotSupported;
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return kLineByteSizeInvalid;
  if (dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS) return kWin32InvalidParameter;
#if !defined(CMSPAR)
  if (dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY) return kWin32NotSupported;
#endif

  termios n = t;
  speed_t speed = StandardSpeed(dcb.BaudRate);
  customBaud = 0;
  if (speed == B0) {
    customBaud = dcb.BaudRate;
    speed = StandardSpeed(NearestStandardBaud(dcb.BaudRate));
  }
  cfsetispeed(&n, speed);
  cfsetospeed(&n, speed);

  // Raw: bytes pass unchanged in both directions, no echo, no signals.
  n.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | IGNPAR | INPCK);
#if defined(IMAXBEL)
  n.c_iflag &= ~static_cast<tcflag_t>(IMAXBEL);
#endif
  n.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  n.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  // Modem lines are read explicitly; the port must neither block on nor be closed by DCD.
  n.c_cflag |= CREAD | CLOCAL;
  // VMIN 1 with the descriptor's O_NONBLOCK: no data reads as EAGAIN, so a read of 0 bytes always
  // means hang-up (VMIN 0 would make "no data" and "unplugged" look alike).
  n.c_cc[VMIN] = 1;
  n.c_cc[VTIME] = 0;

  n.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | kParityBits | CRTSCTS);
  n.c_cflag |= CharSize(dcb.ByteSize);
  switch (dcb.Parity) {
    case ODDPARITY:
      n.c_cflag |= PARENB | PARODD;
      break;
    case EVENPARITY:
      n.c_cflag |= PARENB;
      break;
#if defined(CMSPAR)
    case MARKPARITY:
      n.c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case SPACEPARITY:
      n.c_cflag |= PARENB | CMSPAR;
      break;
#endif
    default:
      break;
  }
  if (dcb.Flags & dcb_Parity) n.c_iflag |= INPCK;
  // termios knows one or two stop bits; one and a half is sent as two.
  if (dcb.StopBits != ONESTOPBIT) n.c_cflag |= CSTOPB;

  if ((dcb.Flags & dcb_OutxCtsFlow) || (dcb.Flags & dcb_RtsMask) == dcb_RTS_CONTROL_HANDSHAKE)
    n.c_cflag |= CRTSCTS;
  if (dcb.Flags & dcb_OutX) n.c_iflag |= IXON;
  if (dcb.Flags & dcb_InX) n.c_iflag |= IXOFF;
  n.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  n.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

  t = n;
  return 0;
}

void TermiosToDcb(const termios& t, uint32_t baud, DCB& dcb) {
  dcb.BaudRate = baud;
  switch (t.c_cflag & CSIZE) {
    case CS5:
      dcb.ByteSize = 5;
      break;
    case CS6:
      dcb.ByteSize = 6;
      break;
    case CS7:
      dcb.ByteSize = 7;
      break;
    default:
      dcb.ByteSize = 8;
      break;
  }
  dcb.Parity = NOPARITY;
  if (t.c_cflag & PARENB) {
    bool odd = (t.c_cflag & PARODD) != 0;
#if defined(CMSPAR)
    if (t.c_cflag & CMSPAR)
      dcb.Parity = odd ? MARKPARITY : SPACEPARITY;
    else
#endif
      dcb.Parity = odd ? ODDPARITY : EVENPARITY;
  }
  if (!(t.c_cflag & CSTOPB))
    dcb.StopBits = ONESTOPBIT;
  else
    dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;

  uint32_t f = dcb.Flags | dcb_Binary;
  f &= ~static_cast<uint32_t>(dcb_Parity | dcb_OutxCtsFlow | dcb_OutX | dcb_InX);
  if (t.c_iflag & INPCK) f |= dcb_Parity;
  if (t.c_cflag & CRTSCTS) {
    f = (f & ~static_cast<uint32_t>(dcb_RtsMask)) | dcb_OutxCtsFlow | dcb_RTS_CONTROL_HANDSHAKE;
  } else if ((f & dcb_RtsMask) == dcb_RTS_CONTROL_HANDSHAKE) {
    f = (f & ~static_cast<uint32_t>(dcb_RtsMask)) | dcb_RTS_CONTROL_ENABLE;
  }
  if (t.c_iflag & IXON) f |= dcb_OutX;
  if (t.c_iflag & IXOFF) f |= dcb_InX;
  dcb.Flags = f;
  dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
  dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
}

bool SameLine(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
         (a.c_cflag & ~kSpeedBits) == (b.c_cflag & ~kSpeedBits) && a.c_cc[VMIN] == b.c_cc[VMIN] &&
         a.c_cc[VTIME] == b.c_cc[VTIME] && a.c_cc[VSTART] == b.c_cc[VSTART] &&
         a.c_cc[VSTOP] == b.c_cc[VSTOP];
}
