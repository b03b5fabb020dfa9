#include "report/PreviewControl.h"

#include <algorithm>
#include <exception>

#include "base/Exception.h"

namespace {

// A4 portrait at 96 pixels per inch, the size of the view before there are pages.
constexpr int kDefaultPageWidth = 794;
constexpr int kDefaultPageHeight = 1123;

}  // namespace

int TPreviewControl::PageWidth() const {
  return pages_.Empty() ? kDefaultPageWidth : pages_[0]->Width();
}

int TPreviewControl::PageHeight() const {
  return pages_.Empty() ? kDefaultPageHeight : pages_[0]->Height();
}

const TPageViewGeometry& TPreviewControl::Layout() {
  geometry_ = PageViewGeometry(PageWidth(), PageHeight(), Zoom());
  return geometry_;
}

void TPreviewControl::PaintPageView(IPageSurface& surface, const TRect& clip) const {
  const int page = CurrentPage();
  if (page < 1 || page > PageCount()) return;
  surface.PlayPage(*pages_[page - 1], {0, 0, geometry_.Width, geometry_.Height}, clip);
}

void TPreviewControl::PrintPages(IPrintTarget& target, int from, int to) {
  struct TPrintingFlag {
    explicit TPrintingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TPrintingFlag() { flag_ = false; }
    bool& flag_;
  } printingFlag(printing_);
  const TPrinterOrientation orientation = PageWidth() > PageHeight() ? poLandscape : poPortrait;
  PrintPageRange(target, pages_, from, to, title_, orientation);
}

void TPreviewWindowControl::Navigated(bool changed) {
  if (changed) window_.RepaintPageView();
  window_.ShowPageIndicator(control_.PageIndicator());
}

void TPreviewWindowControl::spbfirstClick() {
  Navigated(control_.FirstPage());
}

void TPreviewWindowControl::spbPrevClick() {
  Navigated(control_.PrevPage());
}

void TPreviewWindowControl::spbNextClick() {
  Navigated(control_.NextPage());
}

void TPreviewWindowControl::spbLastClick() {
  Navigated(control_.LastPage());
}

void TPreviewWindowControl::cbxScaleChange(std::string_view text) {
  if (control_.SetZoom(ZoomFromText(text))) window_.RepaintPageView();
}

void TPreviewWindowControl::btnPrintNowClick() {
  TPrintChoice choice = PrintChoiceFor(control_.PageCount());
  if (!window_.RunPrintDialog(choice)) return;
  control_.SetTitle(window_.Caption());
  try {
    for (int copy = 0; copy < std::max(choice.Copies, 1); ++copy) {
      const std::unique_ptr<IPrintTarget> job = window_.NewPrintJob();
      control_.PrintPages(*job, choice.FromPage, choice.ToPage);
    }
  } catch (const Exception& e) {
    window_.ShowError(e.Message());
  } catch (const std::exception& e) {
    window_.ShowError(e.what());
  }
}

bool TPreviewWindowControl::FormCloseQuery() {
  if (!control_.Printing()) return true;
  window_.WarningBeep();
  return false;
}

bool TPreviewWindowControl::FormKeyDown(uint16_t virtualKey) {
  const TPageViewGeometry& g = control_.Geometry();
  auto back = [this](TScrollAxis axis) {
    window_.SetScrollPosition(axis, ScrollBack(window_.ScrollPosition(axis)));
  };
  auto forward = [this](TScrollAxis axis, int range) {
    window_.SetScrollPosition(axis, ScrollForward(window_.ScrollPosition(axis), range));
  };
  switch (PreviewKeyAction(virtualKey)) {
    case TPreviewKeyAction::None:
      return false;
    case TPreviewKeyAction::Close:
      window_.CloseWindow();
      break;
    case TPreviewKeyAction::PrevPage:
      spbPrevClick();
      break;
    case TPreviewKeyAction::NextPage:
      spbNextClick();
      break;
    case TPreviewKeyAction::FirstPage:
      spbfirstClick();
      break;
    case TPreviewKeyAction::LastPage:
      spbLastClick();
      break;
    case TPreviewKeyAction::ScrollLeft:
      back(TScrollAxis::Horizontal);
      break;
    case TPreviewKeyAction::ScrollUp:
      back(TScrollAxis::Vertical);
      break;
    case TPreviewKeyAction::ScrollRight:
      forward(TScrollAxis::Horizontal, g.HorzRange);
      break;
    case TPreviewKeyAction::ScrollDown:
      forward(TScrollAxis::Vertical, g.VertRange);
      break;
  }
  return true;
}
