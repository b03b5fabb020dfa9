// The Win32 communications calls of the serial device layer, behind an interface so that the
// layer's tests can also run it on a simulated driver (exclusive opens, drivers that refuse an
// event mask). The real implementation passes each call to the system unchanged.
//
// No <windows.h> here: its DCB, HWND and parity macros clash with the portable serial types, so
// handles travel as void* and the line block as a plain record with the Win32 field layout.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Win32Errors.h"

using TWinHandle = void*;

// INVALID_HANDLE_VALUE.
TWinHandle InvalidWinHandle();

// The DCB fields the dispatcher edits. Flags is the DCB's bit-field word as a whole, so bits the
// dispatcher does not know (abort on error, error character) go back to the driver unchanged.
struct TWinLineBlock {
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
  char XonChar = 17;
  char XoffChar = 19;
};

// An event object (CreateEventA, unnamed). Copying is not allowed; closing twice is harmless.
class TWinEvent {
 public:
  TWinEvent() = default;
  ~TWinEvent() { Close(); }
  TWinEvent(const TWinEvent&) = delete;
  TWinEvent& operator=(const TWinEvent&) = delete;

  bool Create(bool manualReset);
  void Close();
  bool Created() const { return handle_ != nullptr; }
  void Set();
  void Reset();
  // Waits up to `ms` milliseconds (kWaitForever: without limit); whether it was signalled.
  bool Wait(uint32_t ms);
  TWinHandle Handle() const { return handle_; }

  static constexpr uint32_t kWaitForever = 0xFFFFFFFF;
  // Waits for the first of two events: 0 or 1, or -1 after `ms` or on failure.
  static int WaitAny(TWinEvent& first, TWinEvent& second, uint32_t ms);

 private:
  TWinHandle handle_ = nullptr;
};

// An OVERLAPPED record, stored opaquely.
struct TWinOverlapped {
  alignas(8) unsigned char Storage[32] = {};
};
// Clears the record and gives it `event` to signal on completion.
void PrepareOverlapped(TWinOverlapped& record, TWinHandle event);
TWinHandle OverlappedEvent(const TWinOverlapped& record);
// SetEvent on a raw event handle (simulated drivers complete a record with it).
void SignalWinEvent(TWinHandle event);

class IWin32Comm {
 public:
  virtual ~IWin32Comm() = default;

  // The calling thread's last error after a failed call.
  virtual uint32_t LastError() = 0;
  // CreateFileA for reading and writing, not shared, existing devices only, overlapped.
  // InvalidWinHandle() on failure.
  virtual TWinHandle OpenComm(const std::string& name) = 0;
  virtual bool CloseHandle(TWinHandle handle) = 0;
  virtual bool SetupComm(TWinHandle handle, uint32_t inSize, uint32_t outSize) = 0;
  virtual bool GetCommState(TWinHandle handle, TWinLineBlock& block) = 0;
  virtual bool SetCommState(TWinHandle handle, const TWinLineBlock& block) = 0;
  // SetCommTimeouts with read interval MAXDWORD and every other field 0: reads return at once
  // with what is there.
  virtual bool SetReadsReturnAtOnce(TWinHandle handle) = 0;
  virtual bool SetCommMask(TWinHandle handle, uint32_t mask) = 0;
  virtual bool WaitCommEvent(TWinHandle handle, uint32_t* mask, TWinOverlapped& record) = 0;
  virtual bool ReadFile(TWinHandle handle, void* buffer, uint32_t size, uint32_t* done,
                        TWinOverlapped& record) = 0;
  virtual bool WriteFile(TWinHandle handle, const void* buffer, uint32_t size, uint32_t* done,
                         TWinOverlapped& record) = 0;
  virtual bool GetOverlappedResult(TWinHandle handle, TWinOverlapped& record, uint32_t* done,
                                   bool wait) = 0;
  // Ends the calling thread's pending I/O on the handle.
  virtual bool CancelIo(TWinHandle handle) = 0;
  virtual bool ClearCommError(TWinHandle handle, uint32_t* errors, uint32_t* inQueue,
                              uint32_t* outQueue) = 0;
  virtual bool GetCommModemStatus(TWinHandle handle, uint32_t* status) = 0;
  virtual bool EscapeCommFunction(TWinHandle handle, uint32_t function) = 0;
  virtual bool PurgeComm(TWinHandle handle, uint32_t flags) = 0;
  // Whether the system is of the Windows NT line (every Windows this program runs on).
  virtual bool IsWindowsNT() = 0;
  // What identifies the device behind COM<n> across unplugging (its device instance path), or
  // empty where the system does not tell.
  virtual std::string DeviceIdentity(int) { return {}; }
};

// The system's calls.
IWin32Comm& SystemComm();

// The system's serial-device map (HARDWARE\DEVICEMAP\SERIALCOMM): COM number -> the device
// that serves it, for example 3 -> "\Device\VCP0".
std::map<int, std::string> SerialDeviceMap();

// PurgeComm flags.
enum : uint32_t {
  kPurgeTxAbort = 0x0001,
  kPurgeRxAbort = 0x0002,
  kPurgeTxClear = 0x0004,
  kPurgeRxClear = 0x0008,
};

// The calling thread's id, and a priority step (0 idle, 1 lowest, 2 below normal, 3 normal,
// 4 above normal, 5 highest, 6 time critical; clamped) for a thread given by id.
uint32_t CurrentWinThreadId();
void SetWinThreadPriority(uint32_t threadId, int step);
