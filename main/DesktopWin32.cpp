#include "main/Desktop.h"

#include "platform/win32/Win32Desktop.h"

namespace {

class TWin32Desktop : public TDesktop {
 public:
  IKeyInjector& Keys() override { return keys_; }
  IForegroundWindow& Foreground() override { return foreground_; }
  ISound& Sound() override { return sound_; }
  // Injected keys go to the window in front of the user's desktop, whatever it is.
  std::string TypingProblem() override { return {}; }

 private:
  TWin32KeyInjector keys_;
  TWin32ForegroundWindow foreground_;
  TWin32Sound sound_;
};

}  // namespace

// Qt's Windows platform shows the windows whose handles the foreground check compares.
void PrepareDesktop() {}

std::unique_ptr<TDesktop> OpenDesktop() {
  return std::make_unique<TWin32Desktop>();
}
