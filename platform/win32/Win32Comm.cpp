#include "platform/win32/Win32Comm.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/win32/Win32PortEnum.h"

static_assert(sizeof(OVERLAPPED) <= sizeof(TWinOverlapped::Storage));
static_assert(alignof(OVERLAPPED) <= 8);
static_assert(sizeof(DWORD) == sizeof(uint32_t));

namespace {

OVERLAPPED* Native(TWinOverlapped& record) {
  return reinterpret_cast<OVERLAPPED*>(record.Storage);
}

DWORD* Dword(uint32_t* value) {
  return reinterpret_cast<DWORD*>(value);
}

// The DCB's bit-field word follows BaudRate.
constexpr size_t kFlagsOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);

// The named fields of a line block, between the system's DCB and our record; the flags, bit
// fields there, are copied as one word.
template <class To, class From>
void CopyNamedFields(To& to, const From& from) {
  to.BaudRate = from.BaudRate;
  to.XonLim = from.XonLim;
  to.XoffLim = from.XoffLim;
  to.ByteSize = from.ByteSize;
  to.Parity = from.Parity;
  to.StopBits = from.StopBits;
  to.XonChar = from.XonChar;
  to.XoffChar = from.XoffChar;
}

class TSystemComm : public IWin32Comm {
 public:
  uint32_t LastError() override { return ::GetLastError(); }

  TWinHandle OpenComm(const std::string& name) override {
    return ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  }
  bool CloseHandle(TWinHandle handle) override { return ::CloseHandle(handle) != FALSE; }
  bool SetupComm(TWinHandle handle, uint32_t inSize, uint32_t outSize) override {
    return ::SetupComm(handle, inSize, outSize) != FALSE;
  }

  bool GetCommState(TWinHandle handle, TWinLineBlock& block) override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) return false;
    CopyNamedFields(block, dcb);
    std::memcpy(&block.Flags, reinterpret_cast<const char*>(&dcb) + kFlagsOffset, 4);
    return true;
  }

  bool SetCommState(TWinHandle handle, const TWinLineBlock& block) override {
    // The fields the record does not carry (error, end-of-file and event characters) keep the
    // driver's values.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) return false;
    CopyNamedFields(dcb, block);
    std::memcpy(reinterpret_cast<char*>(&dcb) + kFlagsOffset, &block.Flags, 4);
    return ::SetCommState(handle, &dcb) != FALSE;
  }

  bool SetReadsReturnAtOnce(TWinHandle handle) override {
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    return ::SetCommTimeouts(handle, &t) != FALSE;
  }
  bool SetCommMask(TWinHandle handle, uint32_t mask) override {
    return ::SetCommMask(handle, mask) != FALSE;
  }
  bool WaitCommEvent(TWinHandle handle, uint32_t* mask, TWinOverlapped& record) override {
    return ::WaitCommEvent(handle, Dword(mask), Native(record)) != FALSE;
  }
  bool ReadFile(TWinHandle handle, void* buffer, uint32_t size, uint32_t* done,
                TWinOverlapped& record) override {
    return ::ReadFile(handle, buffer, size, Dword(done), Native(record)) != FALSE;
  }
  bool WriteFile(TWinHandle handle, const void* buffer, uint32_t size, uint32_t* done,
                 TWinOverlapped& record) override {
    return ::WriteFile(handle, buffer, size, Dword(done), Native(record)) != FALSE;
  }
  bool GetOverlappedResult(TWinHandle handle, TWinOverlapped& record, uint32_t* done,
                           bool wait) override {
    return ::GetOverlappedResult(handle, Native(record), Dword(done), wait ? TRUE : FALSE) != FALSE;
  }
  bool CancelIo(TWinHandle handle) override { return ::CancelIo(handle) != FALSE; }
  bool ClearCommError(TWinHandle handle, uint32_t* errors, uint32_t* inQueue,
                      uint32_t* outQueue) override {
    COMSTAT stat{};
    if (!::ClearCommError(handle, Dword(errors), &stat)) return false;
    *inQueue = stat.cbInQue;
    *outQueue = stat.cbOutQue;
    return true;
  }
  bool GetCommModemStatus(TWinHandle handle, uint32_t* status) override {
    return ::GetCommModemStatus(handle, Dword(status)) != FALSE;
  }
  bool EscapeCommFunction(TWinHandle handle, uint32_t function) override {
    return ::EscapeCommFunction(handle, function) != FALSE;
  }
  bool PurgeComm(TWinHandle handle, uint32_t flags) override {
    return ::PurgeComm(handle, flags) != FALSE;
  }
  bool IsWindowsNT() override {
    // Only systems of the NT line still run programs of this kind; GetVersionEx is deprecated.
    return true;
  }
  std::string DeviceIdentity(int comNumber) override {
    for (const TWin32SystemPort& port : DeviceManagerPorts())
      if (port.ComNumber == comNumber) return port.InstanceId;
    return {};
  }
};

}  // namespace

