#include "gui/serial/AdStatLt.h"

#include <QPainter>

namespace {

constexpr int kDefaultSize = 13;

}  // namespace

TApdStatusLight::TApdStatusLight(QWidget* parent) : QWidget(parent) {
  resize(kDefaultSize, kDefaultSize);
}

QSize TApdStatusLight::sizeHint() const {
  if (HasGlyph()) return {glyph_.width() / 2, glyph_.height()};
  return {kDefaultSize, kDefaultSize};
}

void TApdStatusLight::SetGlyph(const QImage& glyph) {
  glyph_ = glyph.copy();
  if (HasGlyph()) {
    // A fixed size keeps every later geometry change at the glyph's size; the position moves.
    setFixedSize(sizeHint());
  } else {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(kDefaultSize, kDefaultSize);
  }
  Invalidate();
}

void TApdStatusLight::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  Invalidate();
}

void TApdStatusLight::SetLitColor(const QColor& color) {
  litColor_ = color;
  if (!HasGlyph() && lit_) Invalidate();
}

void TApdStatusLight::SetNotLitColor(const QColor& color) {
  notLitColor_ = color;
  if (!HasGlyph() && !lit_) Invalidate();
}

void TApdStatusLight::Invalidate() {
  ++repaintRequests_;
  update();
}

QColor TApdStatusLight::ParentBackground() const {
  const QWidget* w = parentWidget() ? parentWidget() : this;
  return w->palette().color(w->backgroundRole());
}

void TApdStatusLight::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  if (HasGlyph()) {
    const int half = glyph_.width() / 2;
    QImage src = glyph_.copy(lit_ ? 0 : half, 0, half, glyph_.height())
                     .convertToFormat(QImage::Format_ARGB32);
    const QRgb key = glyph_.convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
    const QRgb background = ParentBackground().rgba();
    for (int y = 0; y < src.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(src.scanLine(y));
      for (int x = 0; x < src.width(); ++x) {
        if (line[x] == key) line[x] = background;
      }
    }
    p.drawImage(0, 0, src);
    return;
  }
  p.fillRect(rect(), lit_ ? litColor_ : notLitColor_);
  p.setPen(QColor(255, 255, 255));
  p.drawLine(0, 0, w, 0);
  p.drawLine(0, 0, 0, h);
  p.setPen(QColor(128, 128, 128));
  p.drawLine(w - 1, 1, w - 1, h);
  p.drawLine(1, h - 1, w, h - 1);
}
