#include <QSocketNotifier>

#include <cstdlib>

#include "base/SysUtils.h"
#include "main/DesktopLinux.h"
#include "platform/posix/SerialPortMap.h"
#include "platform/wayland/DeliveringForeground.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/PortalKeyInjector.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Sound.h"

namespace {

// Wayland has no tones of its own; without an X server beside it the program stays silent.
class TNoSound : public ISound {
 public:
  void Beep(unsigned, unsigned) override {}
  void MessageBeep() override {}
};

// A connection of its own to the compositor Qt shows the windows on. Keys go through a virtual
// keyboard where the compositor offers one and the portal is not asked for, otherwise through
// the remote-desktop portal. Tones go to the session's X server (XWayland) where there is one.
class TWaylandDesktop : public TDesktop {
 public:
  explicit TWaylandDesktop(bool portalOnly)
      : foreground_(connection_, kDesktopFileName),
        delivering_(foreground_, [this] { return LostCause(); }) {
    if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != '\0') {
      x11_ = std::make_unique<TX11Display>();
      sound_ = std::make_unique<TX11Sound>(*x11_);
    }
    if (!portalOnly && connection_.VirtualKeyboardManager() != nullptr) {
      virtualKeys_ = std::make_unique<TWaylandKeyInjector>(connection_, keymap_);
    } else {
      const std::string dir = ConfigDirectory(SystemEnvironment, std::string());
      portalKeys_ = std::make_unique<TPortalKeyInjector>(
          keymap_, dir.empty() ? std::string() : dir + "/remote-desktop.token");
    }
    if (connection_.Fd() >= 0) {
      // Events that arrive between two looks at the window in front are read as they come,
      // so that the compositor never finds the connection full.
      reader_ = std::make_unique<QSocketNotifier>(connection_.Fd(), QSocketNotifier::Read);
      QObject::connect(reader_.get(), &QSocketNotifier::activated, [this] {
        if (!connection_.Dispatch()) reader_->setEnabled(false);
      });
    }
  }

  // Either sends nothing while it cannot, and Start says why.
  IKeyInjector& Keys() override {
    if (portalKeys_) return *portalKeys_;
    return *virtualKeys_;
  }
  IForegroundWindow& Foreground() override { return delivering_; }
  ISound& Sound() override { return sound_ ? *sound_ : static_cast<ISound&>(noSound_); }
  void SetNotice(TNotice notice) override {
    notice_ = notice;
    delivering_.SetNotice(std::move(notice));
  }

  std::string TypingProblem() override {
    if (portalKeys_) {
      // The status line says what the desktop waits for, and then why it refused.
      std::string why = portalKeys_->Start(notice_);
      if (!why.empty() && notice_) notice_(why);
      return why;
    }
    const std::string& name = connection_.Name();
    switch (virtualKeys_->Readiness()) {
      case TWaylandKeyInjector::TReadiness::Ready:
        return {};
      case TWaylandKeyInjector::TReadiness::NoDisplay:
        return Format("Keine Verbindung zum Wayland-Compositor \"%s\".", name);
      case TWaylandKeyInjector::TReadiness::ConnectionLost:
        return Format("Die Verbindung zum Wayland-Compositor \"%s\" ist abgebrochen.", name);
      case TWaylandKeyInjector::TReadiness::NoVirtualKeyboard:
        return Format("Der Wayland-Compositor \"%s\" bietet keine virtuelle Tastatur an.", name);
      case TWaylandKeyInjector::TReadiness::NoKeymap:
        return Format("Der Wayland-Compositor \"%s\" hat die Tastaturbelegung nicht angenommen.",
                      name);
    }
    return {};
  }

 private:
  std::string LostCause() {
    if (portalKeys_) {
      const std::string why = portalKeys_->LostCause();
      return why.empty() ? why : why + " Es wird nichts mehr gesendet.";
    }
    if (!connection_.Lost()) return {};
    return Format(
        "Verbindung zum Wayland-Compositor \"%s\" abgebrochen: Es wird nichts mehr gesendet.",
        connection_.Name());
  }

  TWaylandConnection connection_;
  TOwnKeymap keymap_;
  std::unique_ptr<TWaylandKeyInjector> virtualKeys_;
  std::unique_ptr<TPortalKeyInjector> portalKeys_;
  TWaylandForeground foreground_;
  TDeliveringForeground delivering_;
  std::unique_ptr<TX11Display> x11_;
  std::unique_ptr<TX11Sound> sound_;
  TNoSound noSound_;
  TNotice notice_;
  std::unique_ptr<QSocketNotifier> reader_;
};

}  // namespace

std::unique_ptr<TDesktop> OpenWaylandDesktop(bool portalOnly) {
  return std::make_unique<TWaylandDesktop>(portalOnly);
}

bool WaylandReachable() {
  return TWaylandConnection().Connected();
}
