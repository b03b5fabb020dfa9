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
        TGdiPageSurface surface(dc);
        owner_.control_.PaintPageView(
            surface, {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom});
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
        owner_.PageViewMouseDown(TMouseButton::mbLeft, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
      case WM_RBUTTONDOWN:
        owner_.PageViewMouseDown(TMouseButton::mbRight, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
      case WM_MBUTTONDOWN:
        owner_.PageViewMouseDown(TMouseButton::mbMiddle, GET_X_LPARAM(lParam),
                                 GET_Y_LPARAM(lParam));
        return 0;
      default:
        break;
    }
    return TWindow::HandleMessage(msg, wParam, lParam);
  }

 private:
  tAlPreview& owner_;
};

tAlPreview::tAlPreview()
    : printerSource_(&DefaultPrinterSetup), pageView_(std::make_unique<TPageView>(*this)) {}

tAlPreview::~tAlPreview() {
  // The view goes first: it paints the pages, which go before the list that held them.
  pageView_.reset();
  control_.Pages().Clear();
}

bool tAlPreview::CreateIn(HWND parent, int id, const RECT& bounds) {
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
       {std::tuple{TScrollAxis::Horizontal, g.HorzRange, static_cast<int>(client.right)},
        std::tuple{TScrollAxis::Vertical, g.VertRange, static_cast<int>(client.bottom)}}) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = range - 1;
    si.nPage = static_cast<UINT>(std::max(page, 0));
    SetScrollInfo(Handle(), Bar(axis), &si, TRUE);
  }
  // The page view sits inside its border, moved by the scroll positions.
  MoveWindow(PageView(), kPreviewBorder - ScrollPosition(TScrollAxis::Horizontal),
             kPreviewBorder - ScrollPosition(TScrollAxis::Vertical), g.Width, g.Height, TRUE);
}

int tAlPreview::ScrollPosition(TScrollAxis axis) const {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  GetScrollInfo(Handle(), Bar(axis), &si);
  return si.nPos;
}

void tAlPreview::SetScrollPosition(TScrollAxis axis, int position) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  si.nPos = position;
  SetScrollInfo(Handle(), Bar(axis), &si, TRUE);
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
      pos -= kPreviewScrollStep;
      break;
    case SB_LINEDOWN:
      pos += kPreviewScrollStep;
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
  SetScrollPosition(axis, pos);
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
