// The focus of a window whose controls are served by dialog navigation, as a dialog box keeps it:
// the control that had the focus gets it back when the window is activated again, the first tab
// stop when none had it.
#pragma once

#include <windows.h>

class TDialogFocus {
 public:
  // For WM_ACTIVATE of `wnd`, instead of the default handling.
  void Activate(HWND wnd, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
      HWND focus = GetFocus();
      if (focus && IsChild(wnd, focus)) last_ = focus;
      return;
    }
    if (HIWORD(wParam)) return;  // minimised
    HWND target = last_ && IsChild(wnd, last_) ? last_ : GetNextDlgTabItem(wnd, nullptr, FALSE);
    SetFocus(target ? target : wnd);
  }

 private:
  HWND last_ = nullptr;
};
