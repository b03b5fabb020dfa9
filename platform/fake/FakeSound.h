// Records the tones asked for instead of sounding them.
#pragma once

#include <vector>

#include "platform/Sound.h"

class FakeSound : public ISound {
 public:
  struct Tone {
    unsigned frequencyHz;
    unsigned durationMs;
    bool operator==(const Tone&) const = default;
  };

  void Beep(unsigned frequencyHz, unsigned durationMs) override {
    tones_.push_back({frequencyHz, durationMs});
  }
  void MessageBeep() override { ++messageBeeps_; }

  const std::vector<Tone>& Tones() const { return tones_; }
  int MessageBeeps() const { return messageBeeps_; }

 private:
  std::vector<Tone> tones_;
  int messageBeeps_ = 0;
};
