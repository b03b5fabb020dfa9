// What a test needs to watch a port from the GUI thread: pumping window messages while the device
// threads work, a handler that reads every announced byte as the port dialog's handler does, and
// the error code of a refused open.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "serial/AdExcept.h"
#include "serial/AdPort.h"
#include "serial/AwWndMsg.h"

// Handles window messages until `done` or until `timeout` passed; returns `done()`.
inline bool PumpFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    if (!WndMsg().HandleOneMessage()) WndMsg().WaitMessage(5);
  }
  return true;
}

// Reads the announced bytes one by one; `action` runs inside the handler after each call.
struct TPortReader : TObject {
  explicit TPortReader(TApdCustomComPort& p) : port(p) {}
  void Avail(TObject*, uint16_t count) {
    ++calls;
    for (uint16_t i = 0; i < count; ++i) seen += port.ReadChar();
    if (action) action();
  }
  TApdCustomComPort& port;
  int calls = 0;
  std::string seen;
  std::function<void()> action;
};

// The error code with which opening `port` fails; 0 when it opened.
inline int32_t OpenFailure(TApdCustomComPort& port) {
  try {
    port.SetOpen(true);
  } catch (const EAPDException& e) {
    return e.ErrorCode;
  }
  return 0;
}
