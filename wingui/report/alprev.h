// The report preview control on Win32: a scrolling child window around the page view, over the
// toolkit-free TPreviewControl that owns the pages, the page shown and the zoom. The page view's
// geometry is in 96-dpi design units and scaled for the monitor, like every window's: positions
// given and taken here (scroll positions, mouse positions) are design units.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/Event.h"
#include "report/DrawMeta.h"
#include "report/PreviewControl.h"
#include "wingui/WinUi.h"
#include "wingui/report/GdiPrint.h"

namespace wingui {

// Sender, button and position in page view pixels.
using TMouseEvent = TEvent<void(TObject*, TMouseButton, int, int)>;

class tAlPreview : public TWindow, public TObject {
 public:
  tAlPreview();
  ~tAlPreview() override;

  // Creates the control as child `id` of `parent` over `bounds` (parent client pixels), for a
  // monitor of `dpi`.
  bool CreateIn(HWND parent, int id, const RECT& bounds, int dpi);
  // The window moved to a monitor of `dpi`.
  void SetDpi(int dpi);

  TPreviewControl& Control() { return control_; }
  const TPreviewControl& Control() const { return control_; }

  // The pages of the run; the report fills this list. Show a page (or navigate) afterwards so
  // that the view follows.
  tPages& Pages() { return control_.Pages(); }
  int PageCount() const { return control_.PageCount(); }
  int CurrentPage() const { return control_.CurrentPage(); }
  int Zoom() const { return control_.Zoom(); }
  std::string PageIndicator() const { return control_.PageIndicator(); }

  void ShowPage(int n) { Refresh(control_.ShowPage(n)); }
  void FirstPage() { Refresh(control_.FirstPage()); }
  void LastPage() { Refresh(control_.LastPage()); }
  void NextPage() { Refresh(control_.NextPage()); }
  void PrevPage() { Refresh(control_.PrevPage()); }
  void SetZoom(int zoom) { Refresh(control_.SetZoom(zoom)); }

  const std::string& Title() const { return control_.Title(); }
  void SetTitle(std::string title) { control_.SetTitle(std::move(title)); }
  bool Printing() const { return control_.Printing(); }

  // The printer a print job uses, asked once per job; the system's default printer unless
  // replaced.
  using TPrinterSource = std::function<TPrinterSetup()>;
  void SetPrinterSource(TPrinterSource source) { printerSource_ = std::move(source); }
  // Prints pages from..to on the printer of the printer source (TPreviewControl::PrintPages).
  void PrintPages(int from, int to);
  std::unique_ptr<IPrintTarget> NewPrintJob();

  // Raised after a mouse button pressed on the page view has changed the zoom.
  TMouseEvent OnMouseDown;

  // The window the page is drawn on.
  HWND PageView() const;
  int ScrollPosition(TScrollAxis axis) const;
  void SetScrollPosition(TScrollAxis axis, int position);

  // Lays out and repaints the page view after the page or the zoom changed.
  void Refresh(bool changed = true);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  class TPageView;

  void PageViewMouseDown(TMouseButton button, int x, int y);
  void UpdateScrollBars();
  // Scroll bar positions in pixels.
  int BarPosition(int bar) const;
  void SetBarPosition(int bar, int pixels);
  void Scroll(TScrollAxis axis, WORD request);

  TPreviewControl control_;
  TPrinterSource printerSource_;
  int dpi_ = 96;
  std::unique_ptr<TPageView> pageView_;
};

}  // namespace wingui
