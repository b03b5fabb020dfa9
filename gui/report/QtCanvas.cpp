#include "gui/report/QtCanvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QScreen>
#include <cmath>

#include "base/Cp1252.h"

namespace {

QString ToQString(std::string_view s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

QColor ToQColor(TColor c) {
  return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

QRect ToQRect(const TRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// The measured rectangle of `text` from bounds' top left corner, as DrawText's calculation does.
TRect Measure(const QFontMetrics& metrics, std::string_view text, const TRect& bounds,
              unsigned flags) {
  const int wrapWidth = (flags & dtWordBreak) && bounds.Width() > 0 ? bounds.Width() : 1 << 20;
  const QRect measured =
      metrics.boundingRect(QRect(0, 0, wrapWidth, 1 << 20),
                           ToQtTextFlags(flags & ~(dtCenter | dtRight)), ToQString(text));
  const int height = text.empty() ? metrics.height() : measured.height();
  return {bounds.Left, bounds.Top, bounds.Left + measured.width(), bounds.Top + height};
}

}  // namespace

QFont ToQFont(const TFont& font, int pixelsPerInch) {
  QFont f(ToQString(font.Name));
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.Height * pixelsPerInch / 96.0))));
  f.setBold((font.Style & fsBold) != 0);
  f.setItalic((font.Style & fsItalic) != 0);
  f.setUnderline((font.Style & fsUnderline) != 0);
  f.setStrikeOut((font.Style & fsStrikeOut) != 0);
  return f;
}

int ToQtTextFlags(unsigned flags) {
  int q = 0;
  if (flags & dtCenter)
    q |= Qt::AlignHCenter;
  else if (flags & dtRight)
    q |= Qt::AlignRight;
  else
    q |= Qt::AlignLeft;
  if ((flags & dtSingleLine) && (flags & dtVCenter))
    q |= Qt::AlignVCenter;
  else if ((flags & dtSingleLine) && (flags & dtBottom))
    q |= Qt::AlignBottom;
  else
    q |= Qt::AlignTop;
  if (flags & dtSingleLine) q |= Qt::TextSingleLine;
  if (flags & dtWordBreak) q |= Qt::TextWordWrap;
  if (flags & dtExpandTabs) q |= Qt::TextExpandTabs;
  if (flags & dtNoClip) q |= Qt::TextDontClip;
  if (!(flags & dtNoPrefix)) q |= Qt::TextShowMnemonic;
  return q;
}

TQtCanvas::TQtCanvas(QPainter& painter, int pixelsPerInch)
    : painter_(painter), ppi_(pixelsPerInch) {}

TRect TQtCanvas::MeasureText(std::string_view text, const TRect& rect, unsigned flags) {
  return Measure(QFontMetrics(ToQFont(Font(), ppi_)), text, rect, flags);
}

void TQtCanvas::DrawText(std::string_view text, const TRect& rect, unsigned flags) {
  painter_.setFont(ToQFont(Font(), ppi_));
  painter_.setPen(ToQColor(Font().Color));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawText(ToQRect(rect), ToQtTextFlags(flags), ToQString(text));
}

void TQtCanvas::ApplyPen() {
  const TPen& p = Pen();
  if (p.Style == TPenStyle::psClear) {
    painter_.setPen(Qt::NoPen);
    return;
  }
  Qt::PenStyle style = Qt::SolidLine;
  switch (p.Style) {
    case TPenStyle::psDash:
      style = Qt::DashLine;
      break;
    case TPenStyle::psDot:
      style = Qt::DotLine;
      break;
    case TPenStyle::psDashDot:
      style = Qt::DashDotLine;
      break;
    case TPenStyle::psDashDotDot:
      style = Qt::DashDotDotLine;
      break;
    default:
      break;
  }
  QPen pen(ToQColor(p.Color), std::max(1, p.Width), style, Qt::FlatCap, Qt::MiterJoin);
  painter_.setPen(pen);
}

void TQtCanvas::ApplyBrush() {
  const TBrush& b = Brush();
  Qt::BrushStyle style = Qt::SolidPattern;
  switch (b.Style) {
    case TBrushStyle::bsClear:
      painter_.setBrush(Qt::NoBrush);
      return;
    case TBrushStyle::bsHorizontal:
      style = Qt::HorPattern;
      break;
    case TBrushStyle::bsVertical:
      style = Qt::VerPattern;
      break;
    case TBrushStyle::bsFDiagonal:
      style = Qt::FDiagPattern;
      break;
    case TBrushStyle::bsBDiagonal:
      style = Qt::BDiagPattern;
      break;
    case TBrushStyle::bsCross:
      style = Qt::CrossPattern;
      break;
    case TBrushStyle::bsDiagCross:
      style = Qt::DiagCrossPattern;
      break;
    case TBrushStyle::bsSolid:
      break;
  }
  painter_.setBrush(QBrush(ToQColor(b.Color), style));
}

