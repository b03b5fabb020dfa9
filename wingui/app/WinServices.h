// Message boxes and the general error display as Win32 message boxes, owned by a window of the
// program (the main window) so that they stay in front of it.
#pragma once

#include <windows.h>

#include "app/CaptureViews.h"

class TWinMessageBoxes : public IMessageBoxes {
 public:
  explicit TWinMessageBoxes(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  void ShowMessageBox(const std::string& title, const std::string& text,
                      TMessageKind kind) override;

 private:
  HWND owner_;
};

// Shows an error's text in a message box titled with the application title.
class TWinErrorDisplay : public IErrorDisplay {
 public:
  explicit TWinErrorDisplay(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  void ShowException(const Exception& e) override;

 private:
  HWND owner_;
};
