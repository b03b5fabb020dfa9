// The main window TfrmMain as a Win32 window: menus, the two text fields, the run button with its
// glyph, the indicator panel, the status bar and the 500 ms timer. What it does is decided by
// TMainController (app/Mainform.h). Closing it ends the program. Control ids:
// wingui/app/MainformIds.h. Runs on the GUI thread.
#pragma once

#include <string>
#include <vector>

#include "app/Mainform.h"
#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogFocus.h"

class TfrmMain : public wingui::TWindow, public IMainWindowView {
 public:
  // What the window works with; the settings dialogs are shown by the menu and recognised as own
  // windows in front. Every window must outlive the main window's use of it.
  struct TServices : TMainServices {
    HWND serOptionForm = nullptr;
    HWND prgOptionForm = nullptr;
    HWND frmAbout = nullptr;
  };

  // Created hidden.
  TfrmMain();
  ~TfrmMain() override;

  void SetServices(TServices services);
  TMainController& Controller() { return controller_; }
  void Show();

  // IMainView
  int32_t Left() const override;
  int32_t Top() const override;
  void SetLeft(int32_t left) override;
  void SetTop(int32_t top) override;
  void SetCaption(const std::string& caption) override;
  void SetStatusText(const std::string& text) override;
  void SetCaptText(const std::string& text) override;
  void SetFiltText(const std::string& text) override;
  TColor LedColor() const override { return ledColor_; }
  void SetLedColor(TColor color) override;
  std::string LedText() const override;
  void SetLedText(const std::string& text) override;
  void showRunState() override { controller_.showRunState(); }

  // IMainWindowView
  void ShowRunButton(bool capturing) override;
  void SetTimerEnabled(bool on) override;
  void SetMenusEnabled(bool on) override;
  bool OwnWindowInFront(WindowId foreground) const override;
  bool OwnWindowActive() const override;
  void ShowPortSettings() override;
  void ShowFilterSettings() override;
  void ShowAbout() override;
  void ShowHelpTopic(const std::string& topic) override;
  void CloseWindow() override;

  std::string StatusText() const { return statusText_; }
  bool TimerEnabled() const { return timerOn_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateMenus();
  void CreateControls();
  // Places the controls for the client size and `dpi`, with that dpi's fonts.
  void Layout(int dpi);
  // The outer size of a client area in design units, with the menu bar.
  SIZE OuterSize(int clientWidth, int clientHeight, int dpi) const;
  void DrawLed(const DRAWITEMSTRUCT& item) const;
  void MenuSelect(UINT item, UINT flags, HMENU menu);
  HWND Item(int id) const { return GetDlgItem(Handle(), id); }

  TDialogFocus focus_;
  HMENU menuBar_ = nullptr;
  std::vector<HMENU> popups_;
  // The help context of the menu highlighted last, for F1 inside a menu.
  int menuHelpContext_ = 0;
  int dpi_ = 96;
  TColor ledColor_ = ledInactive;
  std::string statusText_;
  bool timerOn_ = false;
  // The run button's state, for its glyph at another resolution.
  bool capturing_ = false;
  TServices services_;
  TMainController controller_{*this};
};
