#include "wingui/report/GdiCanvas.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "wingui/WinUi.h"

namespace wingui {

namespace {

// The flags DrawTextW takes from the canvas's (their values are the platform's).
constexpr unsigned kTextFlags = dtLeft | dtCenter | dtRight | dtVCenter | dtBottom | dtWordBreak |
                                dtSingleLine | dtExpandTabs | dtNoClip | dtNoPrefix;

RECT ToRECT(const TRect& r) {
  return {r.Left, r.Top, r.Right, r.Bottom};
}

// The rectangle `text` takes in the font selected into `dc`, from bounds' top left corner, as
// DrawText's calculation lays it out (alignment does not change the size).
TRect Measure(HDC dc, std::string_view text, const TRect& bounds, unsigned flags) {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  if (text.empty()) return {bounds.Left, bounds.Top, bounds.Left, bounds.Top + metrics.tmHeight};
  const std::wstring wide = Wide(text);
  RECT r{0, 0, (flags & dtWordBreak) && bounds.Width() > 0 ? bounds.Width() : 1 << 20, 0};
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              (flags & kTextFlags & ~(dtCenter | dtRight | dtVCenter | dtBottom)) | DT_CALCRECT);
  return {bounds.Left, bounds.Top, bounds.Left + (r.right - r.left),
          bounds.Top + (r.bottom - r.top)};
}

int PenStyle(TPenStyle style) {
  switch (style) {
    case TPenStyle::psDash:
      return PS_DASH;
    case TPenStyle::psDot:
      return PS_DOT;
    case TPenStyle::psDashDot:
      return PS_DASHDOT;
    case TPenStyle::psDashDotDot:
      return PS_DASHDOTDOT;
    case TPenStyle::psClear:
      return PS_NULL;
    case TPenStyle::psInsideFrame:
      return PS_INSIDEFRAME;
    case TPenStyle::psSolid:
      break;
  }
  return PS_SOLID;
}

HBRUSH NewBrush(const TBrush& b) {
  switch (b.Style) {
    case TBrushStyle::bsClear:
      return nullptr;
    case TBrushStyle::bsHorizontal:
      return CreateHatchBrush(HS_HORIZONTAL, b.Color);
    case TBrushStyle::bsVertical:
      return CreateHatchBrush(HS_VERTICAL, b.Color);
    case TBrushStyle::bsFDiagonal:
      return CreateHatchBrush(HS_FDIAGONAL, b.Color);
    case TBrushStyle::bsBDiagonal:
      return CreateHatchBrush(HS_BDIAGONAL, b.Color);
    case TBrushStyle::bsCross:
      return CreateHatchBrush(HS_CROSS, b.Color);
    case TBrushStyle::bsDiagCross:
      return CreateHatchBrush(HS_DIAGCROSS, b.Color);
    case TBrushStyle::bsSolid:
      break;
  }
  return CreateSolidBrush(b.Color);
}

// The rectangle to lay out wrapping text in so that it takes no more lines than `rect` has room
// for. A page records each text in a rectangle its lines fit at the recording's resolution; the
// same font on another device is not exactly that font scaled, and a line a few pixels wider
// there would push its last word onto a line of its own, below the rectangle. Up to a tenth
// more width is allowed, on the side the alignment leaves free; beyond that the text wraps.
RECT FittingRect(HDC dc, const std::wstring& text, const RECT& rect, unsigned flags) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  auto heightAt = [&](int w) {
    RECT r{0, 0, w, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                (flags & kTextFlags & ~(dtCenter | dtRight | dtVCenter | dtBottom)) | DT_CALCRECT);
    return static_cast<int>(r.bottom - r.top);
  };
  if (width <= 0 || heightAt(width) <= height) return rect;
  const int step = std::max(1, width / 100);
  for (int extra = step; extra <= width / 10; extra += step) {
    if (heightAt(width + extra) > height) continue;
    RECT r = rect;
    if (flags & dtCenter) {
      r.left -= extra / 2;
      r.right += extra - extra / 2;
    } else if (flags & dtRight) {
      r.left -= extra;
    } else {
      r.right += extra;
    }
    return r;
  }
  return rect;
}

}  // namespace

LOGFONTW ToLogFont(const TFont& font, int pixelsPerInch) {
  LOGFONTW lf{};
  lf.lfHeight = -std::max(1, static_cast<int>(std::lround(font.Height * pixelsPerInch / 96.0)));
  lf.lfWeight = (font.Style & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style & fsItalic) != 0;
  lf.lfUnderline = (font.Style & fsUnderline) != 0;
  lf.lfStrikeOut = (font.Style & fsStrikeOut) != 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  Wide(font.Name).copy(lf.lfFaceName, LF_FACESIZE - 1);
  return lf;
}

TGdiFontCache::~TGdiFontCache() {
  for (const TEntry& e : fonts_) DeleteObject(e.Handle);
}

