// The desktop the program types into: key injection, the window in front and tones, from the
// platform's backend.
#pragma once

#include <memory>
#include <string>

class IForegroundWindow;
class IKeyInjector;
class ISound;

class TDesktop {
 public:
  virtual ~TDesktop() = default;
  virtual IKeyInjector& Keys() = 0;
  virtual IForegroundWindow& Foreground() = 0;
  virtual ISound& Sound() = 0;
  // Why keys typed now would reach no program, as a sentence for the user; empty when they can.
  virtual std::string TypingProblem() = 0;
};

// Before the QApplication exists: makes Qt show the program's windows where the backend sees
// them, so that they are recognised as the program's own.
void PrepareDesktop();

std::unique_ptr<TDesktop> OpenDesktop();
