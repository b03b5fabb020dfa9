// Line block <-> termios translation, and the pure helpers of the POSIX device.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "platform/posix/SerialDevice.h"
#include "platform/posix/Termios.h"

namespace {

DCB Block(uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits, uint32_t flags = 0) {
  DCB d;
  d.BaudRate = baud;
  d.ByteSize = byteSize;
  d.Parity = parity;
  d.StopBits = stopBits;
  d.Flags = dcb_Binary | flags;
  return d;
}

// A cooked terminal, as a device is often found.
termios Cooked() {
  termios t{};
  t.c_iflag = ICRNL | IXON | BRKINT | IMAXBEL;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ISIG | IEXTEN | ECHOE | ECHOK;
  t.c_cflag = CS8 | CREAD | HUPCL;
  t.c_cc[VMIN] = 1;
  cfsetispeed(&t, B38400);
  cfsetospeed(&t, B38400);
  return t;
}

termios Translate(const DCB& d) {
  termios t = Cooked();
  uint32_t custom = 99;
  EXPECT_EQ(DcbToTermios(d, t, custom), 0u);
  EXPECT_EQ(custom, 0u);
  return t;
}

struct FormatRow {
  const char* name;  // test name suffix
  const char* why;
  uint8_t byteSize, parity, stopBits;
  tcflag_t cflags;  // within CSIZE | CSTOPB | PARENB | PARODD | CMSPAR
};

class CharacterFormat : public testing::TestWithParam<FormatRow> {};

TEST_P(CharacterFormat, WritesTheBitsAndReadsThemBack) {
  const FormatRow& row = GetParam();
  termios t = Translate(Block(9600, row.byteSize, row.parity, row.stopBits));
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD | CMSPAR), row.cflags) << row.why;

  DCB back = Block(1, 8, NOPARITY, ONESTOPBIT);
  TermiosToDcb(t, 9600, back);
  EXPECT_EQ(back.ByteSize, row.byteSize) << row.why;
  EXPECT_EQ(back.Parity, row.parity) << row.why;
  // Two stop bits with 5 data bits read back as the one-and-a-half code the line settings use.
  uint8_t stop = row.stopBits;
  if (stop == TWOSTOPBITS && row.byteSize == 5) stop = ONE5STOPBITS;
  EXPECT_EQ(back.StopBits, stop) << row.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CharacterFormat,
    testing::Values(
        FormatRow{"N8_1", "8N1", 8, NOPARITY, ONESTOPBIT, CS8},
        FormatRow{"E7_1", "7E1", 7, EVENPARITY, ONESTOPBIT, CS7 | PARENB},
        FormatRow{"O7_2", "7O2", 7, ODDPARITY, TWOSTOPBITS, CS7 | PARENB | PARODD | CSTOPB},
        FormatRow{"M8_1", "mark is sticky odd", 8, MARKPARITY, ONESTOPBIT,
                  CS8 | PARENB | PARODD | CMSPAR},
        FormatRow{"S6_1", "space is sticky even", 6, SPACEPARITY, ONESTOPBIT,
                  CS6 | PARENB | CMSPAR},
        FormatRow{"N5_15", "1.5 stop bits are sent as two", 5, NOPARITY, ONE5STOPBITS,
                  CS5 | CSTOPB},
        FormatRow{"N5_2", "5 data bits, two stop bits", 5, NOPARITY, TWOSTOPBITS, CS5 | CSTOPB}),
    [](const testing::TestParamInfo<FormatRow>& row) { return std::string(row.param.name); });

TEST(Termios, RawModeWhateverTheDeviceWasBefore) {
  termios t = Translate(Block(19200, 8, NOPARITY, ONESTOPBIT));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | BRKINT | INPCK), 0u);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), tcflag_t{CREAD | CLOCAL});
  EXPECT_EQ(t.c_cflag & HUPCL, tcflag_t{HUPCL}) << "left as the device had it";
  // VMIN 1 keeps a read of 0 bytes meaning hang-up on the non-blocking descriptor.
  EXPECT_EQ(t.c_cc[VMIN], 1);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetospeed(&t), speed_t{B19200});
  EXPECT_EQ(cfgetispeed(&t), speed_t{B19200});

  termios checked = Translate(Block(19200, 8, EVENPARITY, ONESTOPBIT, dcb_Parity));
  EXPECT_EQ(checked.c_iflag & INPCK, tcflag_t{INPCK});
}

