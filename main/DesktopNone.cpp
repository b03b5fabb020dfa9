#include "main/Desktop.h"

#include "platform/ForegroundWindow.h"
#include "platform/KeyInjector.h"
#include "platform/Sound.h"

namespace {

class TNoKeys : public IKeyInjector {
 public:
  void KeyEvent(uint8_t, bool) override {}
  uint16_t VkKeyScan(char) override { return 0xFFFF; }
  bool CapsLockOn() override { return false; }
};

class TNoWindow : public IForegroundWindow {
 public:
  WindowId Foreground() override { return 0; }
  bool IsWindow(WindowId) override { return false; }
  std::string Title(WindowId, int) override { return {}; }
};

class TNoSound : public ISound {
 public:
  void Beep(unsigned, unsigned) override {}
  void MessageBeep() override {}
};

// Builds without a desktop backend see no window in front, so nothing is ever typed.
class TNoDesktop : public TDesktop {
 public:
  IKeyInjector& Keys() override { return keys_; }
  IForegroundWindow& Foreground() override { return window_; }
  ISound& Sound() override { return sound_; }
  std::string TypingProblem() override {
    return "Dieses Programm wurde ohne Anbindung an die Arbeitsoberfl\xE4"
           "che gebaut.";
  }

 private:
  TNoKeys keys_;
  TNoWindow window_;
  TNoSound sound_;
};

}  // namespace

void PrepareDesktop() {}

std::unique_ptr<TDesktop> OpenDesktop() {
  return std::make_unique<TNoDesktop>();
}
