// Tones on X11: the keyboard bell rung at the asked pitch and length.
#pragma once

#include "platform/Sound.h"

class TX11Display;

class TX11Sound : public ISound {
 public:
  explicit TX11Sound(TX11Display& display) : display_(display) {}

  // Rings the bell with the given pitch and duration and puts the previous bell settings back;
  // returns at once.
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  void MessageBeep() override;

 private:
  TX11Display& display_;
};
