// The report canvas on GDI: TGdiCanvas draws canvas operations on a device context (a window, a
// memory bitmap, a printer page), TGdiReferenceDevice measures text with the real fonts at a fixed
// resolution for recording pages, and TGdiPageSurface plays recorded pages onto a device context.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "report/Canvas.h"
#include "report/DrawMeta.h"
#include "report/PrintJob.h"

namespace wingui {

// The logical font of `font` on a device of `pixelsPerInch`: the character height (without
// internal leading) scales from 96 pixels per inch, as the report's font heights are given.
LOGFONTW ToLogFont(const TFont& font, int pixelsPerInch);

// The fonts one canvas or device has used, created once each and deleted with the cache.
class TGdiFontCache {
 public:
  TGdiFontCache() = default;
  TGdiFontCache(const TGdiFontCache&) = delete;
  TGdiFontCache& operator=(const TGdiFontCache&) = delete;
  ~TGdiFontCache();
  HFONT Get(const TFont& font, int pixelsPerInch);

 private:
  struct TEntry {
    TFont Font;
    int PixelsPerInch;
    HFONT Handle;
  };
  std::vector<TEntry> fonts_;
};

class TGdiCanvas : public TCanvas {
 public:
  // Draws on `dc` (which must outlive the canvas); fonts are sized for `pixelsPerInch`. The
  // device context's state is restored when the canvas goes.
  TGdiCanvas(HDC dc, int pixelsPerInch);
  ~TGdiCanvas() override;
  TGdiCanvas(const TGdiCanvas&) = delete;
  TGdiCanvas& operator=(const TGdiCanvas&) = delete;

  int PixelsPerInch() const override { return ppi_; }
  TRect MeasureText(std::string_view text, const TRect& rect, unsigned flags) override;
  void DrawText(std::string_view text, const TRect& rect, unsigned flags) override;
  void FillRect(const TRect& rect) override;
  void Line(TPoint from, TPoint to) override;
  void Rectangle(const TRect& rect) override;
  void RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight) override;
  void Ellipse(const TRect& rect) override;
  void StretchDraw(const TRect& rect, const TBitmap& bitmap) override;

 private:
  void ApplyFont();
  void ApplyPen();
  void ApplyBrush();

  HDC dc_;
  int ppi_;
  int savedState_;
  TGdiFontCache fonts_;
  HPEN pen_ = nullptr;
  TPen appliedPen_;
  HBRUSH brush_ = nullptr;
  TBrush appliedBrush_;
  bool brushApplied_ = false;
};

// Text metrics of the real fonts at a fixed resolution (96 by default: the report's design
// resolution), on a memory device context of its own. GUI thread only.
class TGdiReferenceDevice : public TReferenceDevice {
 public:
  explicit TGdiReferenceDevice(int pixelsPerInch = 96);
  ~TGdiReferenceDevice() override;
  TGdiReferenceDevice(const TGdiReferenceDevice&) = delete;
  TGdiReferenceDevice& operator=(const TGdiReferenceDevice&) = delete;

  int PixelsPerInch() const override { return ppi_; }
  TRect MeasureText(const TFont& font, std::string_view text, const TRect& bounds,
                    unsigned flags) const override;

 private:
  int ppi_;
  HDC dc_;
  mutable TGdiFontCache fonts_;
};

// Plays pages onto a device context (which must outlive the surface), each stretched over its
// target in device pixels, with coordinates, pens and fonts scaled to the device: nothing is
// drawn outside the clip.
class TGdiPageSurface : public IPageSurface {
 public:
  explicit TGdiPageSurface(HDC dc) : dc_(dc) {}
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override;

 private:
  HDC dc_;
};

}  // namespace wingui
