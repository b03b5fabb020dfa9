// The preview control and the preview window below the toolkit: the pages of one run with the
// page shown, the zoom and the page view's geometry; printing a range of copies; closing refused
// while pages are being printed; the keyboard table. Each GUI's window is a view of these.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "report/DrawMeta.h"
#include "report/PreviewLogic.h"
#include "report/PrintJob.h"

// The preview control: owns the recorded pages of one report run. Navigation and zoom return
// whether the page view must be laid out and painted again. GUI thread only.
class TPreviewControl {
 public:
  TPreviewControl() = default;
  TPreviewControl(const TPreviewControl&) = delete;
  TPreviewControl& operator=(const TPreviewControl&) = delete;

  // The report fills this list; show a page afterwards so that the view follows.
  tPages& Pages() { return pages_; }
  const tPages& Pages() const { return pages_; }
  int PageCount() const { return pages_.Count(); }
  int CurrentPage() const { return position_.Page(); }
  int Zoom() const { return position_.Zoom(); }
  // Current page, a slash and the page count, for example "2/3".
  std::string PageIndicator() const { return position_.Indicator(PageCount()); }

  bool ShowPage(int n) { return position_.ShowPage(n, PageCount()); }
  bool FirstPage() { return position_.FirstPage(PageCount()); }
  bool LastPage() { return position_.LastPage(PageCount()); }
  bool NextPage() { return position_.NextPage(PageCount()); }
  bool PrevPage() { return position_.PrevPage(); }
  bool SetZoom(int zoom) { return position_.SetZoom(zoom); }
  // A mouse button pressed on the page view: one step on the zoom ladder.
  bool MouseZoom(TMouseButton button) { return SetZoom(MouseZoomStep(Zoom(), button)); }

  // Paper size of the pages in pixels (A4 portrait at 96 pixels per inch without pages). Every
  // page of a run has the size of that run.
  int PageWidth() const;
  int PageHeight() const;
  // The page view and the scroll ranges: as designed until the first layout, then after the
  // page size and the zoom of the last layout.
  const TPageViewGeometry& Geometry() const { return geometry_; }
  const TPageViewGeometry& Layout();
  // Plays the current page, if there is one, over the whole page view; `clip` is the part of the
  // view to be painted (page view pixels).
  void PaintPageView(IPageSurface& surface, const TRect& clip) const;

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  // True while PrintPages is sending pages to the printer.
  bool Printing() const { return printing_; }
  // Pages from..to as one job on `target`, in the pages' orientation (PrintPageRange); the
  // printing flag is cleared again on every way out, so that a failure never keeps the window.
  void PrintPages(IPrintTarget& target, int from, int to);

 private:
  tPages pages_;
  TPreviewPosition position_;
  TPageViewGeometry geometry_{823, 1164, 823 + 2 * kPreviewBorder, 1164 + 2 * kPreviewBorder};
  std::string title_;
  bool printing_ = false;
};

enum class TScrollAxis { Horizontal, Vertical };

// What the preview window controller asks of its window.
class IPreviewWindow {
 public:
  virtual ~IPreviewWindow() = default;
  // The page or zoom changed: lay out and paint the page view again.
  virtual void RepaintPageView() = 0;
  virtual void ShowPageIndicator(const std::string& text) = 0;
  virtual void CloseWindow() = 0;
  virtual void WarningBeep() = 0;
  virtual std::string Caption() const = 0;
  // Shows the print dialog offering `choice`; false when cancelled, else `choice` holds the
  // user's range and copies.
  virtual bool RunPrintDialog(TPrintChoice& choice) = 0;
  // The device of one new print job.
  virtual std::unique_ptr<IPrintTarget> NewPrintJob() = 0;
  // The application's general error display.
  virtual void ShowError(const std::string& message) = 0;
  virtual int ScrollPosition(TScrollAxis axis) const = 0;
  virtual void SetScrollPosition(TScrollAxis axis, int position) = 0;
};

// The preview window's handlers. GUI thread only; the window and the control must outlive it.
class TPreviewWindowControl {
 public:
  TPreviewWindowControl(IPreviewWindow& window, TPreviewControl& control)
      : window_(window), control_(control) {}

  // Shows the first page and the indicator; the report code calls it after a run.
  void ShowFirstPage() { spbfirstClick(); }
  void spbfirstClick();
  void spbPrevClick();
  void spbNextClick();
  void spbLastClick();
  void cbxScaleChange(std::string_view text);
  // Print dialog, then one job per copy; a failure is shown and ends the copies.
  void btnPrintNowClick();
  // Whether the window may close: not while pages are being printed (refused with a beep).
  bool FormCloseQuery();
  // Handles a key of the keyboard table (a Windows virtual-key code); true when consumed.
  bool FormKeyDown(uint16_t virtualKey);

 private:
  void Navigated(bool changed);

  IPreviewWindow& window_;
  TPreviewControl& control_;
};
