// The desktop on Windows: key injection with SendInput and the layout's key lookup, the
// foreground window, and tones. <windows.h> stays in the .cpp files: its VK_ macros and HWND
// clash with the portable names.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ForegroundWindow.h"
#include "platform/KeyInjector.h"
#include "platform/Sound.h"

// One key event as SendInput takes it.
struct TWin32KeyInput {
  uint8_t virtualKey = 0;
  bool keyUp = false;
  bool extended = false;
};

// What the key backend asks of Windows. Windows keeps the input language and the key state per
// thread, and drops keys for some targets without a word; behind this interface another
// program's layout and a system that swallows keys can be scripted.
class IWin32Keyboard {
 public:
  enum class TElevation { Unknown, Limited, Elevated };

  virtual ~IWin32Keyboard() = default;
  // The thread of the window in front, 0 when there is none.
  virtual uint32_t ForegroundThread() = 0;
  // The input layout (HKL) a thread uses; thread 0 is the calling one.
  virtual uintptr_t Layout(uint32_t thread) = 0;
  // The key of a character in a layout as VkKeyScanExW gives it (-1 for none).
  virtual int16_t KeyOf(char16_t ch, uintptr_t layout) = 0;
  // Whether the key is a dead key in the layout: it waits to combine with the next character.
  virtual bool DeadKey(uint8_t virtualKey, uintptr_t layout) = 0;
  // Caps Lock's toggle as the thread's input sees it, as far as the system lets it be read.
  virtual bool CapsLockOn(uint32_t thread) = 0;
  // Hands the events to the system in one go; how many it took.
  virtual unsigned Send(const TWin32KeyInput* events, unsigned count) = 0;
  // The name of the desktop that receives input ("Default" for the user's), empty when it
  // cannot be opened (the workstation is locked or a secure desktop is shown).
  virtual std::string InputDesktop() = 0;
  // Whether the process of the window in front, and this one, run elevated.
  virtual TElevation ForegroundElevation() = 0;
  virtual TElevation OwnElevation() = 0;
};

// The running system's answers.
IWin32Keyboard& SystemKeyboard();

// Keys for the program in front: characters are looked up in the layout of the foreground
// window's thread, which may differ from this program's, and Caps Lock is asked for that thread.
// Virtual keys go to SendInput unchanged; characters are CP1252, whatever the system's ANSI code
// page. A dead key is followed by a space, so that the accent arrives on its own instead of
// combining with the next character.
class TWin32KeyInjector : public IKeyInjector {
 public:
  explicit TWin32KeyInjector(IWin32Keyboard& keyboard = SystemKeyboard()) : keyboard_(keyboard) {}

  // Throws Exception with the reason when the system takes fewer events than it was given.
  void KeyEvent(uint8_t virtualKey, bool keyUp) override;
  uint16_t VkKeyScan(char ch) override;
  bool CapsLockOn() override;

  // Why keys would reach no program now, as a sentence for the user; empty when they can. A
  // refusal by the system counts until another window comes to the front.
  std::string Blocked();

 private:
  IWin32Keyboard& keyboard_;
  bool refused_ = false;
  uint32_t refusedThread_ = 0;
  std::string refusal_;
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
