// The window in front as a desktop backend tells it, except that no window is in front once
// keys can no longer be delivered (the compositor or the portal is gone): readings are then kept
// and marked as not sent instead of being shown as typed. Each loss is said once. GUI thread
// only.
#pragma once

#include <functional>
#include <string>

#include "platform/ForegroundWindow.h"

class TDeliveringForeground : public IForegroundWindow {
 public:
  using TNotice = std::function<void(const std::string&)>;
  using TLost = std::function<std::string()>;  // why keys are lost now; empty while they are not
  TDeliveringForeground(IForegroundWindow& windows, TLost lost)
      : windows_(windows), lost_(std::move(lost)) {}
  void SetNotice(TNotice notice) { notice_ = std::move(notice); }

  WindowId Foreground() override {
    const WindowId window = windows_.Foreground();
    const std::string why = lost_();
    // Keys that work again (a new grant at the next Start) make the next loss worth a word.
    if (why.empty()) {
      told_ = false;
      return window;
    }
    if (!told_ && notice_) notice_(why);
    told_ = true;
    return 0;
  }
  bool IsWindow(WindowId window) override { return windows_.IsWindow(window); }
  std::string Title(WindowId window, int maxChars) override {
    return windows_.Title(window, maxChars);
  }

 private:
  IForegroundWindow& windows_;
  TLost lost_;
  TNotice notice_;
  bool told_ = false;
};
