// The about box TfrmAbout as a modeless Win32 window: product, version and build, copyright,
// vendor and description of the running program, read once from its version block when the
// window is created. "&Schließen", Esc and the close box only hide it. Control ids:
// wingui/qualification/winAboutIds.h. Runs on the GUI thread.
#pragma once

#include <string>

#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogWindow.h"

class TfrmAbout : public TDialogWindow {
 public:
  // Created hidden, owned by `owner`. Reads the version block of `programFile` (CP1252 path; the
  // running program's file when empty).
  explicit TfrmAbout(HWND owner = nullptr, const std::string& programFile = std::string());

  void btnCloseClick();

 protected:
  void CloseRequested() override { btnCloseClick(); }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void FormCreate(const std::string& programFile);
};
