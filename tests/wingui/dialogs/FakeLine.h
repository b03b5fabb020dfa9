// A simulated device under the program's port, for the window tests: the serial core's portable
// window types clash with <windows.h>, so the fake dispatcher is driven from its own translation
// unit through this header.
#pragma once

#include <cstdint>
#include <memory>

class TFakeLine {
 public:
  // Every port opened from now on runs on a fake dispatcher, with a serial clock that stands
  // still until Advance.
  TFakeLine();
  ~TFakeLine();

  void SetLines(bool cts, bool dsr, bool dcd);
  void FramingError();
  // Moves the clock on by `ticks` and runs the due timers.
  void Advance(int ticks);

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

// While it lives, the device layer's port list finds COM1 and COM3 free and the others absent,
// and describes port n as "COM<n> = fake".
class TFakePortLayer {
 public:
  TFakePortLayer();
  ~TFakePortLayer();

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};
