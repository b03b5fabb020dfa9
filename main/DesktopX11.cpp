#include "main/DesktopLinux.h"

#include "base/SysUtils.h"

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

  std::string TypingProblem() override {
    const std::string& name = display_.Name();
    switch (keys_.Readiness()) {
      case TX11KeyInjector::TReadiness::Ready:
        return {};
      case TX11KeyInjector::TReadiness::NoDisplay:
        if (name.empty()) return "Kein X-Server: die Variable DISPLAY ist nicht gesetzt.";
        return Format("Keine Verbindung zum X-Server \"%s\".", name);
      case TX11KeyInjector::TReadiness::ConnectionLost:
        return Format("Die Verbindung zum X-Server \"%s\" ist abgebrochen.", name);
      case TX11KeyInjector::TReadiness::NoXTest:
        return Format(
            "Dem X-Server \"%s\" fehlt die Erweiterung XTEST, \xFC"
            "ber die Tastendr\xFC"
            "cke gesendet werden.",
            name);
    }
    return {};
  }

 private:
  TX11Display display_;
  TX11KeyInjector keys_;
  TX11ForegroundWindow foreground_;
  TX11Sound sound_;
};

}  // namespace

std::unique_ptr<TDesktop> OpenX11Desktop() {
  return std::make_unique<TX11Desktop>();
}
