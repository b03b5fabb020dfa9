#include "report/PreviewLogic.h"

#include <array>

#include "base/SysUtils.h"
#include "base/VirtualKeys.h"

int64_t RoundHalfEven(int64_t numerator, int64_t denominator) {
  int64_t q = numerator / denominator;
  int64_t r = numerator % denominator;
  if (r < 0) {  // floor division, so that the remainder is in [0, denominator)
    --q;
    r += denominator;
  }
  if (2 * r > denominator || (2 * r == denominator && q % 2 != 0)) ++q;
  return q;
}

TPageViewGeometry PageViewGeometry(int pageWidth, int pageHeight, int zoom) {
  TPageViewGeometry g;
  g.Width = static_cast<int>(RoundHalfEven(int64_t{pageWidth} * zoom, 100));
  g.Height = static_cast<int>(RoundHalfEven(int64_t{pageHeight} * zoom, 100));
  g.HorzRange = g.Width + 2 * kPreviewBorder;
  g.VertRange = g.Height + 2 * kPreviewBorder;
  return g;
}

int ZoomFromText(std::string_view text) {
  // TryStrToInt also reads "$" and "0x" hexadecimal; the zoom box takes decimal only.
  if (text.find_first_of("$xX") != std::string_view::npos) return kPreviewDefaultZoom;
  int32_t value;
  if (!TryStrToInt(text, value)) return kPreviewDefaultZoom;
  return value;
}

int MouseZoomStep(int zoom, TMouseButton button) {
  static constexpr std::array<int, 5> kLadder{50, 75, 100, 150, 200};
  for (size_t i = 0; i < kLadder.size(); ++i) {
    if (kLadder[i] != zoom) continue;
    if (button == TMouseButton::mbLeft && i + 1 < kLadder.size()) return kLadder[i + 1];
    if (button == TMouseButton::mbRight && i > 0) return kLadder[i - 1];
    return zoom;
  }
  return zoom;
}

TPreviewKeyAction PreviewKeyAction(uint16_t virtualKey) {
  struct Entry {
    uint16_t key;
    TPreviewKeyAction action;
  };
  static constexpr std::array<Entry, 9> kTable{{
      {VK_ESCAPE, TPreviewKeyAction::Close},
      {VK_PRIOR, TPreviewKeyAction::PrevPage},
      {VK_NEXT, TPreviewKeyAction::NextPage},
      {VK_END, TPreviewKeyAction::LastPage},
      {VK_HOME, TPreviewKeyAction::FirstPage},
      {VK_LEFT, TPreviewKeyAction::ScrollLeft},
      {VK_UP, TPreviewKeyAction::ScrollUp},
      {VK_RIGHT, TPreviewKeyAction::ScrollRight},
      {VK_DOWN, TPreviewKeyAction::ScrollDown},
  }};
  for (const Entry& e : kTable)
    if (e.key == virtualKey) return e.action;
  return TPreviewKeyAction::None;
}

int ScrollBack(int position) {
  return position > kPreviewScrollStep ? position - kPreviewScrollStep : 0;
}

int ScrollForward(int position, int range) {
  return position >= range - kPreviewScrollStep ? range : position + kPreviewScrollStep;
}

bool TPreviewPosition::ShowPage(int n, int pageCount) {
  if (n < 1 || n > pageCount) return false;
  page_ = n;
  return true;
}

bool TPreviewPosition::LastPage(int pageCount) {
  return pageCount > 0 && ShowPage(pageCount, pageCount);
}

bool TPreviewPosition::NextPage(int pageCount) {
  if (page_ >= pageCount) return false;
  ++page_;
  return true;
}

bool TPreviewPosition::PrevPage() {
  if (page_ < 2) return false;
  --page_;
  return true;
}

bool TPreviewPosition::SetZoom(int zoom) {
  if (zoom == zoom_ || zoom < kPreviewMinZoom || zoom > kPreviewMaxZoom) return false;
  zoom_ = zoom;
  return true;
}

std::string TPreviewPosition::Indicator(int pageCount) const {
  return IntToStr(page_) + "/" + IntToStr(pageCount);
}
