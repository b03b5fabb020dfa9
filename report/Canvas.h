// The abstract drawing surface of the report engine. Bands and controls draw on a TCanvas in
// device pixels; a recorded page (TDrawMetaFile) records onto one, and the Qt side plays the
// recording onto a QPainter. Nothing here knows a toolkit.
//
// Coordinates follow the platform's drawing rules: a rectangle (Left, Top, Right, Bottom)
// covers the pixels Left .. Right - 1 and Top .. Bottom - 1; a line from A to B leaves out B.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  void Offset(int dx, int dy) {
    Left += dx;
    Right += dx;
    Top += dy;
    Bottom += dy;
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
  return {left, top, right, bottom};
}

// The common part of two rectangles; false (and `out` empty) when they do not overlap.
inline bool IntersectRect(TRect& out, const TRect& a, const TRect& b) {
  out = {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
         std::min(a.Bottom, b.Bottom)};
  if (out.IsEmpty()) {
    out = {};
    return false;
  }
  return true;
}

// The smallest rectangle holding both; an empty operand does not count. False when the result
// is empty.
inline bool UnionRect(TRect& out, const TRect& a, const TRect& b) {
  if (a.IsEmpty())
    out = b;
  else if (b.IsEmpty())
    out = a;
  else
    out = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
           std::max(a.Bottom, b.Bottom)};
  if (out.IsEmpty()) {
    out = {};
    return false;
  }
  return true;
}

// 0x00BBGGRR, as the platform stores colours.
using TColor = uint32_t;

constexpr TColor MakeColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int ColorRed(TColor c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int ColorGreen(TColor c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int ColorBlue(TColor c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

constexpr TColor clBlack = MakeColor(0, 0, 0);
constexpr TColor clWhite = MakeColor(255, 255, 255);
constexpr TColor clSilver = MakeColor(192, 192, 192);
constexpr TColor clGray = MakeColor(128, 128, 128);
constexpr TColor clRed = MakeColor(255, 0, 0);
constexpr TColor clGreen = MakeColor(0, 128, 0);
constexpr TColor clBlue = MakeColor(0, 0, 255);
constexpr TColor clYellow = MakeColor(255, 255, 0);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// `Height` is the character height in pixels at 96 pixels per inch (the design resolution); a
// canvas of another resolution scales it, so the point size stays the same.
struct TFont {
  std::string Name = "Arial";
  int Height = 13;
  unsigned Style = 0;  // TFontStyle bits
  TColor Color = clBlack;
  friend bool operator==(const TFont&, const TFont&) = default;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
  friend bool operator==(const TPen&, const TPen&) = default;
};

enum class TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

// A device-independent 32-bit bitmap, pixels 0x00RRGGBB row by row from the top.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height, uint32_t fill = 0x00FFFFFF);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  uint32_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  void SetPixel(int x, int y, uint32_t rgb) { pixels_[static_cast<size_t>(y) * width_ + x] = rgb; }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  // Copies `source` with its top left corner at (x, y); what falls outside is cut off.
  void Draw(int x, int y, const TBitmap& source);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Flags of DrawText / MeasureText, with the platform's values.
enum TDrawTextFlag : unsigned {
  dtLeft = 0x0000,
  dtCenter = 0x0001,
  dtRight = 0x0002,
  dtVCenter = 0x0004,
  dtBottom = 0x0008,
  dtWordBreak = 0x0010,
  dtSingleLine = 0x0020,
  dtExpandTabs = 0x0040,
  dtNoClip = 0x0100,
  dtCalcRect = 0x0400,
  dtNoPrefix = 0x0800,
};

// What a page is recorded against: its resolution and the text metrics of its fonts. The
// screen in the program (the Qt side supplies it), a fixed 96 dpi device in tests.
class TReferenceDevice {
 public:
  virtual ~TReferenceDevice() = default;
  virtual int PixelsPerInch() const = 0;
  // The rectangle `text` needs in `font` when laid out from bounds' top left corner with
  // `flags` (dtWordBreak wraps at the width of `bounds`); an empty text has zero width and the
  // height of one line.
  virtual TRect MeasureText(const TFont& font, std::string_view text, const TRect& bounds,
                            unsigned flags) const = 0;
};

// A reference device without a toolkit: every character is (Height + 1) / 2 pixels wide (a
// tab counts as eight), a line is Height * 1.15 rounded up. Deterministic, for tests and
// benchmarks and for building pages without a display.
class TFixedPitchDevice : public TReferenceDevice {
 public:
  explicit TFixedPitchDevice(int pixelsPerInch = 96) : ppi_(pixelsPerInch) {}
  int PixelsPerInch() const override { return ppi_; }
  TRect MeasureText(const TFont& font, std::string_view text, const TRect& bounds,
                    unsigned flags) const override;
  static int CharWidth(const TFont& font) { return (font.Height + 1) / 2; }
  static int LineHeight(const TFont& font) { return (font.Height * 115 + 99) / 100; }

 private:
  int ppi_;
};

// A drawing surface with the current font, pen and brush. Outlines use the pen, fills the
// brush, text the font (in the font's colour, never with a background).
class TCanvas {
 public:
  virtual ~TCanvas() = default;

  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font) { font_ = font; }
  const TPen& Pen() const { return pen_; }
  void SetPen(const TPen& pen) { pen_ = pen; }
  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& brush) { brush_ = brush; }

  virtual int PixelsPerInch() const = 0;

  // The rectangle `text` takes in the current font from rect's top left corner (dtCalcRect).
  virtual TRect MeasureText(std::string_view text, const TRect& rect, unsigned flags) = 0;
  // Draws `text` into `rect`: horizontal alignment dtLeft/dtCenter/dtRight, dtVCenter and
  // dtBottom with dtSingleLine, dtWordBreak, dtExpandTabs; "&" marks a mnemonic unless
  // dtNoPrefix; clipped to `rect` unless dtNoClip.
  virtual void DrawText(std::string_view text, const TRect& rect, unsigned flags) = 0;

  // Fills with the brush, no outline.
  virtual void FillRect(const TRect& rect) = 0;
  virtual void Line(TPoint from, TPoint to) = 0;
  virtual void Rectangle(const TRect& rect) = 0;
  virtual void RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight) = 0;
  virtual void Ellipse(const TRect& rect) = 0;
  virtual void StretchDraw(const TRect& rect, const TBitmap& bitmap) = 0;

 private:
  TFont font_;
  TPen pen_;
  TBrush brush_;
};

// `text` with a line end inside every word that is wider than `width` on its own, so that each
// piece fits, measured on `canvas` in its current font. Word breaking keeps such a word (a deep
// path, a long version text) whole on a line of its own, and it runs past its column.
std::string BreakLongWords(TCanvas& canvas, std::string_view text, int width, unsigned flags);
