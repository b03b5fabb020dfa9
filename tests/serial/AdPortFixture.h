// A port component on fake dispatchers: every open creates a TTestDispatcher that the test
// drives step by step on its own thread, which is the GUI thread of the message facility.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/AdExcept.h"
#include "serial/AdPort.h"
#include "serial/AwFactory.h"
#include "tests/app/TempDir.h"
#include "tests/serial/support/FakeSerialClock.h"
#include "tests/support/AwFake.h"

// The error code of the serial exception of type E that `action` raises; 0 when it raises none.
template <typename E = EAPDException>
int32_t CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.ErrorCode;
  }
  return 0;
}

class TTestDispatcher : public TApdFakeDispatcher {
 public:
  using TApdFakeDispatcher::TApdFakeDispatcher;

  // What the dispatch thread does when it leaves after a close asked for inside a notification.
  void DispatchThreadExit() { ReleaseBuffers(); }
  // A handle as if the telephony layer had opened the device.
  void AdoptHandle(int handle) { SetDeviceHandle(handle); }
  int Boost() const { return PriorityBoost(); }
  // A test thread that plays the dispatch thread registers as a live device thread, and on
  // leaving releases what a close inside a notification left to it.
  void EnterThread() { ThreadStarted(); }
  void LeaveThread() {
    if (ClosePending()) ReleaseBuffers();
    ThreadEnded();
  }
  // Runs while the port waits for its threads to start.
  std::function<void()> whileStarting;

 protected:
  void StartThreads() override {
    TApdFakeDispatcher::StartThreads();
    if (whileStarting) whileStarting();
  }
};

class PortTest : public ::testing::Test {
 protected:
  PortTest() {
    WndMsg().AttachGuiThread();
    port.SetComNumber(3);
    // Closing writes what the trace and the log hold; never into the working directory.
    port.SetTraceName(dir.File("APRO.TRC"));
    port.SetLogName(dir.File("APRO.LOG"));
  }
  TTestDispatcher& Disp() {
    auto* d = dynamic_cast<TTestDispatcher*>(port.Dispatcher());
    if (!d) throw std::logic_error("the port has no dispatcher");
    return *d;
  }

  // Handles queued window messages until none is left.
  static void Pump() {
    while (WndMsg().HandleOneMessage()) {
    }
  }

  TFakeSerialClock clock;
  TempDir dir;
  // Runs on every dispatcher the factory creates, before the port opens it.
  std::function<void(TTestDispatcher&)> configure;
  int created = 0;
  std::vector<std::string> shown;
  // Before the port, which it outlives: closing may still show an exception.
  TSerialContextScope context{TSerialContextScope::Edited([this](TSerialContext& c) {
    c.DispatcherFactory = [this](TApdCustomComPort* owner) {
      auto d = std::make_unique<TTestDispatcher>(owner);
      if (configure) configure(*d);
      ++created;
      return std::unique_ptr<TApdBaseDispatcher>(std::move(d));
    };
    c.ExceptionDisplay = [this](const std::exception& e) { shown.push_back(e.what()); };
  })};
  TApdComPort port;
};
