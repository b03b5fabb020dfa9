// Key injection on X11 through the XTest extension, with the key lookup of the current layout
// read from the server's XKB keyboard map.
//
// Virtual keys are Windows codes: letters 'A'..'Z' and digits '0'..'9' name the keys that carry
// them, fixed codes name Shift, Ctrl, Alt, AltGr, Caps Lock, Enter, Tab, Backspace, Escape, the
// arrows and the editing and function keys, and every other key that produces a character gets
// an OEM code for as long as the layout stays the same. The lookup is rebuilt when the layout or
// the keyboard group changes.
#pragma once

#include <memory>

#include "platform/KeyInjector.h"

class TX11Display;

class TX11KeyInjector : public IKeyInjector {
 public:
  explicit TX11KeyInjector(TX11Display& display);
  ~TX11KeyInjector() override;

  // Whether keys can be injected now, or why not.
  enum class TReadiness { Ready, NoDisplay, ConnectionLost, NoXTest };
  TReadiness Readiness() const;
  // Whether keys can be injected (the server has XTest and the connection is alive).
  bool Available() const { return Readiness() == TReadiness::Ready; }

  // A press reaches the server together with the release that follows it.
  void KeyEvent(uint8_t virtualKey, bool keyUp) override;
  uint16_t VkKeyScan(char ch) override;
  bool CapsLockOn() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
