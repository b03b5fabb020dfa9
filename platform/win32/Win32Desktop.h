// The desktop on Windows: key injection with SendInput and the layout's key lookup, the
// foreground window, and tones. <windows.h> stays in the .cpp files: its VK_ macros and HWND
// clash with the portable names.
#pragma once

#include "platform/ForegroundWindow.h"
#include "platform/KeyInjector.h"
#include "platform/Sound.h"

// Virtual keys are the system's own, so they go to SendInput unchanged. Characters are CP1252 and
// are looked up as such, whatever the system's ANSI code page.
class TWin32KeyInjector : public IKeyInjector {
 public:
  void KeyEvent(uint8_t virtualKey, bool keyUp) override;
  uint16_t VkKeyScan(char ch) override;
  // The Caps Lock toggle as the calling thread's key state has it.
  bool CapsLockOn() override;
};

// Window ids are window handles (what a Qt widget's winId() gives on Windows).
class TWin32ForegroundWindow : public IForegroundWindow {
 public:
  WindowId Foreground() override;
  bool IsWindow(WindowId window) override;
  // The title in CP1252; characters outside it become '?'.
  std::string Title(WindowId window, int maxChars) override;
};

class TWin32Sound : public ISound {
 public:
  // Blocks for the length of the tone.
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  void MessageBeep() override;
};