void TQtCanvas::FillRect(const TRect& rect) {
  if (Brush().Style == TBrushStyle::bsClear) return;
  painter_.setPen(Qt::NoPen);
  ApplyBrush();
  painter_.drawRect(ToQRect(rect));
}

void TQtCanvas::Line(TPoint from, TPoint to) {
  ApplyPen();
  painter_.drawLine(QPoint(from.X, from.Y), QPoint(to.X, to.Y));
}

namespace {

// The outline rectangle of a figure covering rect's pixels: Qt strokes the centre of the pen
// on the rectangle's edges, the platform keeps the outline inside Left .. Right - 1.
QRectF OutlineRect(const TRect& rect, int penWidth) {
  const double inset = penWidth / 2.0;
  return QRectF(rect.Left + inset, rect.Top + inset, rect.Width() - penWidth,
                rect.Height() - penWidth);
}

}  // namespace

void TQtCanvas::Rectangle(const TRect& rect) {
  ApplyPen();
  ApplyBrush();
  painter_.drawRect(OutlineRect(rect, Pen().Style == TPenStyle::psClear ? 0 : Pen().Width));
}

void TQtCanvas::RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight) {
  ApplyPen();
  ApplyBrush();
  painter_.drawRoundedRect(OutlineRect(rect, Pen().Width), ellipseWidth / 2.0, ellipseHeight / 2.0);
}

void TQtCanvas::Ellipse(const TRect& rect) {
  ApplyPen();
  ApplyBrush();
  painter_.drawEllipse(OutlineRect(rect, Pen().Width));
}

void TQtCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) image.setPixel(x, y, 0xFF000000u | bitmap.Pixel(x, y));
  painter_.drawImage(ToQRect(rect), image);
}

TQtReferenceDevice::TQtReferenceDevice(int pixelsPerInch) : ppi_(pixelsPerInch) {
  if (ppi_ <= 0) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ppi_ = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
    if (ppi_ <= 0) ppi_ = 96;
  }
}

const QFontMetrics& TQtReferenceDevice::MetricsOf(const TFont& font) const {
  for (const auto& [known, metrics] : metrics_)
    if (known == font) return *metrics;
  metrics_.emplace_back(font, std::make_unique<QFontMetrics>(ToQFont(font, ppi_)));
  return *metrics_.back().second;
}

TRect TQtReferenceDevice::MeasureText(const TFont& font, std::string_view text, const TRect& bounds,
                                      unsigned flags) const {
  return Measure(MetricsOf(font), text, bounds, flags);
}

void PaintPage(QPainter& painter, const TDrawMetaFile& page, const QRectF& target) {
  if (page.Width() <= 0 || page.Height() <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.translate(target.topLeft());
  painter.scale(target.width() / page.Width(), target.height() / page.Height());
  painter.setClipRect(QRect(0, 0, page.Width(), page.Height()), Qt::IntersectClip);
  TQtCanvas canvas(painter, page.PixelsPerInch());
  page.Play(canvas);
  painter.restore();
}

void TQtPageSurface::PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) {
  painter_.save();
  painter_.setClipRect(QRect(clip.Left, clip.Top, clip.Width(), clip.Height()), Qt::IntersectClip);
  PaintPage(painter_, page, QRectF(target.Left, target.Top, target.Width(), target.Height()));
  painter_.restore();
}

QImage RenderPage(const TDrawMetaFile& page, QSize size) {
  if (size.isEmpty()) size = QSize(page.Width(), page.Height());
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintPage(painter, page, QRectF(0, 0, size.width(), size.height()));
  return image;
}

namespace {

QPageSize PaperOf(const TDrawMetaFile& page) {
  const double ppi = page.PixelsPerInch() > 0 ? page.PixelsPerInch() : 96.0;
  return QPageSize(QSizeF(page.Width() * 25.4 / ppi, page.Height() * 25.4 / ppi),
                   QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace

bool WritePdf(const tPages& pages, const QString& fileName, int resolution, const QString& title) {
  if (pages.Empty()) return false;
  QPdfWriter writer(fileName);
  writer.setResolution(resolution);
  writer.setTitle(title);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  writer.setPageSize(PaperOf(*pages[0]));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  for (int i = 0; i < pages.Count(); ++i) {
    if (i > 0) {
      writer.setPageSize(PaperOf(*pages[i]));
      writer.newPage();
    }
    PaintPage(painter, *pages[i], QRectF(0, 0, writer.width(), writer.height()));
  }
  return painter.end();
}
