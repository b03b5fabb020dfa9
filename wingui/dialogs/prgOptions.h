// The filter settings dialog TprgOptionForm as a modeless Win32 window: what a result looks like
// and what is done with it. Its design is dialogs/prgOptions.h; the capture path reads its fields
// afresh at every use. Control ids: wingui/dialogs/prgOptionsIds.h. Runs on the GUI thread.
#pragma once

#include "app/CaptureViews.h"
#include "dialogs/prgOptions.h"
#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogWindow.h"

class TprgOptionForm : public TDialogWindow, public IFilterOptionsView {
 public:
  // Created hidden, owned by `owner` (the main window), and served by the dialog navigation of
  // the message loop.
  explicit TprgOptionForm(HWND owner = nullptr);

  // Texts are CP1252. An index outside its list leaves the list with no selection (-1).
  std::string PrefixText() const override;
  void SetPrefixText(const std::string& text) override;
  std::string EolText() const override;
  void SetEolText(const std::string& text) override;
  std::string CheckText() const override;
  void SetCheckText(const std::string& text) override;
  std::string GoodText() const override;
  void SetGoodText(const std::string& text) override;
  int32_t DecSubstIndex() const override;
  void SetDecSubstIndex(int32_t index) override;
  int32_t CursMoveIndex() const override;
  void SetCursMoveIndex(int32_t index) override;

  // Position of the window frame on the screen.
  int32_t Left() const override;
  int32_t Top() const override;
  void SetLeft(int32_t left) override;
  void SetTop(int32_t top) override;

  int HelpContext() const { return TprgOptionsDesign::HelpContext; }

  void btnCloseClick();

 protected:
  void CloseRequested() override { btnCloseClick(); }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls(int dpi);
  HWND Item(int id) const { return GetDlgItem(Handle(), id); }
};
