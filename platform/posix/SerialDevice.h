// One tty opened exclusively for a serial port: open and close, line block, modem lines, line
// error counts and non-blocking I/O with unplug detection. Errors are Win32 error numbers (0 on
// success), as the rest of the serial subsystem expects them. Not thread-safe: the owner
// serialises calls, except that Read, Write and Wait may run on other threads than the line
// operations as long as Open and Close do not run at the same time.
#pragma once

#include <termios.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/posix/TtyExtras.h"
#include "serial/AwDcb.h"

class TSerialDevice {
 public:
  // The call that writes terminal settings; tests count the writes through it.
  using TcSetAttrFn = int (*)(int fd, int when, const termios* t);

  explicit TSerialDevice(TcSetAttrFn setAttr = ::tcsetattr) : setAttr_(setAttr) {}
  ~TSerialDevice() { Close(); }
  TSerialDevice(const TSerialDevice&) = delete;
  TSerialDevice& operator=(const TSerialDevice&) = delete;

  // Opens `path` for reading and writing, non-blocking, without becoming its controlling
  // terminal, and takes it exclusively (TIOCEXCL and an flock, because root ignores TIOCEXCL).
  // Saves its settings for Close. Returns 0, 2 (no such path, or a path that is no terminal),
  // 3 (a part of the path is no directory), 5 (held by this or another process),
  // kWin32PermissionDenied (no permission: not in the dialout group) or another Win32 number.
  // An open device is closed first.
  uint32_t Open(const std::string& path);

  // Gives the device back as it was found (settings restored, exclusivity released) and closes
  // it. Does nothing when closed; an unplugged device is only closed.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // Set once a hang-up was seen; the descriptor cannot recover, the path must be opened again.
  bool Unplugged() const { return unplugged_; }

  // Applies the block: termios (written only when it differs from the device's current settings,
  // including the rate), then DTR and RTS by their control fields unless under handshake.
  // Returns 0 or a Win32 number (see DcbToTermios for what is refused).
  uint32_t SetLineBlock(const DCB& dcb);
  // The last block applied (the open-time settings before the first), with what the device
  // reports for the fields termios holds.
  uint32_t GetLineBlock(DCB& dcb);

  // msr_Cts | msr_Dsr | msr_Ring | msr_Dcd as the lines stand; 0 for a device without modem
  // lines (pseudo-terminals).
  uint8_t ModemLines();

  // esc_SETRTS/CLRRTS/SETDTR/CLRDTR (accepted and ignored by a device without modem lines),
  // esc_SETBREAK/CLRBREAK and esc_SETXOFF/SETXON. False for anything else or on failure.
  bool EscapeFunction(int code);

  // The ce_* flags of the line events counted since the previous call (the first call after
  // open only takes the baseline). 0 when the driver keeps no counts.
  uint32_t TakeLineErrors();

  enum class TIo { Ok, Unplugged, Failed };
  struct TIoResult {
    size_t Count = 0;  // bytes transferred; 0 with Ok when nothing was there or nothing fit
    TIo Status = TIo::Ok;
    uint32_t Error = 0;  // Win32 number when Failed
  };
  TIoResult Read(void* buffer, size_t size);
  TIoResult Write(const void* data, size_t size);

  enum class TWait { Readable, Writable, Timeout, Woken, Unplugged, Failed };
  // Waits up to `timeoutMs` (negative: without limit) for data, a hang-up, or `wakeFd` becoming
  // readable (the caller drains it). Once unplugged it returns Unplugged at once, so a reader
  // loop cannot spin on a dead descriptor.
  TWait Wait(int timeoutMs, int wakeFd = -1);
  // The same for room in the driver's transmit queue (Writable).
  TWait WaitWritable(int timeoutMs, int wakeFd = -1);

  // Bytes in the driver's receive and transmit queues; 0 when unknown.
  uint32_t InputQueued();
  uint32_t OutputQueued();
  // Line errors since the last call (TakeLineErrors) and both queue levels in one record.
  TComStat Status();
  // Discards what the driver holds in the chosen queues.
  bool Purge(bool input, bool output);

 private:
  TWait WaitFor(short events, TWait ready, int timeoutMs, int wakeFd);

  TcSetAttrFn setAttr_;
  int fd_ = -1;
  std::atomic<bool> unplugged_{false};  // set by the reading thread, read by the others
  termios original_{};
  DCB block_{};
  TLineCounts counts_{};
  bool countsKnown_ = false;
};

// The ce_* flags of the counts that grew from `before` to `now`.
uint32_t LineErrorsBetween(const TLineCounts& before, const TLineCounts& now);

// The msr_* level bits of a TIOCMGET line mask.
uint8_t ModemLevelsOf(int tiocm);
