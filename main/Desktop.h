// The desktop the program types into: key injection, the window in front and tones, from the
// platform's backend.
#pragma once

#include <functional>
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
  // A desktop that must ask the user first asks here and returns when the user has answered.
  virtual std::string TypingProblem() = 0;

  // Where the desktop tells the user what it waits for or that typing has stopped working (the
  // status line). Called on the GUI thread.
  using TNotice = std::function<void(const std::string&)>;
  virtual void SetNotice(TNotice) {}
};

// The name of the program's desktop entry, which Wayland compositors also know its windows by.
inline constexpr const char* kDesktopFileName = "org.tarvolin.Tarvolin";

// Before the QApplication exists: makes Qt show the program's windows where the backend sees
// them, so that they are recognised as the program's own.
void PrepareDesktop();

std::unique_ptr<TDesktop> OpenDesktop();
