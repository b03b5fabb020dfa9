// The portable line control block and the bit layouts shared by the dispatcher and every device
// layer. The dispatcher edits a cached copy of the block; a device layer translates it to its
// device (termios on POSIX, the native block on Windows). Values follow the Win32 numbering so
// that the block can be handed to that API unchanged. Additive changes only: device layers and
// saved settings depend on these numbers.
#pragma once

#include <cstdint>

struct DCB {
  // Bits per second; the legacy encoded rates (0xFEFF, 0xFF10..0xFF27) are decoded by the
  // dispatcher's baud decoding.
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;  // dcb_* bits below
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;  // data bits, 5..8
  uint8_t Parity = 0;    // NOPARITY .. SPACEPARITY
  uint8_t StopBits = 0;  // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
  char XonChar = 17;
  char XoffChar = 19;

  friend bool operator==(const DCB&, const DCB&) = default;
};

// DCB::Flags
enum : uint32_t {
  dcb_Binary = 0x0001,
  dcb_Parity = 0x0002,  // parity checking
  dcb_OutxCtsFlow = 0x0004,
  dcb_OutxDsrFlow = 0x0008,
  dcb_DtrBit1 = 0x0010,  // DTR control, two bits: disable 0, enable 0x10, handshake 0x20
  dcb_DtrBit2 = 0x0020,
  dcb_DtrMask = 0x0030,
  dcb_DsrSensitivity = 0x0040,
  dcb_TxContinueXoff = 0x0080,
  dcb_OutX = 0x0100,     // XON/XOFF output flow
  dcb_InX = 0x0200,      // XON/XOFF input flow
  dcb_Null = 0x0800,     // null stripping
  dcb_RtsBit1 = 0x1000,  // RTS control, two bits: disable 0, enable, handshake, toggle
  dcb_RtsBit2 = 0x2000,
  dcb_RtsMask = 0x3000,
  // Abort on error: after a line error the driver refuses every request until the error is
  // cleared. Never wanted here (one framing error would stop the reading); cleared wherever a
  // block reaches a device.
  dcb_AbortOnError = 0x4000,

  dcb_DTR_CONTROL_DISABLE = 0x0000,
  dcb_DTR_CONTROL_ENABLE = 0x0010,
  dcb_DTR_CONTROL_HANDSHAKE = 0x0020,
  dcb_RTS_CONTROL_DISABLE = 0x0000,
  dcb_RTS_CONTROL_ENABLE = 0x1000,
  dcb_RTS_CONTROL_HANDSHAKE = 0x2000,
  dcb_RTS_CONTROL_TOGGLE = 0x3000,
};

// DCB::Parity
enum : uint8_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4 };

// DCB::StopBits
enum : uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };

// Receive error flags as a device status query reports them; the dispatcher accumulates them.
enum : uint32_t {
  ce_RXOVER = 0x01,    // receive queue overflow
  ce_OVERRUN = 0x02,   // character lost in the UART
  ce_RXPARITY = 0x04,  // parity error
  ce_FRAME = 0x08,     // framing error
  ce_BREAK = 0x10,     // break received
  ce_LineErrorMask = 0x1F,
};

// Line error codes returned by LastLineError.
enum : int {
  lerNone = 0,
  lerQueueOverflow = 1,
  lerOverrun = 2,
  lerParity = 3,
  lerFraming = 4,
  lerBreak = 9,
};

// Modem status byte, laid out as a UART modem status register. The level bits are also what a
// device layer reports for its modem lines (GetModemLines).
enum : uint8_t {
  msr_DeltaCts = 0x01,
  msr_DeltaDsr = 0x02,
  msr_TrailingRing = 0x04,  // the ring indicator has ended
  msr_DeltaDcd = 0x08,
  msr_Cts = 0x10,
  msr_Dsr = 0x20,
  msr_Ring = 0x40,
  msr_Dcd = 0x80,
  msr_LevelMask = 0xF0,
  msr_DeltaMask = 0x0F,
};

// Escape functions (EscapeFunction).
enum : int {
  esc_SETXOFF = 1,
  esc_SETXON = 2,
  esc_SETRTS = 3,
  esc_CLRRTS = 4,
  esc_SETDTR = 5,
  esc_CLRDTR = 6,
  esc_SETBREAK = 8,
  esc_CLRBREAK = 9,
  esc_GETBASEIRQ = 10,  // UART base address in the upper half of the result
};

// Device status as last read (GetDeviceStatus): error flags and queue fill levels.
struct TComStat {
  uint32_t Errors = 0;    // ce_* flags
  uint32_t InQueue = 0;   // bytes held in the driver's receive queue
  uint32_t OutQueue = 0;  // bytes waiting for output
};
