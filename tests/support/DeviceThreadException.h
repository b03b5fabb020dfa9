// The check, for every device layer, that an exception escaping one of its threads is shown on
// the GUI thread instead of ending the program, and that the port still closes.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/AdPort.h"
#include "serial/AwFactory.h"
#include "serial/AwWndMsg.h"

// A device layer's dispatcher whose device status query fails with an exception once armed.
template <typename Dispatcher>
class TThrowingDispatcher : public Dispatcher {
 public:
  using Dispatcher::Dispatcher;
  std::atomic<bool> armed{false};

 protected:
  uint32_t GetDeviceStatus(TComStat& stat) override {
    if (armed.exchange(false)) throw std::runtime_error("status query failed");
    return Dispatcher::GetDeviceStatus(stat);
  }
};

// Opens `port` on a TThrowingDispatcher<Dispatcher> made of the owner and `args`, arms it, and
// expects the dispatch thread's exception shown on this thread (the GUI thread, which pumps
// meanwhile) and the port closed afterwards.
template <typename Dispatcher, typename... Args>
void ExpectDeviceThreadExceptionShown(TApdComPort& port, Args&... args) {
  std::vector<std::string> shown;
  TSerialContextScope context(TSerialContextScope::Edited([&](TSerialContext& c) {
    c.DispatcherFactory = [&args...](TApdCustomComPort* owner) {
      return std::unique_ptr<TApdBaseDispatcher>(
          std::make_unique<TThrowingDispatcher<Dispatcher>>(owner, args...));
    };
    c.ExceptionDisplay = [&](const std::exception& e) { shown.push_back(e.what()); };
  }));
  port.SetOpen(true);
  auto* disp = dynamic_cast<TThrowingDispatcher<Dispatcher>*>(port.Dispatcher());
  EXPECT_NE(disp, nullptr);
  if (disp) {
    disp->armed = true;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    WndMsg().PumpUntil([&] { return !shown.empty() || std::chrono::steady_clock::now() >= end; });
  }
  EXPECT_EQ(shown, std::vector<std::string>{"status query failed"});
  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), psClosed);
}
