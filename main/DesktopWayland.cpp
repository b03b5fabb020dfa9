#include <QSocketNotifier>

#include "base/SysUtils.h"
#include "main/DesktopLinux.h"
#include "platform/KeyInjector.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Sound.h"

namespace {

// The window in front as the compositor tells it, except that nothing is in front once keys can
// no longer be delivered: readings are then kept, marked as not sent. The loss is said once.
class TDeliveringForeground : public IForegroundWindow {
 public:
  using TLost = std::function<std::string()>;  // why keys are lost now; empty while they are not
  TDeliveringForeground(IForegroundWindow& windows, TLost lost)
      : windows_(windows), lost_(std::move(lost)) {}
  void SetNotice(TDesktop::TNotice notice) { notice_ = std::move(notice); }

  WindowId Foreground() override {
    const WindowId window = windows_.Foreground();
    if (const std::string why = lost_(); !why.empty()) {
      if (!told_ && notice_) notice_(why);
      told_ = true;
      return 0;
    }
    return window;
  }
  bool IsWindow(WindowId window) override { return windows_.IsWindow(window); }
  std::string Title(WindowId window, int maxChars) override {
    return windows_.Title(window, maxChars);
  }

 private:
  IForegroundWindow& windows_;
  TLost lost_;
  TDesktop::TNotice notice_;
  bool told_ = false;
};

class TNoKeys : public IKeyInjector {
 public:
  void KeyEvent(uint8_t, bool) override {}
  uint16_t VkKeyScan(char) override { return 0xFFFF; }
  bool CapsLockOn() override { return false; }
};

// A connection of its own to the compositor Qt shows the windows on. Tones go to the X server
// of the session where there is one.
class TWaylandDesktop : public TDesktop {
 public:
  TWaylandDesktop()
      : foreground_(connection_, kDesktopFileName),
        delivering_(foreground_, [this] { return LostCause(); }),
        sound_(x11_) {
    virtualKeys_ = std::make_unique<TWaylandKeyInjector>(connection_, keymap_);
    if (connection_.Fd() >= 0) {
      // Events that arrive between two looks at the window in front are read as they come,
      // so that the compositor never finds the connection full.
      reader_ = std::make_unique<QSocketNotifier>(connection_.Fd(), QSocketNotifier::Read);
      QObject::connect(reader_.get(), &QSocketNotifier::activated, [this] {
        if (!connection_.Dispatch()) reader_->setEnabled(false);
      });
    }
  }

  IKeyInjector& Keys() override {
    if (virtualKeys_->Readiness() == TWaylandKeyInjector::TReadiness::Ready) return *virtualKeys_;
    return noKeys_;
  }
  IForegroundWindow& Foreground() override { return delivering_; }
  ISound& Sound() override { return sound_; }
  void SetNotice(TNotice notice) override { delivering_.SetNotice(std::move(notice)); }

  std::string TypingProblem() override {
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
    if (!connection_.Lost()) return {};
    return Format(
        "Verbindung zum Wayland-Compositor \"%s\" abgebrochen: Es wird nichts mehr gesendet.",
        connection_.Name());
  }

  TWaylandConnection connection_;
  TOwnKeymap keymap_;
  std::unique_ptr<TWaylandKeyInjector> virtualKeys_;
  TNoKeys noKeys_;
  TWaylandForeground foreground_;
  TDeliveringForeground delivering_;
  TX11Display x11_;
  TX11Sound sound_;
  std::unique_ptr<QSocketNotifier> reader_;
};

}  // namespace

std::unique_ptr<TDesktop> OpenWaylandDesktop(bool) {
  return std::make_unique<TWaylandDesktop>();
}

bool WaylandReachable() {
  return TWaylandConnection().Connected();
}
