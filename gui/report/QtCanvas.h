// The report canvas on Qt: TQtCanvas draws canvas operations with a QPainter, TQtReferenceDevice
// measures text with Qt's font metrics for recording pages, and the page helpers paint a recorded
// page onto any painter ("paint page n on this painter" serves preview, printing and PDF) or
// render pages to images and PDF files.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "report/Canvas.h"
#include "report/DrawMeta.h"
#include "report/PrintJob.h"

// The QFont of `font` on a device of `pixelsPerInch`.
QFont ToQFont(const TFont& font, int pixelsPerInch);

// Qt alignment and text flags of DrawText flags.
int ToQtTextFlags(unsigned flags);

class TQtCanvas : public TCanvas {
 public:
  // Draws on `painter` (which must outlive the canvas); fonts are sized for `pixelsPerInch`.
  TQtCanvas(QPainter& painter, int pixelsPerInch);

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
  void ApplyPen();
  void ApplyBrush();

  QPainter& painter_;
  int ppi_;
};

// Text metrics of Qt's fonts at a fixed resolution (the screen's by default), for recording.
// Keeps the metrics of the fonts it has measured with; used on the GUI thread only.
class TQtReferenceDevice : public TReferenceDevice {
 public:
  // 0: the logical resolution of the primary screen, 96 without one.
  explicit TQtReferenceDevice(int pixelsPerInch = 0);
  int PixelsPerInch() const override { return ppi_; }
  TRect MeasureText(const TFont& font, std::string_view text, const TRect& bounds,
                    unsigned flags) const override;

 private:
  const QFontMetrics& MetricsOf(const TFont& font) const;

  int ppi_;
  // A report uses a handful of fonts; looking them up again for every text is what costs.
  mutable std::vector<std::pair<TFont, std::unique_ptr<QFontMetrics>>> metrics_;
};

// Paints `page` stretched into `target` (in the painter's coordinates). The painter's state is
// restored afterwards.
void PaintPage(QPainter& painter, const TDrawMetaFile& page, const QRectF& target);

// Plays pages onto a painter (which must outlive the surface) as PaintPage does, clipped.
class TQtPageSurface : public IPageSurface {
 public:
  explicit TQtPageSurface(QPainter& painter) : painter_(painter) {}
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override;

 private:
  QPainter& painter_;
};

// The page on a white image of `size` pixels (the page's own size when empty).
QImage RenderPage(const TDrawMetaFile& page, QSize size = QSize());

// Writes every page into a PDF of the pages' paper size (from their size and resolution), one
// PDF page per page, at `resolution` dots per inch. False when the file cannot be written.
bool WritePdf(const tPages& pages, const QString& fileName, int resolution = 300,
              const QString& title = QString());
