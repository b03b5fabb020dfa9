// Helpers for tests of the POSIX device layer on pseudo-terminals: the test thread is the GUI
// thread of the window-message facility and pumps it while it waits for the device threads.
#pragma once

#include <time.h>

#include <cstdint>
#include <functional>
#include <string>

#include "serial/AwUser.h"
#include "serial/AwWndMsg.h"
#include "tests/support/PortReader.h"

// CPU time the whole process has used, in milliseconds.
inline double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A trigger window as the port's hidden window would be: reads announced bytes with ReadChar.
struct TAvailWindow {
  explicit TAvailWindow(TApdBaseDispatcher* d = nullptr) : disp(d) {
    wnd = WndMsg().CreateWindow(TWndProc::Bind<&TAvailWindow::Proc>(this));
  }
  ~TAvailWindow() { WndMsg().DestroyWindow(wnd); }
  TAvailWindow(const TAvailWindow&) = delete;
  TAvailWindow& operator=(const TAvailWindow&) = delete;

  LRESULT Proc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg != MsgTriggerAvail) return 0;
    ++avails;
    lastCount = static_cast<uint32_t>(wParam);
    uint32_t n = toRead < 0 ? lastCount : static_cast<uint32_t>(toRead);
    for (uint32_t i = 0; i < n; ++i) {
      char c;
      if (disp->ReadChar(c) == 0) seen += c;
    }
    if (action) action();
    return 0;
  }

  TApdBaseDispatcher* disp;
  HWND wnd;
  int toRead = -1;  // -1: everything announced
  int avails = 0;
  uint32_t lastCount = 0;
  std::string seen;
  std::function<void()> action;
};
