// The instrument's side of the serial tests: a COM port linked to the port under test. Under Wine
// the test command links COM1 (the port under test) and COM2 (this side) through a pair of
// pseudo-terminals and preloads a shim that gives the ptys modem lines
// (tests/win32/PtyModemShim.c); on Windows a null-modem pair of ports serves. <windows.h> stays in
// the .cpp: it clashes with the portable serial types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The COM numbers of the linked pair, or 0 when the tests do not run under the test command.
int PortUnderTest();
int InstrumentPort();
// Why the serial tests cannot run here, or empty.
std::string SerialSkipReason();

class TInstrument {
 public:
  TInstrument();
  ~TInstrument();
  TInstrument(const TInstrument&) = delete;
  TInstrument& operator=(const TInstrument&) = delete;

  bool Ok() const;
  // Writes all bytes (blocking).
  bool Send(std::string_view bytes);
  // Reads until `count` bytes came or `timeoutMs` passed without any.
  std::string Receive(size_t count, uint32_t timeoutMs);

  // Whether the modem lines can be played: only on the pseudo-terminals of the test command.
  static bool LinesPlayable();
  // Modem lines through the shim, as TIOCM_* bits: the instrument's CTS, DSR, CD and RI, and the
  // DTR and RTS the port under test drives.
  static void SetLines(uint32_t tiocmBits);
  static uint32_t PortOutputLines();

 private:
  void* handle_;
};

// TIOCM_* bits.
enum : uint32_t {
  kTiocmDtr = 0x002,
  kTiocmRts = 0x004,
  kTiocmCts = 0x020,
  kTiocmCd = 0x040,
  kTiocmRi = 0x080,
  kTiocmDsr = 0x100,
};
