// A dispatcher on a simulated device, driven step by step from one thread.
//
// It holds what a driver would: the device's line block, a receive queue, modem lines, pending
// error flags and the bytes written, and it records every device call. Nothing runs by itself:
// the driving thread pushes bytes or line changes and then runs a dispatch step (Step,
// TimerStep), which does what a device layer's dispatch thread does. The driver side may be fed
// from any thread.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "serial/AwUser.h"

class TApdFakeDispatcher : public TApdBaseDispatcher {
 public:
  explicit TApdFakeDispatcher(TObject* owner = nullptr);
  ~TApdFakeDispatcher() override;

  // ---- Driver side ----
  void PushBytes(std::string_view bytes);
  uint32_t DriverInCount();
  // ce_* flags reported (and cleared) by the next device status query.
  void RaiseErrors(uint32_t flags);
  // msr_Cts, msr_Dsr, msr_Ring, msr_Dcd.
  void SetModemLines(uint8_t levels);
  // Bytes the device reports as waiting for output.
  void SetPendingOutput(uint32_t count);
  // The most bytes one ReadDevice hands out (a slow driver).
  void SetReadChunk(uint32_t bytes);
  DCB DeviceBlock();
  void SetDeviceBlock(const DCB& block);
  std::string Transmitted();

  // ---- Failures to inject ----
  // OpenDeviceHandle fails: result -8 (no events) or -1 with `error` as the device error.
  void FailOpen(int result, int error);
  void FailSetupQueues(int error);
  void FailSetState(int result);

  // ---- Stepping ----
  void Step(uint32_t eventMask = ev_RXCHAR) { DispatchEvents(eventMask); }
  void TimerStep() { DispatchTimers(); }

  // ---- Record of device calls, e.g. "SetDeviceState", "EscapeFunction 5", "ReadDevice 8192"
  std::vector<std::string> Calls();
  int CallCount(std::string_view name);
  void ClearCalls();

 protected:
  int EscapeFunction(int func) override;
  int FlushDevice(int queue) override;
  uint32_t GetDeviceStatus(TComStat& stat) override;
  int ReportReadError(int code) override;
  int GetDeviceState(DCB& block) override;
  int ReadDevice(char* buffer, uint32_t size) override;
  int SetDeviceState(const DCB& block) override;
  int WriteDevice(const char* buffer, uint32_t size) override;
  bool WaitDeviceEvent(uint32_t& mask) override;
  bool SetupDeviceQueues(uint32_t inSize, uint32_t outSize) override;
  void StartThreads() override;
  void StopThreads() override;
  int OpenDeviceHandle(const std::string& name, uint32_t inSize, uint32_t outSize) override;
  int CloseDevice() override;
  void YieldDevice() override;
  uint8_t GetModemLines() override;
  int LastDeviceError() override;

 private:
  void Record(std::string call);

  std::mutex mutex_;
  std::vector<std::string> calls_;
  DCB device_;
  std::deque<char> rx_;
  std::string tx_;
  uint32_t errors_ = 0;
  uint8_t modemLines_ = 0;
  uint32_t pendingOutput_ = 0;
  uint32_t readChunk_ = UINT32_MAX;
  int openResult_ = 1;
  int lastError_ = 0;
  bool setupOk_ = true;
  int setStateResult_ = 0;
};
