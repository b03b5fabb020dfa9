// The desktop the program types into: key injection, the window in front and tones, from the
// platform's backend.
#pragma once

#include <memory>

class IForegroundWindow;
class IKeyInjector;
class ISound;

class TDesktop {
 public:
  virtual ~TDesktop() = default;
  virtual IKeyInjector& Keys() = 0;
  virtual IForegroundWindow& Foreground() = 0;
  virtual ISound& Sound() = 0;
};

std::unique_ptr<TDesktop> OpenDesktop();
