// The window in front on X11: the window manager's active window while a window manager that
// says so is running, otherwise the top-level window of the input focus.
#pragma once

#include "platform/ForegroundWindow.h"

class TX11Display;

class TX11ForegroundWindow : public IForegroundWindow {
 public:
  explicit TX11ForegroundWindow(TX11Display& display) : display_(display) {}

  WindowId Foreground() override;
  bool IsWindow(WindowId window) override;
  // _NET_WM_NAME (UTF-8) if the window has it, else WM_NAME; in CP1252.
  std::string Title(WindowId window, int maxChars) override;

 private:
  TX11Display& display_;
};
