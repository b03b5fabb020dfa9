#include "wingui/report/alprev.h"

#include <windowsx.h>

#include <algorithm>
#include <tuple>

#include "wingui/ResourceIds.h"
#include "wingui/report/GdiCanvas.h"
#include "wingui/report/repPreviewIds.h"

namespace wingui {

namespace {

// The magnifier from the program's resources, the cross while the resources lack it.
HCURSOR MagnifierCursor() {
  static const HCURSOR cursor = [] {
    HCURSOR c = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TARVOLIN_IDC_MAGNIFIER));
    return c ? c : LoadCursorW(nullptr, IDC_CROSS);
  }();
  return cursor;
}

int Bar(TScrollAxis axis) {
  return axis == TScrollAxis::Horizontal ? SB_HORZ : SB_VERT;
}

// Plays pages given in design units onto a surface in pixels at `dpi`.
class TDpiSurface : public IPageSurface {
 public:
  TDpiSurface(IPageSurface& surface, int dpi) : surface_(surface), dpi_(dpi) {}
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override {
    surface_.PlayPage(page, Pixels(target), Pixels(clip));
  }

 private:
  TRect Pixels(const TRect& r) const {
    return {Scale(r.Left, dpi_), Scale(r.Top, dpi_), Scale(r.Right, dpi_), Scale(r.Bottom, dpi_)};
  }
  IPageSurface& surface_;
  int dpi_;
};

// Pixels at `dpi` to design units, the far edge rounded outwards.
int Units(int pixels, int dpi) {
  return MulDiv(pixels, 96, dpi);
}
int UnitsUp(int pixels, int dpi) {
  return (pixels * 96 + dpi - 1) / dpi;
}

}  // namespace

class tAlPreview::TPageView : public TWindow {
 public:
  explicit TPageView(tAlPreview& owner) : owner_(owner) {}

  bool CreateIn(HWND parent) {
    return Create(REPPREV_PAGEVIEW_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, 0, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(REPPREV_PAGEVIEW)));
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TGdiPageSurface pixels(dc);
        const int dpi = owner_.dpi_;
        TDpiSurface surface(pixels, dpi);
        owner_.control_.PaintPageView(
            surface, {Units(ps.rcPaint.left, dpi), Units(ps.rcPaint.top, dpi),
                      UnitsUp(ps.rcPaint.right, dpi), UnitsUp(ps.rcPaint.bottom, dpi)});
        EndPaint(Handle(), &ps);
        return 0;
      }
      case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
          SetCursor(MagnifierCursor());
          return TRUE;
        }
        break;
      case WM_LBUTTONDOWN:
        MouseDown(TMouseButton::mbLeft, lParam);
        return 0;
      case WM_RBUTTONDOWN:
        MouseDown(TMouseButton::mbRight, lParam);
        return 0;
      case WM_MBUTTONDOWN:
        MouseDown(TMouseButton::mbMiddle, lParam);
        return 0;
      default:
        break;
    }
    return TWindow::HandleMessage(msg, wParam, lParam);
  }

 private:
  // The mouse event reports the point in design units, as every position of the preview.
  void MouseDown(TMouseButton button, LPARAM at) {
    owner_.PageViewMouseDown(button, Units(GET_X_LPARAM(at), owner_.dpi_),
                             Units(GET_Y_LPARAM(at), owner_.dpi_));
  }

  tAlPreview& owner_;
};

tAlPreview::tAlPreview()
    : printerSource_(&DefaultPrinterSetup), pageView_(std::make_unique<TPageView>(*this)) {}

tAlPreview::~tAlPreview() {
  // The view goes first: it paints the pages, which go before the list that held them.
  pageView_.reset();
  control_.Pages().Clear();
}

