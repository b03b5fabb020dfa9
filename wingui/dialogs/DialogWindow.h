// A window served by dialog navigation as a dialog box is: it keeps its focus across activation
// (TDialogFocus), scales to the resolution of the monitor it is moved to (TDialogDpi), and its
// close box runs what the derived window makes of closing.
#pragma once

#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogDpi.h"
#include "wingui/dialogs/DialogFocus.h"

class TDialogWindow : public wingui::TWindow {
 protected:
  // The close box and Alt+F4.
  virtual void CloseRequested() = 0;

  // WM_CLOSE, WM_ACTIVATE and WM_DPICHANGED; everything else goes on to the default handling.
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_CLOSE:
        CloseRequested();
        return 0;
      case WM_ACTIVATE:
        focus_.Activate(Handle(), wParam);
        return 0;
      case WM_DPICHANGED:
        dpi_.Changed(Handle(), wParam, lParam);
        return 0;
      default:
        return TWindow::HandleMessage(msg, wParam, lParam);
    }
  }

  TDialogDpi dpi_;
  TDialogFocus focus_;
};
