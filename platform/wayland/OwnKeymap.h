// The keyboard layout the Wayland backends type with. It is the program's own, independent of
// the user's layout: every CP1252 character that has a keysym sits on a key of its own, so a
// reading types the same on every desktop.
//
// Virtual keys are Windows codes where the core uses them directly (Shift, Ctrl, Alt, Caps Lock,
// Enter, Tab, Backspace, Escape, space, the arrows and the editing and function keys, digits and
// letters); every other character gets one of the remaining codes. The key code a compositor
// receives is the virtual key itself (XKB key code virtual key + 8).
#pragma once

#include <cstdint>
#include <string>

class TOwnKeymap {
 public:
  TOwnKeymap();

  // As IKeyInjector::VkKeyScan: letters need Shift for their capitals; control characters are
  // their key (Backspace, Tab, Enter, Escape) or Ctrl and a letter (10 is Ctrl+Enter); 0xFFFF
  // where the character has no keysym.
  uint16_t VkKeyScan(char ch) const;

  // The keysym of a virtual key, of its Shift level when `shifted` (letters only: every other
  // key has one level); 0 for a key the layout does not have.
  uint32_t Keysym(uint8_t virtualKey, bool shifted) const;

  // Whether the key is a modifier (Shift, Ctrl, Alt, Caps Lock).
  static bool IsModifier(uint8_t virtualKey);

  // The layout as an XKB keymap source, self-contained (it includes no system file).
  std::string KeymapSource() const;

 private:
  uint32_t keysym_[256] = {};  // by virtual key
  uint16_t scan_[256] = {};    // by CP1252 character
};
