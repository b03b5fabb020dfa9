#include "app/Keystrokes.h"

#include <algorithm>
#include <chrono>
#include <thread>

void TKeystrokes::SleepFor(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TKeystrokes::SetPause(int32_t ms) {
  pauseMs_ = static_cast<unsigned>(std::clamp<int32_t>(ms, 0, kMaxPauseMs));
}

void TKeystrokes::keyDown(uint8_t virtualKey) {
  injector_.KeyEvent(virtualKey, false);
}

void TKeystrokes::keyUp(uint8_t virtualKey) {
  injector_.KeyEvent(virtualKey, true);
}

void TKeystrokes::tapKey(uint8_t virtualKey) {
  keyDown(virtualKey);
  keyUp(virtualKey);
  if (pauseMs_ > 0) sleep_(pauseMs_);
}

void TKeystrokes::typeText(std::string_view text) {
  // With Caps Lock on, letters would come out in the opposite case to what the Shift bit of the
  // lookup asks for; switch it off for the text and back on afterwards.
  const bool capsLock = injector_.CapsLockOn();
  if (capsLock) tapKey(VK_CAPITAL);

  for (char ch : text) {
    const uint16_t scan = injector_.VkKeyScan(ch);
    const uint8_t virtualKey = static_cast<uint8_t>(scan & 0xFF);
    const uint8_t modifiers = static_cast<uint8_t>(scan >> 8);
    if (virtualKey == 0xFF || modifiers == 0xFF) continue;  // no key produces it

    const bool shift = (modifiers & kShiftBit) != 0;
    // Ctrl and Alt together is how the lookup reports AltGr: without it the key would give its
    // plain character instead. A lone Ctrl or Alt bit is not pressed, so that code 10 (Return
    // with Ctrl) arrives as a plain Enter.
    const bool altGr = (modifiers & (kCtrlBit | kAltBit)) == (kCtrlBit | kAltBit);

    if (shift) keyDown(VK_SHIFT);
    if (altGr) keyDown(VK_RMENU);
    tapKey(virtualKey);
    if (altGr) keyUp(VK_RMENU);
    if (shift) keyUp(VK_SHIFT);
  }

  if (capsLock) tapKey(VK_CAPITAL);
}
