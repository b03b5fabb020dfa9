// A status lamp of a serial line and the set of eight lamps a status light controller switches.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <string>

// One lamp: a filled square with a raised frame in LitColor or NotLitColor, or, with a glyph, the
// glyph's left half (lit) or right half (not lit) with the glyph's top-left colour showing the
// parent's background.
class TApdStatusLight : public QWidget {
  Q_OBJECT

 public:
  explicit TApdStatusLight(QWidget* parent = nullptr);

  std::string Version() const { return "v4.03"; }

  const QImage& Glyph() const { return glyph_; }
  // Copies the picture. A non-empty glyph fixes the lamp at half the glyph's width by its
  // height, whatever bounds are set later; an empty one frees the size and makes it 13 x 13.
  void SetGlyph(const QImage& glyph);

  bool Lit() const { return lit_; }
  void SetLit(bool lit);

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

// The eight lamps of a controller, in this order. The set does not own them; a lamp that is
// destroyed leaves an empty reference.
class TLightSet {
 public:
  // Positions of the lamps; plain names such as ERROR would clash with platform macros.
  enum Index {
    CtsIndex,
    DsrIndex,
    DcdIndex,
    RingIndex,
    TxdIndex,
    RxdIndex,
    ErrorIndex,
    BreakIndex,
    LightCount
  };

  TApdStatusLight* Light(int index) const { return lights_.at(static_cast<size_t>(index)); }
  void SetLight(int index, TApdStatusLight* light) {
    lights_.at(static_cast<size_t>(index)) = light;
  }

  TApdStatusLight* CTSLight() const { return Light(CtsIndex); }
  void SetCTSLight(TApdStatusLight* l) { SetLight(CtsIndex, l); }
  TApdStatusLight* DSRLight() const { return Light(DsrIndex); }
  void SetDSRLight(TApdStatusLight* l) { SetLight(DsrIndex, l); }
  TApdStatusLight* DCDLight() const { return Light(DcdIndex); }
  void SetDCDLight(TApdStatusLight* l) { SetLight(DcdIndex, l); }
  TApdStatusLight* RINGLight() const { return Light(RingIndex); }
  void SetRINGLight(TApdStatusLight* l) { SetLight(RingIndex, l); }
  TApdStatusLight* TXDLight() const { return Light(TxdIndex); }
  void SetTXDLight(TApdStatusLight* l) { SetLight(TxdIndex, l); }
  TApdStatusLight* RXDLight() const { return Light(RxdIndex); }
  void SetRXDLight(TApdStatusLight* l) { SetLight(RxdIndex, l); }
  TApdStatusLight* ERRORLight() const { return Light(ErrorIndex); }
  void SetERRORLight(TApdStatusLight* l) { SetLight(ErrorIndex, l); }
  TApdStatusLight* BREAKLight() const { return Light(BreakIndex); }
  void SetBREAKLight(TApdStatusLight* l) { SetLight(BreakIndex, l); }

 private:
  std::array<QPointer<TApdStatusLight>, LightCount> lights_;
};
