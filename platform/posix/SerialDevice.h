// One tty opened exclusively for a serial port: open and close, line block, modem lines, line
// error counts and non-blocking I/O with unplug detection. Errors are Win32 error numbers (0 on
// success), as the rest of the serial subsystem expects them. Not thread-safe: the owner
// serialises calls, except that Wait and WaitWritable may run unserialised on other threads;
// they see a Reopen as a device that changed under them, never as a torn state.
#pragma once

#include <termios.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/SerialLine.h"
#include "platform/posix/TtyExtras.h"

class TSerialDevice {
 public:
  // The call that writes terminal settings; tests count the writes through it.
  using TcSetAttrFn = int (*)(int fd, int when, const termios* t);
  // TIOCMGET, TIOCMBIS and TIOCMBIC on `lines`: 0 or -1 with errno, as ioctl answers.
  using TModemIoctlFn = int (*)(int fd, unsigned long request, int* lines);
  // Sets a rate outside the speed table (SetCustomBaud).
  using TCustomBaudFn = bool (*)(int fd, uint32_t baud);

  // The calls that tests replace: counting termios writes, a device with modem lines behind a
  // pseudo-terminal, a driver that refuses a rate. Null members take the system's calls.
  struct THooks {
    THooks(TcSetAttrFn setAttr = nullptr) : SetAttr(setAttr) {}
    TcSetAttrFn SetAttr = nullptr;
    TModemIoctlFn Modem = nullptr;
    TCustomBaudFn CustomBaud = nullptr;
  };

  explicit TSerialDevice(THooks hooks = {});
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

  // The device came back after it was unplugged (Unplugged is set): opens `path` as Open does
  // and gives it the last line block; only then is the dead descriptor closed. On failure the
  // device stays as it was.
  uint32_t Reopen(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // Set once a hang-up was seen; the descriptor cannot recover, the path must be opened again.
  bool Unplugged() const { return unplugged_; }

  // Applies the block: termios (written only when it differs from the device's current settings,
  // including the rate), the RTS toggle, then DTR and RTS by their control fields where no
  // handshake drives them; DTR under handshake is left to the caller. A refused block leaves the
  // device as it was. Returns 0 or a Win32 number (see DcbToTermios for what is refused;
  // kLineBaudNotSupported also when the driver cannot run at a rate outside the table). While
  // unplugged the block is only kept, for Reopen.
  uint32_t SetLineBlock(const DCB& dcb);
  // The last block applied (the open-time settings before the first), with what the device
  // reports for the fields termios holds.
  uint32_t GetLineBlock(DCB& dcb);

  // msr_Cts | msr_Dsr | msr_Ring | msr_Dcd as the lines stand; 0 for a device without modem
  // lines (pseudo-terminals).
  uint8_t ModemLines();
  bool HasModemLines();

  // RTS toggle without the driver's RS-485 mode: the writer raises RTS before it sends and
  // drops it once TransmitterEmpty. False where the driver toggles or no line is wired.
  bool RtsToggleByHand() const { return rtsByHand_; }
  bool TransmitterEmpty();

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
  // Opens `path` exclusively; the descriptor and its settings as found.
  uint32_t OpenExclusive(const std::string& path, int& fd, termios& original);
  // SetLineBlock on `fd`.
  uint32_t WriteLine(int fd, const DCB& dcb);
  uint32_t SetRtsToggle(int fd, bool on);
  bool ChangeModemLine(int fd, int line, bool on);
  int ModemIoctl(int fd, unsigned long request, int* lines);
  TWait WaitFor(short events, TWait ready, int timeoutMs, int wakeFd);

  THooks hooks_;
  std::atomic<int> fd_{-1};             // read unserialised by the waits
  std::atomic<bool> unplugged_{false};  // set by the reading thread, read by the others
  termios original_{};
  DCB block_{};
  TLineCounts counts_{};
  bool countsKnown_ = false;
  // The RTS toggle: the driver's RS-485 mode switched on (with the settings it had), or by hand.
  bool rs485On_ = false;
  TRs485Settings rs485Found_{};
  bool rtsByHand_ = false;
};

// The ce_* flags of the counts that grew from `before` to `now`.
uint32_t LineErrorsBetween(const TLineCounts& before, const TLineCounts& now);

// The msr_* level bits of a TIOCMGET line mask.
uint8_t ModemLevelsOf(int tiocm);
