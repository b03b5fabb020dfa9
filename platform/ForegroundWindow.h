// The window that receives keystrokes: whether there is one, which it is, and its title.
#pragma once

#include <cstdint>
#include <string>

using WindowId = uint64_t;  // 0: no window

class IForegroundWindow {
 public:
  virtual ~IForegroundWindow() = default;
  // The window that currently has the keyboard focus (its top-level), or 0.
  virtual WindowId Foreground() = 0;
  // Whether the id still names a window.
  virtual bool IsWindow(WindowId window) = 0;
  // The window's title in CP1252, at most maxChars characters.
  virtual std::string Title(WindowId window, int maxChars) = 0;
};
