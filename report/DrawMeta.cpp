#include "report/DrawMeta.h"

#include <algorithm>
#include <cmath>

class TDrawMetaFile::TRecorder : public TCanvas {
 public:
  TRecorder(TDrawMetaFile& page, const TReferenceDevice& reference)
      : page_(page), reference_(reference) {}

  int PixelsPerInch() const override { return reference_.PixelsPerInch(); }

  TRect MeasureText(std::string_view text, const TRect& rect, unsigned flags) override {
    return reference_.MeasureText(Font(), text, rect, flags);
  }

  void DrawText(std::string_view text, const TRect& rect, unsigned flags) override {
    SyncFont();
    TMetaRecord& r = Add(TMetaRecord::mrDrawText, rect);
    r.Text = std::string(text);
    r.Flags = flags;
  }
  void FillRect(const TRect& rect) override {
    SyncBrush();
    Add(TMetaRecord::mrFillRect, rect);
  }
  void Line(TPoint from, TPoint to) override {
    SyncPen();
    Add(TMetaRecord::mrLine, {from.X, from.Y, to.X, to.Y});
  }
  void Rectangle(const TRect& rect) override {
    SyncPen();
    SyncBrush();
    Add(TMetaRecord::mrRectangle, rect);
  }
  void RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight) override {
    SyncPen();
    SyncBrush();
    TMetaRecord& r = Add(TMetaRecord::mrRoundRect, rect);
    r.EllipseWidth = ellipseWidth;
    r.EllipseHeight = ellipseHeight;
  }
  void Ellipse(const TRect& rect) override {
    SyncPen();
    SyncBrush();
    Add(TMetaRecord::mrEllipse, rect);
  }
  void StretchDraw(const TRect& rect, const TBitmap& bitmap) override {
    Add(TMetaRecord::mrStretchDraw, rect).Bitmap = std::make_shared<const TBitmap>(bitmap);
  }

 private:
  TMetaRecord& Add(TMetaRecord::TKind kind, const TRect& rect) {
    TMetaRecord& r = page_.records_.emplace_back();
    r.Kind = kind;
    r.Rect = rect;
    return r;
  }
  void SyncFont() {
    if (hasFont_ && page_.fonts_.back() == Font()) return;
    hasFont_ = true;
    page_.fonts_.push_back(Font());
    Add(TMetaRecord::mrSetFont, {}).Index = static_cast<int>(page_.fonts_.size()) - 1;
  }
  void SyncPen() {
    if (hasPen_ && pen_ == Pen()) return;
    hasPen_ = true;
    pen_ = Pen();
    Add(TMetaRecord::mrSetPen, {}).Pen = pen_;
  }
  void SyncBrush() {
    if (hasBrush_ && brush_ == Brush()) return;
    hasBrush_ = true;
    brush_ = Brush();
    Add(TMetaRecord::mrSetBrush, {}).Brush = brush_;
  }

  TDrawMetaFile& page_;
  const TReferenceDevice& reference_;
  bool hasFont_ = false;
  bool hasPen_ = false;
  bool hasBrush_ = false;
  TPen pen_;
  TBrush brush_;
};

TDrawMetaFile::TDrawMetaFile(int width, int height, const TReferenceDevice* reference)
    : width_(width), height_(height), ppi_(reference ? reference->PixelsPerInch() : 0) {
  if (width > 0 && height > 0 && reference && ppi_ > 0)
    canvas_ = std::make_unique<TRecorder>(*this, *reference);
}

TDrawMetaFile::~TDrawMetaFile() = default;

TCanvas* TDrawMetaFile::Canvas() {
  return canvas_.get();
}

void TDrawMetaFile::Close() {
  canvas_.reset();
}

void TDrawMetaFile::Play(TCanvas& canvas) const {
  Play(canvas, {0, 0, width_, height_});
}

void TDrawMetaFile::Play(TCanvas& canvas, const TRect& target) const {
  PlayInto(canvas, target, nullptr);
}

void TDrawMetaFile::Play(TCanvas& canvas, const TRect& target, const TRect& clip) const {
  PlayInto(canvas, target, &clip);
}

void TDrawMetaFile::PlayInto(TCanvas& canvas, const TRect& target, const TRect* clip) const {
  const bool same =
      target.Left == 0 && target.Top == 0 && target.Width() == width_ && target.Height() == height_;
  const double sx = width_ > 0 ? static_cast<double>(target.Width()) / width_ : 0.0;
  const double sy = height_ > 0 ? static_cast<double>(target.Height()) / height_ : 0.0;
  auto x = [&](int v) { return same ? v : target.Left + static_cast<int>(std::lround(v * sx)); };
  auto y = [&](int v) { return same ? v : target.Top + static_cast<int>(std::lround(v * sy)); };
  auto rect = [&](const TRect& r) { return TRect{x(r.Left), y(r.Top), x(r.Right), y(r.Bottom)}; };
  auto len = [&](int v, double s) { return same ? v : static_cast<int>(std::lround(v * s)); };
  // Whether a drawing whose bounds are `r` (in page pixels) can reach the clip. The canvas has
  // no clip of its own, so what lies wholly outside is left out and the device cuts the rest;
  // outlines reach half the pen width beyond their rectangle.
  int penReach = 1;
  auto visible = [&](const TRect& r) {
    if (!clip) return true;
    TRect b = rect({std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                    std::max(r.Top, r.Bottom)});
    b = {b.Left - penReach, b.Top - penReach, b.Right + penReach, b.Bottom + penReach};
    TRect common;
    return IntersectRect(common, b, *clip);
  };

  for (const TMetaRecord& r : records_) {
    const bool unclipped = r.Kind == TMetaRecord::mrDrawText && (r.Flags & dtNoClip);
    if (r.Kind > TMetaRecord::mrSetBrush && !unclipped && !visible(r.Rect)) continue;
    switch (r.Kind) {
      case TMetaRecord::mrSetFont: {
        TFont f = fonts_[static_cast<size_t>(r.Index)];
        f.Height = std::max(1, len(f.Height, sy));
        canvas.SetFont(f);
        break;
      }
      case TMetaRecord::mrSetPen: {
        TPen p = r.Pen;
        if (p.Width > 1) p.Width = std::max(1, len(p.Width, (sx + sy) / 2));
        penReach = std::max(1, (p.Width + 1) / 2);
        canvas.SetPen(p);
        break;
      }
      case TMetaRecord::mrSetBrush:
        canvas.SetBrush(r.Brush);
        break;
      case TMetaRecord::mrDrawText:
        canvas.DrawText(r.Text, rect(r.Rect), r.Flags);
        break;
      case TMetaRecord::mrFillRect:
        canvas.FillRect(rect(r.Rect));
        break;
      case TMetaRecord::mrLine:
        canvas.Line({x(r.Rect.Left), y(r.Rect.Top)}, {x(r.Rect.Right), y(r.Rect.Bottom)});
        break;
      case TMetaRecord::mrRectangle:
        canvas.Rectangle(rect(r.Rect));
        break;
      case TMetaRecord::mrRoundRect:
        canvas.RoundRect(rect(r.Rect), len(r.EllipseWidth, sx), len(r.EllipseHeight, sy));
        break;
      case TMetaRecord::mrEllipse:
        canvas.Ellipse(rect(r.Rect));
        break;
      case TMetaRecord::mrStretchDraw:
        canvas.StretchDraw(rect(r.Rect), *r.Bitmap);
        break;
    }
  }
}

TDrawMetaFile* tPages::Add(std::unique_ptr<TDrawMetaFile> page) {
  pages_.push_back(std::move(page));
  return pages_.back().get();
}
