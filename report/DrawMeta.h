// Recorded pages: a TDrawMetaFile keeps the canvas operations of one report page as a list
// that can be played onto any canvas, at its own size or scaled into a target rectangle.
// tPages is the list of the pages of one report run; it owns its pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "report/Canvas.h"

// One recorded operation. State changes (font, pen, brush) are recorded only where a drawing
// operation follows that sees a different state than the one recorded before it.
struct TMetaRecord {
  // The state changes come first: every kind after mrSetBrush draws.
  enum TKind {
    mrSetFont,      // Index into Fonts()
    mrSetPen,       // Pen
    mrSetBrush,     // Brush
    mrDrawText,     // Text, Rect, Flags
    mrFillRect,     // Rect
    mrLine,         // Rect.Left/Top = from, Rect.Right/Bottom = to
    mrRectangle,    // Rect
    mrRoundRect,    // Rect, EllipseWidth, EllipseHeight
    mrEllipse,      // Rect
    mrStretchDraw,  // Rect, Bitmap
  };
  TKind Kind = mrFillRect;
  TRect Rect;
  unsigned Flags = 0;
  int EllipseWidth = 0;
  int EllipseHeight = 0;
  int Index = 0;
  TPen Pen;
  TBrush Brush;
  std::string Text;
  std::shared_ptr<const TBitmap> Bitmap;
};

class TDrawMetaFile {
 public:
  // A page of width x height pixels recorded against `reference` (which must outlive the open
  // canvas). The canvas is open from creation until Close; a page without a positive size or
  // without a reference device gets no canvas.
  TDrawMetaFile(int width, int height, const TReferenceDevice* reference);
  ~TDrawMetaFile();
  TDrawMetaFile(const TDrawMetaFile&) = delete;
  TDrawMetaFile& operator=(const TDrawMetaFile&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Resolution the page was recorded at (the reference device's); 0 without one.
  int PixelsPerInch() const { return ppi_; }

  // The recording canvas while the page is open, nullptr once it is closed.
  TCanvas* Canvas();
  bool IsOpen() const { return canvas_ != nullptr; }
  // Completes the picture; further drawing is not possible.
  void Close();

  const std::vector<TMetaRecord>& Records() const { return records_; }
  const std::vector<TFont>& Fonts() const { return fonts_; }

  // Plays the page 1:1 onto `canvas` (the canvas's font, pen and brush are left changed).
  void Play(TCanvas& canvas) const;
  // Plays the page stretched into `target`: positions, sizes, pen widths and font heights are
  // scaled by target width / Width() and target height / Height().
  void Play(TCanvas& canvas, const TRect& target) const;
  // The same, leaving out every drawing that lies wholly outside `clip` (canvas pixels): a
  // window repaints only what was uncovered.
  void Play(TCanvas& canvas, const TRect& target, const TRect& clip) const;

 private:
  class TRecorder;
  friend class TRecorder;
  void PlayInto(TCanvas& canvas, const TRect& target, const TRect* clip) const;

  int width_;
  int height_;
  int ppi_;
  std::unique_ptr<TRecorder> canvas_;
  std::vector<TMetaRecord> records_;
  std::vector<TFont> fonts_;
};

// The pages of one report run in page order; owns them.
class tPages {
 public:
  tPages() = default;
  tPages(const tPages&) = delete;
  tPages& operator=(const tPages&) = delete;

  int Count() const { return static_cast<int>(pages_.size()); }
  bool Empty() const { return pages_.empty(); }
  // Page `index`, 0-based.
  TDrawMetaFile* operator[](int index) const { return pages_[static_cast<size_t>(index)].get(); }
  TDrawMetaFile* Items(int index) const { return (*this)[index]; }
  TDrawMetaFile* Add(std::unique_ptr<TDrawMetaFile> page);
  // Frees every page.
  void Clear() { pages_.clear(); }

 private:
  std::vector<std::unique_ptr<TDrawMetaFile>> pages_;
};
