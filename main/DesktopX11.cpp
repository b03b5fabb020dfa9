#include "main/Desktop.h"

#include "platform/x11/X11Display.h"
#include "platform/x11/X11ForegroundWindow.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11Sound.h"

namespace {

// A connection of its own to $DISPLAY, the server Qt shows the windows on.
class TX11Desktop : public TDesktop {
 public:
  TX11Desktop() : keys_(display_), foreground_(display_), sound_(display_) {}
  IKeyInjector& Keys() override { return keys_; }
  IForegroundWindow& Foreground() override { return foreground_; }
  ISound& Sound() override { return sound_; }

 private:
  TX11Display display_;
  TX11KeyInjector keys_;
  TX11ForegroundWindow foreground_;
  TX11Sound sound_;
};

}  // namespace

std::unique_ptr<TDesktop> OpenDesktop() {
  return std::make_unique<TX11Desktop>();
}
