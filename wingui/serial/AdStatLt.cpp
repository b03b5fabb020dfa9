#include "wingui/serial/AdStatLt.h"

#include <vector>

#include "serial/AwTrace.h"

namespace {

constexpr const wchar_t* kClassName = L"TApdStatusLight";
constexpr int kDefaultSize = 13;

// The colour the parent's class paints its background with.
COLORREF ParentBackground(HWND lamp) {
  HWND parent = GetParent(lamp);
  const auto brush = parent ? GetClassLongPtrW(parent, GCLP_HBRBACKGROUND) : 0;
  // A class brush below the first real handle is a system colour index plus one.
  if (brush > 0 && brush <= COLOR_MENUBAR + 1) return GetSysColor(static_cast<int>(brush - 1));
  LOGBRUSH lb{};
  if (brush && GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb)) return lb.lbColor;
  return GetSysColor(COLOR_BTNFACE);
}

// A colour value as a DIB pixel (blue, green, red from the lowest byte up).
uint32_t ToPixel(COLORREF color) {
  return (static_cast<uint32_t>(GetRValue(color)) << 16) |
         (static_cast<uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

}  // namespace

TApdStatusLight::TApdStatusLight(HWND parent, int id, int left, int top, std::string_view caption) {
  const int dpi = wingui::WindowDpi(parent);
  const RECT r = wingui::ScaleRect({left, top, kDefaultSize, kDefaultSize}, dpi);
  Create(kClassName, caption, WS_CHILD | WS_VISIBLE, 0, r.left, r.top, r.right - r.left,
         r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

TApdStatusLight::~TApdStatusLight() {
  if (glyph_) DeleteObject(glyph_);
}

std::string TApdStatusLight::Version() const {
  return ApdVersionText;
}

SIZE TApdStatusLight::GlyphSize() const {
  BITMAP bm{};
  GetObjectW(glyph_, sizeof bm, &bm);
  return SIZE{bm.bmWidth / 2, bm.bmHeight};
}

void TApdStatusLight::SetGlyph(HBITMAP glyph) {
  if (glyph_) DeleteObject(glyph_);
  glyph_ = glyph ? static_cast<HBITMAP>(CopyImage(glyph, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
  SIZE size{};
  if (glyph_) {
    size = GlyphSize();
  } else {
    const int dpi = wingui::WindowDpi(Handle());
    size = SIZE{wingui::Scale(kDefaultSize, dpi), wingui::Scale(kDefaultSize, dpi)};
  }
  SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate();
}

void TApdStatusLight::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  Invalidate();
}

void TApdStatusLight::SetLitColor(TColor color) {
  litColor_ = color;
  if (!glyph_ && lit_) Invalidate();
}

void TApdStatusLight::SetNotLitColor(TColor color) {
  notLitColor_ = color;
  if (!glyph_ && !lit_) Invalidate();
}

void TApdStatusLight::Invalidate() {
  ++repaintRequests_;
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TApdStatusLight::Paint(HDC dc) {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int w = client.right;
  const int h = client.bottom;
  if (glyph_) {
    BITMAP bm{};
    GetObjectW(glyph_, sizeof bm, &bm);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    if (pixels.empty() || !GetDIBits(dc, glyph_, 0, static_cast<UINT>(bm.bmHeight), pixels.data(),
                                     &info, DIB_RGB_COLORS))
      return;
    // The top-left colour is transparent: the parent's background shows through.
    const uint32_t key = pixels[0] & 0xFFFFFF;
    const uint32_t background = ToPixel(ParentBackground(Handle()));
    for (uint32_t& p : pixels) {
      if ((p & 0xFFFFFF) == key) p = background;
    }
    const int half = bm.bmWidth / 2;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(half), static_cast<DWORD>(bm.bmHeight),
                      lit_ ? 0 : half, 0, 0, static_cast<UINT>(bm.bmHeight), pixels.data(), &info,
                      DIB_RGB_COLORS);
    return;
  }
  HBRUSH fill = CreateSolidBrush(lit_ ? litColor_ : notLitColor_);
  FillRect(dc, &client, fill);
  DeleteObject(fill);
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
  HGDIOBJ old = SelectObject(dc, white);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, w, 0);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, 0, h);
  SelectObject(dc, grey);
  MoveToEx(dc, w - 1, 1, nullptr);
  LineTo(dc, w - 1, h);
  MoveToEx(dc, 1, h - 1, nullptr);
  LineTo(dc, w, h - 1);
  SelectObject(dc, old);
  DeleteObject(white);
  DeleteObject(grey);
}

LRESULT TApdStatusLight::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      Paint(dc);
      EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:  // PrintWindow, for pictures of the dialog
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole lamp
    case WM_WINDOWPOSCHANGING:
      // With a glyph every change of bounds keeps the position but not the size.
      if (glyph_) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        const SIZE size = GlyphSize();
        pos->cx = size.cx;
        pos->cy = size.cy;
      }
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    default:
      return TWindow::HandleMessage(msg, wParam, lParam);
  }
}
