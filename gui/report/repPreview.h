// The preview window of a report run: the preview control with a tool bar for printing, zoom and
// page navigation, and keyboard shortcuts. Not modal; frees itself when closed.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gui/report/alprev.h"
#include "report/PreviewControl.h"

class ISound;
class QPrinter;

namespace Ui {
class TfrmPreview;
}

class TfrmPreview : public QWidget, private IPreviewWindow {
  Q_OBJECT

 public:
  // `sound` (which must outlive the window) gives the warning beep; the toolkit's beep without.
  explicit TfrmPreview(QWidget* parent = nullptr, ISound* sound = nullptr);
  ~TfrmPreview() override;

  tAlPreview* Previewer() const;

  // Shows the first page and the page indicator; called after the report has filled the pages.
  void ShowFirstPage();

  // Shows the print dialog on `printer` with pages minPage..maxPage; true when the user asked
  // for printing. The system's print dialog unless replaced.
  using TPrintDialogRunner = std::function<bool(QPrinter& printer, int minPage, int maxPage)>;
  void SetPrintDialog(TPrintDialogRunner runner) { printDialog_ = std::move(runner); }
  // The printer the print dialog sets up; the system printer unless replaced.
  void SetDialogPrinter(QPrinter* printer) { dialogPrinter_ = printer; }
  // Shows a failure's text (CP1252); a message box unless replaced.
  using TErrorDisplay = std::function<void(const std::string& message)>;
  void SetErrorDisplay(TErrorDisplay display) { errorDisplay_ = std::move(display); }

  void btnCloseClick();
  void spbfirstClick();
  void spbPrevClick();
  void spbNextClick();
  void spbLastClick();
  void cbxScaleChange(const QString& text);
  void btnPrintNowClick();
  // Whether the window may close: not while pages are being printed.
  bool FormCloseQuery();
  void FormClose();
  // Handles a key of the keyboard table (a Windows virtual-key code); true when consumed.
  bool FormKeyDown(uint16_t virtualKey);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RepaintPageView() override;
  void ShowPageIndicator(const std::string& text) override;
  void CloseWindow() override { close(); }
  void WarningBeep() override;
  std::string Caption() const override;
  bool RunPrintDialog(TPrintChoice& choice) override;
  std::unique_ptr<IPrintTarget> NewPrintJob() override;
  void ShowError(const std::string& message) override { errorDisplay_(message); }
  int ScrollPosition(TScrollAxis axis) const override;
  void SetScrollPosition(TScrollAxis axis, int position) override;

  std::unique_ptr<Ui::TfrmPreview> ui_;
  std::unique_ptr<ISound> ownSound_;
  ISound* sound_;
  TPrintDialogRunner printDialog_;
  QPrinter* dialogPrinter_;
  TErrorDisplay errorDisplay_;
  std::unique_ptr<TPreviewWindowControl> control_;
};

// The preview window of the latest report run; cleared when that window closes.
extern TfrmPreview* frmPreview;