TWinHandle InvalidWinHandle() {
  return INVALID_HANDLE_VALUE;
}

IWin32Comm& SystemComm() {
  static TSystemComm comm;
  return comm;
}

std::map<int, std::string> SerialDeviceMap() {
  std::map<int, std::string> ports;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD i = 0;; ++i) {
    char device[256];
    char port[64];
    DWORD deviceSize = sizeof device;
    DWORD portSize = sizeof port - 1;
    DWORD type = 0;
    LONG rc = RegEnumValueA(key, i, device, &deviceSize, nullptr, &type,
                            reinterpret_cast<BYTE*>(port), &portSize);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    port[portSize] = '\0';
    // Values name "COM<n>"; other kinds of ports (LPT) have no number here.
    if (_strnicmp(port, "COM", 3) != 0) continue;
    int number = std::atoi(port + 3);
    if (number > 0) ports[number] = device;
  }
  RegCloseKey(key);
  return ports;
}

// ---------------------------------------------------------------------------------------------
// Events and records

bool TWinEvent::Create(bool manualReset) {
  Close();
  handle_ = ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
  return handle_ != nullptr;
}

void TWinEvent::Close() {
  if (handle_ != nullptr) ::CloseHandle(handle_);
  handle_ = nullptr;
}

void TWinEvent::Set() {
  if (handle_ != nullptr) ::SetEvent(handle_);
}

void TWinEvent::Reset() {
  if (handle_ != nullptr) ::ResetEvent(handle_);
}

bool TWinEvent::Wait(uint32_t ms) {
  return handle_ != nullptr && ::WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0;
}

int TWinEvent::WaitAny(TWinEvent& first, TWinEvent& second, uint32_t ms) {
  HANDLE both[2] = {first.handle_, second.handle_};
  if (both[0] == nullptr || both[1] == nullptr) return -1;
  DWORD r = ::WaitForMultipleObjects(2, both, FALSE, ms);
  if (r == WAIT_OBJECT_0) return 0;
  if (r == WAIT_OBJECT_0 + 1) return 1;
  return -1;
}

void PrepareOverlapped(TWinOverlapped& record, TWinHandle event) {
  std::memset(record.Storage, 0, sizeof record.Storage);
  Native(record)->hEvent = event;
}

TWinHandle OverlappedEvent(const TWinOverlapped& record) {
  return reinterpret_cast<const OVERLAPPED*>(record.Storage)->hEvent;
}

void SignalWinEvent(TWinHandle event) {
  ::SetEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Threads

uint32_t CurrentWinThreadId() {
  return ::GetCurrentThreadId();
}

void SetWinThreadPriority(uint32_t threadId, int step) {
  static constexpr int kSteps[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                   THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                   THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                   THREAD_PRIORITY_TIME_CRITICAL};
  HANDLE thread = ::OpenThread(THREAD_SET_INFORMATION, FALSE, threadId);
  if (thread == nullptr) return;
  ::SetThreadPriority(thread, kSteps[std::clamp(step, 0, 6)]);
  ::CloseHandle(thread);
}
