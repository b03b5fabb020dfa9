// A scripted desktop for tests: windows with titles, one of which (or none) is in front.
#pragma once

#include <map>
#include <string>

#include "platform/ForegroundWindow.h"

class FakeForegroundWindow : public IForegroundWindow {
 public:
  WindowId Foreground() override { return foreground_; }
  bool IsWindow(WindowId window) override { return windows_.contains(window); }
  std::string Title(WindowId window, int maxChars) override;

  // Creates or retitles a window.
  void SetWindow(WindowId window, std::string title) { windows_[window] = std::move(title); }
  void DestroyWindow(WindowId window) { windows_.erase(window); }
  // Brings a window to the front; 0 leaves no window in front.
  void SetForeground(WindowId window) { foreground_ = window; }

 private:
  std::map<WindowId, std::string> windows_;
  WindowId foreground_ = 0;
};
