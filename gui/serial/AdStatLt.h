// A status lamp of a serial line; the set of eight lamps a controller switches is TLightSet.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <string>

#include "serial/AdLights.h"
#include "serial/AwTrace.h"

// One lamp: a filled square with a raised frame in LitColor or NotLitColor, or, with a glyph, the
// glyph's left half (lit) or right half (not lit) with the glyph's top-left colour showing the
// parent's background.
class TApdStatusLight : public QWidget, public TApdLamp {
  Q_OBJECT

 public:
  explicit TApdStatusLight(QWidget* parent = nullptr);

  std::string Version() const { return ApdVersionText; }

  const QImage& Glyph() const { return glyph_; }
  // Copies the picture. A non-empty glyph fixes the lamp at half the glyph's width by its
  // height, whatever bounds are set later; an empty one frees the size and makes it 13 x 13.
  void SetGlyph(const QImage& glyph);

  bool Lit() const override { return lit_; }
  void SetLit(bool lit) override;

  QColor LitColor() const { return litColor_; }
  void SetLitColor(const QColor& color);
  QColor NotLitColor() const { return notLitColor_; }
  void SetNotLitColor(const QColor& color);

  // How many times the lamp asked to be repainted since it was created.
  int RepaintRequests() const { return repaintRequests_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool HasGlyph() const { return !glyph_.isNull(); }
  void Invalidate();
  QColor ParentBackground() const;

  QImage glyph_;
  bool lit_ = false;
  QColor litColor_{255, 0, 0};
  QColor notLitColor_{0, 128, 0};
  int repaintRequests_ = 0;
};
