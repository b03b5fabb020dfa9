// Translation between the portable line block and termios. Pure functions: no device is touched.
#pragma once

#include <termios.h>

#include <cstdint>

#include "platform/SerialLine.h"
#include "platform/Win32Errors.h"

// Win32 error numbers a refused line block yields, as the native layer's SetCommState would:
// kWin32NotSupported for mark or space parity on a system without CMSPAR, kWin32InvalidParameter
// for parity or stop bits outside their range, and these.
enum : uint32_t {
  // Application-defined numbers (Win32 bit 29) carrying the serial error code that names the
  // setting in their low 16 bits: a rate the driver refuses, and a byte size outside 5..8.
  kLineLibraryCode = 0x20000000,
  kLineBaudNotSupported = kLineLibraryCode | 2002,
  kLineByteSizeInvalid = kLineLibraryCode | 2003,
};

// Edits `t` (the device's current settings) to the block: speed, character format, handshake,
// flow characters and raw mode. Returns 0 or a Win32 error number, leaving `t` untouched on error.
// `customBaud` is the rate to set beside the termios speed table (see TtyExtras.h), 0 when the
// rate is in the table; `t` then carries the nearest standard rate.
//
// Not termios fields, left to the device layer: DTR handshake, DSR output flow and RTS toggle.
// Approximated: RTS handshake without CTS output flow, or the reverse, becomes CRTSCTS, which
// always does both; one and a half stop bits become two. Ignored: DSR sensitivity,
// continue-after-XOFF, null stripping and the XON/XOFF limits (the driver picks its own).
uint32_t DcbToTermios(const DCB& dcb, termios& t, uint32_t& customBaud);

// Overwrites the fields of `dcb` that termios holds (rate = `baud`, character format, CTS/RTS
// handshake, XON/XOFF flow and characters, parity checking); keeps the others (DTR and RTS
// control other than handshake, limits). With 5 data bits, two stop bits read back as one and a
// half, the code the line settings write for that size.
void TermiosToDcb(const termios& t, uint32_t baud, DCB& dcb);

// Whether the two differ in anything DcbToTermios sets, apart from the speed.
bool SameLine(const termios& a, const termios& b);

// The termios speed constant of a rate, or B0 when the rate is not in the table.
speed_t StandardSpeed(uint32_t baud);
// The rate of a termios speed constant, 0 for one it does not know.
uint32_t BaudOfSpeed(speed_t speed);
// The standard rate closest to `baud`.
uint32_t NearestStandardBaud(uint32_t baud);
