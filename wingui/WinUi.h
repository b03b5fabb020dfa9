// What every Win32 window of the program shares: text at the window's edge (the program's CP1252
// to the wide window functions and back), 96-dpi design units scaled for the window's monitor,
// the design fonts, child controls placed in design units, a window class whose messages reach a
// C++ object, the modeless dialogs the message loop must serve, and help contexts.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace wingui {

std::wstring Wide(std::string_view cp1252);
std::string Cp1252(std::wstring_view text);

std::string WindowText(HWND wnd);
void SetWindowText(HWND wnd, std::string_view cp1252);

// The dots per inch of the monitor `wnd` is on (96 without a window).
int WindowDpi(HWND wnd);
// Design units (96 dpi) to pixels at `dpi`.
inline int Scale(int units, int dpi) {
  return MulDiv(units, dpi, 96);
}

// A rectangle in design units: left, top, width, height, as the window definitions give them.
struct TDesignRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};
RECT ScaleRect(const TDesignRect& r, int dpi);

// The font of a window definition (face, size in points) at `dpi`. Fonts are kept for the
// program's life and shared: do not delete the handle.
HFONT DesignFont(const char* face, int points, int dpi, bool bold = false);
// The program's default, "MS Sans Serif" 8 pt.
HFONT DefaultFont(int dpi);

// A child control at a design rectangle, with its font set. WS_CHILD | WS_VISIBLE are added.
HWND CreateControl(HWND parent, const wchar_t* windowClass, std::string_view cp1252Text,
                   DWORD style, int id, const TDesignRect& rect, int dpi, HFONT font,
                   DWORD exStyle = 0);

// A top-level or child window whose messages go to HandleMessage. The object must outlive its
// window; the window is destroyed with the object.
class TWindow {
 public:
  TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  virtual ~TWindow();

  HWND Handle() const { return wnd_; }
  static TWindow* FromHandle(HWND wnd);

 protected:
  // Registers `className` once (with the program icon and an arrow cursor) and creates the
  // window; the client size is given in pixels by the caller when wanted (AdjustWindowRectEx).
  bool Create(const wchar_t* className, std::string_view cp1252Caption, DWORD style, DWORD exStyle,
              int x, int y, int width, int height, HWND owner, HMENU menu);
  // Unhandled messages go on to DefWindowProcW.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND wnd_ = nullptr;
};

// Modeless windows whose keyboard navigation (Tab, arrow keys, mnemonics, Enter, Esc) goes
// through IsDialogMessage in the message loop.
void AddDialogWindow(HWND wnd);
void RemoveDialogWindow(HWND wnd);
// The message loop's filter: true when the message was handled (F1, dialog navigation).
bool PreTranslate(MSG& msg);
// What F1 does in any window of the thread, given the window that has the keyboard focus; null
// leaves F1 to the windows (WM_HELP).
void SetHelpKeyHandler(void (*handler)(HWND focus));
// Runs the thread's message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// The help context of a window: set on a window, found from any control of it by walking up
// through parents and owners; 0 when none is set.
void SetHelpContext(HWND wnd, int context);
int HelpContextOf(HWND wnd);

}  // namespace wingui
