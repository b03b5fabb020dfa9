#include "tests/support/AwFake.h"

#include <algorithm>

#include "serial/AdErrCodes.h"

TApdFakeDispatcher::TApdFakeDispatcher(TObject* owner) : TApdBaseDispatcher(owner) {
  device_.BaudRate = 19200;
  device_.ByteSize = 8;
}

TApdFakeDispatcher::~TApdFakeDispatcher() {
  ShutdownDispatcher();
}

void TApdFakeDispatcher::Record(std::string call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

void TApdFakeDispatcher::PushBytes(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  rx_.insert(rx_.end(), bytes.begin(), bytes.end());
}

uint32_t TApdFakeDispatcher::DriverInCount() {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(rx_.size());
}

void TApdFakeDispatcher::RaiseErrors(uint32_t flags) {
  std::lock_guard lock(mutex_);
  errors_ |= flags;
}

void TApdFakeDispatcher::SetModemLines(uint8_t levels) {
  std::lock_guard lock(mutex_);
  modemLines_ = levels;
}

void TApdFakeDispatcher::SetPendingOutput(uint32_t count) {
  std::lock_guard lock(mutex_);
  pendingOutput_ = count;
}

void TApdFakeDispatcher::SetReadChunk(uint32_t bytes) {
  std::lock_guard lock(mutex_);
  readChunk_ = bytes;
}

DCB TApdFakeDispatcher::DeviceBlock() {
  std::lock_guard lock(mutex_);
  return device_;
}

void TApdFakeDispatcher::SetDeviceBlock(const DCB& block) {
  std::lock_guard lock(mutex_);
  device_ = block;
}

std::string TApdFakeDispatcher::Transmitted() {
  std::lock_guard lock(mutex_);
  return tx_;
}

void TApdFakeDispatcher::FailOpen(int result, int error) {
  std::lock_guard lock(mutex_);
  openResult_ = result;
  lastError_ = error;
}

void TApdFakeDispatcher::FailSetupQueues(int error) {
  std::lock_guard lock(mutex_);
  setupOk_ = false;
  lastError_ = error;
}

void TApdFakeDispatcher::FailSetState(int result) {
  std::lock_guard lock(mutex_);
  setStateResult_ = result;
}

std::vector<std::string> TApdFakeDispatcher::Calls() {
  std::lock_guard lock(mutex_);
  return calls_;
}

int TApdFakeDispatcher::CallCount(std::string_view name) {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), name));
}

void TApdFakeDispatcher::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

int TApdFakeDispatcher::EscapeFunction(int func) {
  Record("EscapeFunction " + std::to_string(func));
  return 0;
}

int TApdFakeDispatcher::FlushDevice(int queue) {
  Record("FlushDevice " + std::to_string(queue));
  std::lock_guard lock(mutex_);
  if (queue == 1)
    rx_.clear();
  else
    pendingOutput_ = 0;
  return 0;
}

uint32_t TApdFakeDispatcher::GetDeviceStatus(TComStat& stat) {
  std::lock_guard lock(mutex_);
  stat.InQueue = static_cast<uint32_t>(rx_.size());
  stat.OutQueue = pendingOutput_;
  uint32_t errors = errors_;
  errors_ = 0;
  return errors;
}

int TApdFakeDispatcher::ReportReadError(int code) {
  Record("ReportReadError " + std::to_string(code));
  return 0;
}

int TApdFakeDispatcher::GetDeviceState(DCB& block) {
  std::lock_guard lock(mutex_);
  block = device_;
  return 0;
}

int TApdFakeDispatcher::ReadDevice(char* buffer, uint32_t size) {
  Record("ReadDevice " + std::to_string(size));
  std::lock_guard lock(mutex_);
  uint32_t n = std::min({size, readChunk_, static_cast<uint32_t>(rx_.size())});
  std::copy_n(rx_.begin(), n, buffer);
  rx_.erase(rx_.begin(), rx_.begin() + n);
  return static_cast<int>(n);
}

int TApdFakeDispatcher::SetDeviceState(const DCB& block) {
  Record("SetDeviceState");
  std::lock_guard lock(mutex_);
  if (setStateResult_ == 0) device_ = block;
  return setStateResult_;
}

int TApdFakeDispatcher::WriteDevice(const char* buffer, uint32_t size) {
  std::lock_guard lock(mutex_);
  tx_.append(buffer, size);
  return static_cast<int>(size);
}

bool TApdFakeDispatcher::WaitDeviceEvent(uint32_t& mask) {
  mask = 0;
  return false;
}

bool TApdFakeDispatcher::SetupDeviceQueues(uint32_t inSize, uint32_t outSize) {
  Record("SetupDeviceQueues " + std::to_string(inSize) + " " + std::to_string(outSize));
  std::lock_guard lock(mutex_);
  return setupOk_;
}

void TApdFakeDispatcher::StartThreads() {
  Record("StartThreads");
  SetThreadsRunning(true);
}

void TApdFakeDispatcher::StopThreads() {
  Record("StopThreads");
  SetThreadsRunning(false);
}

int TApdFakeDispatcher::OpenDeviceHandle(const std::string& name, uint32_t, uint32_t) {
  Record("OpenDeviceHandle " + name);
  std::lock_guard lock(mutex_);
  return openResult_;
}

int TApdFakeDispatcher::CloseDevice() {
  Record("CloseDevice");
  SetDeviceHandle(-1);
  return 0;
}

void TApdFakeDispatcher::YieldDevice() {}

uint8_t TApdFakeDispatcher::GetModemLines() {
  std::lock_guard lock(mutex_);
  return modemLines_;
}

int TApdFakeDispatcher::LastDeviceError() {
  std::lock_guard lock(mutex_);
  return lastError_;
}
