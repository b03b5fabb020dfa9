// A window built in design units at one resolution, moved to a monitor of another: its frame
// takes the place Windows suggests, its controls and their fonts scale with the resolution.
#pragma once

#include <windows.h>

class TDialogDpi {
 public:
  // The resolution the window's controls are built for.
  int Dpi() const { return dpi_; }
  // Gives `wnd` (of the style it was created with) a client area of `width` x `height` design
  // units at its monitor's resolution, and returns that resolution, for building its controls.
  int SizeClient(HWND wnd, int width, int height);
  // For WM_DPICHANGED of `wnd`: wParam holds the new resolution, lParam the suggested frame.
  void Changed(HWND wnd, WPARAM wParam, LPARAM lParam);

 private:
  int dpi_ = 96;
};
