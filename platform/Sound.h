// Tones the capture application sounds: a short high one when Start fails, a long low one when
// a result fails its check.
#pragma once

class ISound {
 public:
  virtual ~ISound() = default;
  // A tone of the given pitch and length, or the nearest the platform can do. Does not block
  // longer than the tone lasts.
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
  // The system's warning sound.
  virtual void MessageBeep() = 0;
};
