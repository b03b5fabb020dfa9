// What keystroke output asks of the desktop: inject one key event, look up which key produces a
// character in the current layout, and read the Caps Lock state. Key codes are Windows virtual
// key codes on every platform; backends translate them.
#pragma once

#include <cstdint>

class IKeyInjector {
 public:
  virtual ~IKeyInjector() = default;

  // One press (keyUp false) or release (keyUp true) of a virtual key, delivered to the window
  // that has the keyboard focus, in the order of the calls.
  virtual void KeyEvent(uint8_t virtualKey, bool keyUp) = 0;

  // The key of a CP1252 character in the current layout: low byte the virtual key, high byte
  // the modifiers the layout needs (bit 0 Shift, bit 1 Ctrl, bit 2 Alt; Ctrl+Alt is AltGr).
  // 0xFFFF when no key produces the character.
  virtual uint16_t VkKeyScan(char ch) = 0;

  // Whether Caps Lock is switched on.
  virtual bool CapsLockOn() = 0;
};
