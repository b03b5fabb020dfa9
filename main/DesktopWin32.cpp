#include "main/Desktop.h"

#include "platform/wayland/DeliveringForeground.h"
#include "platform/win32/Win32Desktop.h"

namespace {

// While keys would reach no program (a locked workstation, an elevated program in front, keys
// the system refused), no window counts as in front: readings are kept and marked as not sent,
// and the status line says why once, with the low tone.
class TWin32Desktop : public TDesktop {
 public:
  TWin32Desktop() : delivering_(foreground_, [this] { return LostCause(); }) {}
  IKeyInjector& Keys() override { return keys_; }
  IForegroundWindow& Foreground() override { return delivering_; }
  ISound& Sound() override { return sound_; }
  std::string TypingProblem() override { return keys_.Blocked(); }
  void SetNotice(TNotice notice) override {
    delivering_.SetNotice([this, notice = std::move(notice)](const std::string& text) {
      if (notice) notice(text);
      sound_.Beep(110, 500);
    });
  }

 private:
  std::string LostCause() {
    const std::string why = keys_.Blocked();
    return why.empty() ? why : why + " Es wird nichts gesendet.";
  }

  TWin32KeyInjector keys_;
  TWin32ForegroundWindow foreground_;
  TDeliveringForeground delivering_;
  TWin32Sound sound_;
};

}  // namespace

// Qt's Windows platform shows the windows whose handles the foreground check compares.
void PrepareDesktop() {}

std::unique_ptr<TDesktop> OpenDesktop() {
  return std::make_unique<TWin32Desktop>();
}
