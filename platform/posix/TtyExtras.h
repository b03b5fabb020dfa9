// Terminal controls beyond termios, with a Linux implementation and a fallback for other systems.
// Their own files because <asm/termbits.h>, needed for arbitrary rates, clashes with <termios.h>.
#pragma once

#include <cstdint>

// Sets a rate outside the termios speed table on an open tty, after its other settings were
// written with tcsetattr. False when the system or the driver cannot.
bool SetCustomBaud(int fd, uint32_t baud);

// The output rate the tty runs at in bits per second, exact also for rates outside the table;
// 0 when it cannot be read.
uint32_t ReadDeviceBaud(int fd);

// The driver's running counts of line events.
struct TLineCounts {
  uint32_t Frame = 0;
  uint32_t Overrun = 0;  // characters lost in the UART
  uint32_t Parity = 0;
  uint32_t Break = 0;
  uint32_t BufferOverrun = 0;  // characters lost because the receive queue was full
  friend bool operator==(const TLineCounts&, const TLineCounts&) = default;
};

// False when the driver keeps no counts (pseudo-terminals, most USB adapters).
bool ReadLineCounts(int fd, TLineCounts& counts);

// The driver's RS-485 settings, kept so that the device can be given back as it was found.
struct TRs485Settings {
  uint32_t Flags = 0;
  uint32_t DelayBeforeSend = 0;
  uint32_t DelayAfterSend = 0;
};

// False when the driver has no RS-485 mode (pseudo-terminals, most UARTs).
bool GetRs485(int fd, TRs485Settings& settings);
bool SetRs485(int fd, const TRs485Settings& settings);
// `settings` with the RS-485 mode on and RTS raised while sending, dropped when the last bit
// has gone out.
TRs485Settings Rs485RtsToggle(TRs485Settings settings);

// Whether everything written has left the line: the driver's queue and the UART's shift
// register are empty. True where the driver cannot tell the shift register's state.
bool TransmitterEmpty(int fd);
