// What the report preview decides without a window: current page and zoom, the size of the page
// view and the scroll ranges around it, the zoom steps of the mouse and the keyboard table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// What a key does in the preview window. Keys are Windows virtual-key codes.
enum class TPreviewKeyAction {
  None,  // not ours: the key passes on to the focused control
  Close,
  PrevPage,
  NextPage,
  FirstPage,
  LastPage,
  ScrollLeft,
  ScrollUp,
  ScrollRight,
  ScrollDown,
};

inline constexpr int kPreviewMinZoom = 25;
inline constexpr int kPreviewMaxZoom = 200;
inline constexpr int kPreviewDefaultZoom = 100;
// Free space around the page view on each side.
inline constexpr int kPreviewBorder = 15;
// Distance one arrow key scrolls.
inline constexpr int kPreviewScrollStep = 10;

// numerator / denominator rounded to the nearest whole number, halves to the even neighbour.
// The denominator must be positive.
int64_t RoundHalfEven(int64_t numerator, int64_t denominator);

struct TPageViewGeometry {
  int Width;  // page view, pixels
  int Height;
  int HorzRange;  // scroll ranges of the preview control: page view plus the border on both sides
  int VertRange;
};

// Page view and scroll ranges for a recorded page of the given size (pixels) at a zoom (percent).
TPageViewGeometry PageViewGeometry(int pageWidth, int pageHeight, int zoom);

// The zoom a text in the zoom box asks for: its value as a decimal integer, or 100 when it is not
// one. Range checks are SetZoom's business.
int ZoomFromText(std::string_view text);

// One step on the mouse ladder 50, 75, 100, 150, 200: larger for the left button, smaller for the
// right one. A zoom off the ladder, the ends of the ladder and other buttons leave it unchanged.
int MouseZoomStep(int zoom, TMouseButton button);

TPreviewKeyAction PreviewKeyAction(uint16_t virtualKey);

// New scroll positions for the arrow keys: back never goes below 0, forward stops at the range.
int ScrollBack(int position);
int ScrollForward(int position, int range);

// Current page (1-based) and zoom of a preview. The page count is passed in because the pages
// belong to the control; every operation returns whether the view must be repainted.
class TPreviewPosition {
 public:
  int Page() const { return page_; }
  int Zoom() const { return zoom_; }

  // Accepts 1 <= n <= pageCount, otherwise nothing happens.
  bool ShowPage(int n, int pageCount);
  bool FirstPage(int pageCount) { return ShowPage(1, pageCount); }
  bool LastPage(int pageCount);
  bool NextPage(int pageCount);
  bool PrevPage();
  // Accepts a new zoom within 25..200.
  bool SetZoom(int zoom);

  // The page indicator, for example "2/3".
  std::string Indicator(int pageCount) const;

 private:
  int page_ = 1;
  int zoom_ = kPreviewDefaultZoom;
};