TEST(Termios, Handshake) {
  termios hw =
      Translate(Block(9600, 8, NOPARITY, ONESTOPBIT, dcb_OutxCtsFlow | dcb_RTS_CONTROL_HANDSHAKE));
  EXPECT_EQ(hw.c_cflag & CRTSCTS, tcflag_t{CRTSCTS});
  EXPECT_EQ(hw.c_iflag & (IXON | IXOFF), 0u);
  // termios cannot split the two; either one alone is approximated by both.
  EXPECT_EQ(Translate(Block(9600, 8, NOPARITY, ONESTOPBIT, dcb_OutxCtsFlow)).c_cflag & CRTSCTS,
            tcflag_t{CRTSCTS});
  EXPECT_EQ(
      Translate(Block(9600, 8, NOPARITY, ONESTOPBIT, dcb_RTS_CONTROL_ENABLE)).c_cflag & CRTSCTS,
      0u);

  DCB sw = Block(9600, 8, NOPARITY, ONESTOPBIT, dcb_OutX | dcb_InX);
  sw.XonChar = 0x11;
  sw.XoffChar = '\x93';
  termios t = Translate(sw);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x93);
  EXPECT_EQ(Translate(Block(9600, 8, NOPARITY, ONESTOPBIT, dcb_InX)).c_iflag & (IXON | IXOFF),
            tcflag_t{IXOFF});

  DCB back = Block(1, 8, NOPARITY, ONESTOPBIT, dcb_DTR_CONTROL_ENABLE | dcb_RTS_CONTROL_ENABLE);
  TermiosToDcb(hw, 9600, back);
  EXPECT_EQ(back.Flags & (dcb_OutxCtsFlow | dcb_RtsMask),
            uint32_t{dcb_OutxCtsFlow | dcb_RTS_CONTROL_HANDSHAKE});
  EXPECT_EQ(back.Flags & dcb_DtrMask, uint32_t{dcb_DTR_CONTROL_ENABLE}) << "kept: not in termios";
  TermiosToDcb(t, 9600, back);
  EXPECT_EQ(back.Flags & (dcb_OutxCtsFlow | dcb_RtsMask | dcb_OutX | dcb_InX),
            uint32_t{dcb_RTS_CONTROL_ENABLE | dcb_OutX | dcb_InX});
  EXPECT_EQ(back.XoffChar, '\x93');
}

TEST(Termios, RefusesWhatTermiosCannotDoAndBadValuesWithoutTouchingTheSettings) {
  struct Row {
    const char* why;
    DCB dcb;
    uint32_t error;
  };
  const Row rows[] = {
      {"rate 0", Block(0, 8, 0, 0), kLineBaudNotSupported},
      {"4 data bits", Block(9600, 4, 0, 0), kLineByteSizeInvalid},
      {"9 data bits", Block(9600, 9, 0, 0), kLineByteSizeInvalid},
      {"parity 5", Block(9600, 8, 5, 0), kWin32InvalidParameter},
      {"stop code 3", Block(9600, 8, 0, 3), kWin32InvalidParameter},
  };
  for (const Row& row : rows) {
    termios t = Cooked();
    uint32_t custom = 0;
    EXPECT_EQ(DcbToTermios(row.dcb, t, custom), row.error) << row.why;
    EXPECT_EQ(t.c_lflag, Cooked().c_lflag) << row.why;
    EXPECT_EQ(t.c_cflag, Cooked().c_cflag) << row.why;
  }
  // What termios has no field for is the device layer's, not a refusal.
  for (uint32_t flags : {uint32_t{dcb_DTR_CONTROL_HANDSHAKE}, uint32_t{dcb_OutxDsrFlow},
                         uint32_t{dcb_RTS_CONTROL_TOGGLE}}) {
    termios t = Cooked();
    uint32_t custom = 0;
    EXPECT_EQ(DcbToTermios(Block(9600, 8, 0, 0, flags), t, custom), 0u) << flags;
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u) << flags;
  }
}

TEST(Termios, RatesOutsideTheTableCarryTheNearestStandardRate) {
  EXPECT_EQ(NearestStandardBaud(14400), 9600u) << "equally far: the lower one";
  EXPECT_EQ(NearestStandardBaud(250000), 230400u);
  EXPECT_EQ(NearestStandardBaud(1), 50u);
  EXPECT_EQ(BaudOfSpeed(StandardSpeed(115200)), 115200u);
  EXPECT_EQ(StandardSpeed(250000), speed_t{B0});

  termios t = Cooked();
  uint32_t custom = 0;
  ASSERT_EQ(DcbToTermios(Block(250000, 8, NOPARITY, ONESTOPBIT), t, custom), 0u);
  EXPECT_EQ(custom, 250000u);
  EXPECT_EQ(cfgetospeed(&t), speed_t{B230400});
}

TEST(Termios, SameLineLooksAtEverythingButTheSpeed) {
  termios a = Translate(Block(9600, 8, NOPARITY, ONESTOPBIT));
  termios b = Translate(Block(115200, 8, NOPARITY, ONESTOPBIT));
  EXPECT_TRUE(SameLine(a, b));
  EXPECT_FALSE(SameLine(a, Translate(Block(9600, 7, NOPARITY, ONESTOPBIT))));
  EXPECT_FALSE(SameLine(a, Translate(Block(9600, 8, NOPARITY, ONESTOPBIT, dcb_OutX))));
  DCB otherXon = Block(9600, 8, NOPARITY, ONESTOPBIT);
  otherXon.XonChar = 'Q';
  EXPECT_FALSE(SameLine(a, Translate(otherXon)));
}

TEST(DeviceHelpers, ModemLevelsAndLineErrorFlags) {
  EXPECT_EQ(ModemLevelsOf(0), 0);
  EXPECT_EQ(ModemLevelsOf(TIOCM_CTS | TIOCM_CD | TIOCM_DTR | TIOCM_RTS), msr_Cts | msr_Dcd);
  EXPECT_EQ(ModemLevelsOf(TIOCM_DSR | TIOCM_RI), msr_Dsr | msr_Ring);

  TLineCounts before{1, 2, 3, 4, 5};
  EXPECT_EQ(LineErrorsBetween(before, before), 0u);
  TLineCounts after = before;
  after.Overrun++;
  after.Break += 3;
  EXPECT_EQ(LineErrorsBetween(before, after), uint32_t{ce_OVERRUN | ce_BREAK});
  after = before;
  after.Frame++;
  after.Parity++;
  after.BufferOverrun++;
  EXPECT_EQ(LineErrorsBetween(before, after), uint32_t{ce_FRAME | ce_RXPARITY | ce_RXOVER});
}

}  // namespace