bool tAlPreview::CreateIn(HWND parent, int id, const RECT& bounds, int dpi) {
  dpi_ = dpi;
  if (!Create(REPPREV_PREVIEWER_CLASS, "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0,
              bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
    return false;
  if (!pageView_->CreateIn(Handle())) return false;
  Refresh();
  return true;
}

HWND tAlPreview::PageView() const {
  return pageView_->Handle();
}

void tAlPreview::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  const int x = ScrollPosition(TScrollAxis::Horizontal);
  const int y = ScrollPosition(TScrollAxis::Vertical);
  dpi_ = dpi;
  UpdateScrollBars();
  SetScrollPosition(TScrollAxis::Horizontal, x);
  SetScrollPosition(TScrollAxis::Vertical, y);
  InvalidateRect(PageView(), nullptr, FALSE);
}

void tAlPreview::Refresh(bool changed) {
  if (!changed || !Handle()) return;
  control_.Layout();
  UpdateScrollBars();
  InvalidateRect(PageView(), nullptr, FALSE);
}

void tAlPreview::UpdateScrollBars() {
  RECT client;
  GetClientRect(Handle(), &client);
  const TPageViewGeometry& g = control_.Geometry();
  for (const auto& [axis, range, page] :
       {std::tuple{TScrollAxis::Horizontal, Scale(g.HorzRange, dpi_),
                   static_cast<int>(client.right)},
        std::tuple{TScrollAxis::Vertical, Scale(g.VertRange, dpi_),
                   static_cast<int>(client.bottom)}}) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = range - 1;
    si.nPage = static_cast<UINT>(std::max(page, 0));
    SetScrollInfo(Handle(), Bar(axis), &si, TRUE);
  }
  // The page view sits inside its border, moved by the scroll positions.
  MoveWindow(PageView(), Scale(kPreviewBorder, dpi_) - BarPosition(SB_HORZ),
             Scale(kPreviewBorder, dpi_) - BarPosition(SB_VERT), Scale(g.Width, dpi_),
             Scale(g.Height, dpi_), TRUE);
}

int tAlPreview::BarPosition(int bar) const {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  GetScrollInfo(Handle(), bar, &si);
  return si.nPos;
}

int tAlPreview::ScrollPosition(TScrollAxis axis) const {
  return Units(BarPosition(Bar(axis)), dpi_);
}

void tAlPreview::SetScrollPosition(TScrollAxis axis, int position) {
  SetBarPosition(Bar(axis), Scale(position, dpi_));
}

void tAlPreview::SetBarPosition(int bar, int pixels) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  si.nPos = pixels;
  SetScrollInfo(Handle(), bar, &si, TRUE);
  UpdateScrollBars();
}

void tAlPreview::Scroll(TScrollAxis axis, WORD request) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(Handle(), Bar(axis), &si);
  int pos = si.nPos;
  switch (request) {
    case SB_LINEUP:
      pos -= Scale(kPreviewScrollStep, dpi_);
      break;
    case SB_LINEDOWN:
      pos += Scale(kPreviewScrollStep, dpi_);
      break;
    case SB_PAGEUP:
      pos -= static_cast<int>(si.nPage);
      break;
    case SB_PAGEDOWN:
      pos += static_cast<int>(si.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = si.nTrackPos;
      break;
    case SB_TOP:
      pos = si.nMin;
      break;
    case SB_BOTTOM:
      pos = si.nMax;
      break;
    default:
      return;
  }
  SetBarPosition(Bar(axis), pos);
}

LRESULT tAlPreview::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      UpdateScrollBars();
      return 0;
    case WM_HSCROLL:
      Scroll(TScrollAxis::Horizontal, LOWORD(wParam));
      return 0;
    case WM_VSCROLL:
      Scroll(TScrollAxis::Vertical, LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      SetScrollPosition(TScrollAxis::Vertical,
                        ScrollPosition(TScrollAxis::Vertical) - GET_WHEEL_DELTA_WPARAM(wParam) / 2);
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(msg, wParam, lParam);
}

void tAlPreview::PageViewMouseDown(TMouseButton button, int x, int y) {
  Refresh(control_.MouseZoom(button));
  if (OnMouseDown) OnMouseDown(this, button, x, y);
}

std::unique_ptr<IPrintTarget> tAlPreview::NewPrintJob() {
  return std::make_unique<TGdiPrintJob>(printerSource_());
}

void tAlPreview::PrintPages(int from, int to) {
  control_.PrintPages(*NewPrintJob(), from, to);
}

}  // namespace wingui
