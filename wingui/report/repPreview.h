// The preview window of a report run on Win32: the preview control with a tool bar for printing,
// zoom and page navigation, and keyboard shortcuts. Not modal; frees itself when closed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "report/PreviewControl.h"
#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogDpi.h"
#include "wingui/report/GdiPrint.h"
#include "wingui/report/alprev.h"

class ISound;

namespace wingui {

class TfrmPreview : public TWindow, private IPreviewWindow {
 public:
  // A new, hidden preview window; it deletes itself when closed. `sound` (which must outlive
  // the window) gives the warning beep; the system's without.
  static TfrmPreview* Create(ISound* sound = nullptr);

  tAlPreview* Previewer() { return &previewer_; }

  // Shows the window with the zoom box focused.
  void Show();
  // Shows the first page and the page indicator; called after the report has filled the pages.
  void ShowFirstPage();

  // Shows the print dialog offering `choice`; true when the user asked for printing, with the
  // range and copies in `choice` and the printer in `setup`. The system's dialog unless replaced.
  using TPrintDialogRunner = std::function<bool(TPrintChoice& choice, TPrinterSetup& setup)>;
  void SetPrintDialog(TPrintDialogRunner runner) { printDialog_ = std::move(runner); }
  // Shows a failure's text (CP1252); a message box unless replaced.
  using TErrorDisplay = std::function<void(const std::string& message)>;
  void SetErrorDisplay(TErrorDisplay display) { errorDisplay_ = std::move(display); }
  // Every page, one copy, on `setup` as the print button does after its dialog; false when the
  // job failed (the failure has been shown).
  bool PrintWithoutDialog(TPrinterSetup setup);

  void btnCloseClick();
  void spbfirstClick();
  void spbPrevClick();
  void spbNextClick();
  void spbLastClick();
  void cbxScaleChange(std::string_view text);
  void btnPrintNowClick();
  // Whether the window may close: not while printing is asked for or pages are being printed.
  bool FormCloseQuery();
  void FormClose();
  // Handles a key of the keyboard table (a Windows virtual-key code); true when consumed.
  bool FormKeyDown(uint16_t virtualKey);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  explicit TfrmPreview(ISound* sound);
  ~TfrmPreview() override;
  bool Build();
  void LayOut();
  void AddHint(HWND control, const char* hint);
  static LRESULT CALLBACK KeyPreview(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

  void RepaintPageView() override;
  void ShowPageIndicator(const std::string& text) override;
  void CloseWindow() override;
  void WarningBeep() override;
  std::string Caption() const override;
  bool RunPrintDialog(TPrintChoice& choice) override;
  std::unique_ptr<IPrintTarget> NewPrintJob() override;
  void ShowError(const std::string& message) override;
  int ScrollPosition(TScrollAxis axis) const override;
  void SetScrollPosition(TScrollAxis axis, int position) override;

  ISound* sound_;
  TDialogDpi dpi_;
  tAlPreview previewer_;
  TPreviewWindowControl control_;
  TPrintDialogRunner printDialog_;
  TErrorDisplay errorDisplay_;
  // The printer the last print dialog chose: the next job goes there too.
  TPrinterSetup printer_;
  // Print requests under way (their dialogs run message loops): the window stays until they end.
  int printRequests_ = 0;
  HWND tips_ = nullptr;
  HWND cbxScale_ = nullptr;
  HWND panel1_ = nullptr;
  // The picture buttons, each with its glyph's resource and the bitmap of the current dpi.
  struct TGlyphButton {
    HWND Button;
    int Resource;
    HBITMAP Bitmap;
  };
  std::vector<TGlyphButton> glyphs_;
};

// The preview window of the latest report run; cleared when that window closes.
extern TfrmPreview* frmPreview;

}  // namespace wingui