HFONT TGdiFontCache::Get(const TFont& font, int pixelsPerInch) {
  // The colour is the device context's text colour, not part of the GDI font.
  TFont key = font;
  key.Color = clBlack;
  for (const TEntry& e : fonts_)
    if (e.Font == key && e.PixelsPerInch == pixelsPerInch) return e.Handle;
  const LOGFONTW lf = ToLogFont(key, pixelsPerInch);
  fonts_.push_back({key, pixelsPerInch, CreateFontIndirectW(&lf)});
  return fonts_.back().Handle;
}

TGdiCanvas::TGdiCanvas(HDC dc, int pixelsPerInch)
    : dc_(dc), ppi_(pixelsPerInch), savedState_(SaveDC(dc)) {
  SetBkMode(dc_, TRANSPARENT);
}

TGdiCanvas::~TGdiCanvas() {
  RestoreDC(dc_, savedState_);
  if (pen_) DeleteObject(pen_);
  if (brush_) DeleteObject(brush_);
}

void TGdiCanvas::ApplyFont() {
  SelectObject(dc_, fonts_.Get(Font(), ppi_));
}

void TGdiCanvas::ApplyPen() {
  if (pen_ && Pen() == appliedPen_) return;
  HPEN pen = CreatePen(PenStyle(Pen().Style), std::max(1, Pen().Width), Pen().Color);
  SelectObject(dc_, pen);
  if (pen_) DeleteObject(pen_);
  pen_ = pen;
  appliedPen_ = Pen();
}

void TGdiCanvas::ApplyBrush() {
  if (brushApplied_ && Brush() == appliedBrush_) return;
  HBRUSH brush = NewBrush(Brush());
  SelectObject(dc_, brush ? brush : GetStockObject(NULL_BRUSH));
  if (brush_) DeleteObject(brush_);
  brush_ = brush;
  appliedBrush_ = Brush();
  brushApplied_ = true;
}

TRect TGdiCanvas::MeasureText(std::string_view text, const TRect& rect, unsigned flags) {
  ApplyFont();
  return Measure(dc_, text, rect, flags);
}

void TGdiCanvas::DrawText(std::string_view text, const TRect& rect, unsigned flags) {
  ApplyFont();
  SetTextColor(dc_, Font().Color);
  const std::wstring wide = Wide(text);
  RECT r = ToRECT(rect);
  if ((flags & dtWordBreak) && !(flags & dtSingleLine)) r = FittingRect(dc_, wide, r, flags);
  ::DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &r, flags & kTextFlags);
}

void TGdiCanvas::FillRect(const TRect& rect) {
  if (Brush().Style == TBrushStyle::bsClear) return;
  ApplyBrush();
  const RECT r = ToRECT(rect);
  ::FillRect(dc_, &r, brush_);
}

void TGdiCanvas::Line(TPoint from, TPoint to) {
  ApplyPen();
  MoveToEx(dc_, from.X, from.Y, nullptr);
  LineTo(dc_, to.X, to.Y);
}

void TGdiCanvas::Rectangle(const TRect& rect) {
  ApplyPen();
  ApplyBrush();
  ::Rectangle(dc_, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TGdiCanvas::RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight) {
  ApplyPen();
  ApplyBrush();
  ::RoundRect(dc_, rect.Left, rect.Top, rect.Right, rect.Bottom, ellipseWidth, ellipseHeight);
}

void TGdiCanvas::Ellipse(const TRect& rect) {
  ApplyPen();
  ApplyBrush();
  ::Ellipse(dc_, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TGdiCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  // The bitmap's 0x00RRGGBB pixels are a top-down 32-bit DIB as they are.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = bitmap.Width();
  info.bmiHeader.biHeight = -bitmap.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc_, COLORONCOLOR);
  StretchDIBits(dc_, rect.Left, rect.Top, rect.Width(), rect.Height(), 0, 0, bitmap.Width(),
                bitmap.Height(), bitmap.Pixels().data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

TGdiReferenceDevice::TGdiReferenceDevice(int pixelsPerInch)
    : ppi_(pixelsPerInch), dc_(CreateCompatibleDC(nullptr)) {}

TGdiReferenceDevice::~TGdiReferenceDevice() {
  DeleteDC(dc_);
}

TRect TGdiReferenceDevice::MeasureText(const TFont& font, std::string_view text,
                                       const TRect& bounds, unsigned flags) const {
  SelectObject(dc_, fonts_.Get(font, ppi_));
  const TRect r = Measure(dc_, text, bounds, flags);
  SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  return r;
}

void TGdiPageSurface::PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) {
  const int saved = SaveDC(dc_);
  IntersectClipRect(dc_, clip.Left, clip.Top, clip.Right, clip.Bottom);
  IntersectClipRect(dc_, target.Left, target.Top, target.Right, target.Bottom);
  {
    // The page's fonts are sized for its own resolution and scaled with its coordinates.
    TGdiCanvas canvas(dc_, page.PixelsPerInch() > 0 ? page.PixelsPerInch() : 96);
    page.Play(canvas, target, clip);
  }
  RestoreDC(dc_, saved);
}

}  // namespace wingui
