// Keystroke output: turns a text or a navigation key into key events over IKeyInjector.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "base/VirtualKeys.h"
#include "platform/KeyInjector.h"

class TKeystrokes {
 public:
  // Waits the given number of milliseconds on the calling thread.
  using TSleep = std::function<void(unsigned ms)>;
  static void SleepFor(unsigned ms);

  // The longest pause between keystrokes that is taken; longer ones are cut to it.
  static constexpr unsigned kMaxPauseMs = 1000;

  explicit TKeystrokes(IKeyInjector& injector, TSleep sleep = SleepFor)
      : injector_(injector), sleep_(std::move(sleep)) {}

  void keyDown(uint8_t virtualKey);
  void keyUp(uint8_t virtualKey);
  // Press and release; then the pause between keystrokes, when one is set.
  void tapKey(uint8_t virtualKey);
  // Types an 8-bit (CP1252) text: Caps Lock switched off around it, Shift or AltGr where the
  // layout needs them, characters without a key skipped. Waits only for the pause between
  // keystrokes.
  void typeText(std::string_view text);

  // A pause after every key tapped, for receivers slower than the keyboard (remote sessions,
  // web forms). 0, the default, types at full speed; a negative value counts as 0.
  void SetPause(int32_t ms);
  unsigned Pause() const { return pauseMs_; }

  // Modifier bits in the high byte of a key lookup.
  static constexpr uint8_t kShiftBit = 0x01;
  static constexpr uint8_t kCtrlBit = 0x02;
  static constexpr uint8_t kAltBit = 0x04;

 private:
  IKeyInjector& injector_;
  TSleep sleep_;
  unsigned pauseMs_ = 0;
};
