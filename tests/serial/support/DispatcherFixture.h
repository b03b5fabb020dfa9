// A fake dispatcher opened on the test thread (which is the GUI thread) and windows that read
// announced bytes the way the port's event handlers do.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/AwFake.h"
#include "tests/serial/support/FakeSerialClock.h"

struct TReaderWindow {
  explicit TReaderWindow(TApdBaseDispatcher& d) : disp(d) {
    wnd = WndMsg().CreateWindow(TWndProc::Bind<&TReaderWindow::Proc>(this));
  }
  ~TReaderWindow() { WndMsg().DestroyWindow(wnd); }
  TReaderWindow(const TReaderWindow&) = delete;
  TReaderWindow& operator=(const TReaderWindow&) = delete;

  LRESULT Proc(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    msgs.push_back(TMsg{wnd, msg, wParam, lParam});
    if (msg == MsgTriggerAvail) {
      size_t n = toRead < 0 ? wParam : static_cast<size_t>(toRead);
      for (size_t i = 0; i < n; ++i) {
        char c;
        if (disp.ReadChar(c) == 0) seen += c;
      }
    }
    if (action) action();
    return 0;
  }
  int Count(UINT msg) const {
    int n = 0;
    for (const auto& m : msgs) n += m.message == msg;
    return n;
  }

  TApdBaseDispatcher& disp;
  HWND wnd;
  int toRead = -1;  // -1: everything announced
  std::string seen;
  std::vector<TMsg> msgs;
  std::function<void()> action;
};

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest() { WndMsg().AttachGuiThread(); }
  void Open(uint32_t options = ooDtr | ooRts) {
    ASSERT_EQ(disp.OpenDevicePort("COM1", 19200, NOPARITY, 8, 1, 4096, 4096, options), 0);
  }

  TFakeSerialClock clock;
  TApdFakeDispatcher disp;
};
