#include <QApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "gui/serial/AdStatLt.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

QImage Render(QWidget& w) {
  QImage img(w.size(), QImage::Format_ARGB32);
  img.fill(Qt::black);
  w.render(&img);
  return img;
}

QColor At(const QImage& img, int x, int y) {
  return QColor(img.pixel(x, y));
}

class StatusLightTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
};

TEST_F(StatusLightTest, NewLampIsAGreenUnlitSquareWithItsDefaults) {
  TApdStatusLight lamp;
  EXPECT_EQ(lamp.size(), QSize(13, 13));
  EXPECT_EQ(lamp.Version(), "v4.03");
  EXPECT_FALSE(lamp.Lit());
  EXPECT_EQ(lamp.LitColor(), QColor(255, 0, 0));
  EXPECT_EQ(lamp.NotLitColor(), QColor(0, 128, 0));
  EXPECT_TRUE(lamp.Glyph().isNull());
}

TEST_F(StatusLightTest, ColourLampPaintsFillAndRaisedFrame) {
  TApdStatusLight lamp;
  lamp.resize(20, 16);
  const QColor white(255, 255, 255), grey(128, 128, 128);
  for (bool lit : {false, true}) {
    lamp.SetLit(lit);
    QImage img = Render(lamp);
    const QColor fill = lit ? QColor(255, 0, 0) : QColor(0, 128, 0);
    EXPECT_EQ(At(img, 10, 8), fill);
    EXPECT_EQ(At(img, 18, 14), fill);
    // Top row and left column white, right column and bottom row grey below / right of them.
    EXPECT_EQ(At(img, 0, 0), white);
    EXPECT_EQ(At(img, 19, 0), white);
    EXPECT_EQ(At(img, 0, 15), white);
    EXPECT_EQ(At(img, 19, 1), grey);
    EXPECT_EQ(At(img, 19, 15), grey);
    EXPECT_EQ(At(img, 1, 15), grey);
    EXPECT_EQ(At(img, 1, 1), fill);
  }
  lamp.SetLitColor(QColor(0, 0, 255));
  EXPECT_EQ(At(Render(lamp), 5, 5), QColor(0, 0, 255));
}

TEST_F(StatusLightTest, RepaintsOnlyWhenTheVisibleColourMayChange) {
  TApdStatusLight lamp;
  int n = lamp.RepaintRequests();
  lamp.SetLit(false);
  EXPECT_EQ(lamp.RepaintRequests(), n) << "unchanged Lit";
  lamp.SetLitColor(Qt::blue);
  EXPECT_EQ(lamp.RepaintRequests(), n) << "LitColor while not lit";
  lamp.SetNotLitColor(Qt::yellow);
  EXPECT_EQ(lamp.RepaintRequests(), ++n);
  lamp.SetLit(true);
  EXPECT_EQ(lamp.RepaintRequests(), ++n);
  lamp.SetNotLitColor(Qt::cyan);
  EXPECT_EQ(lamp.RepaintRequests(), n) << "NotLitColor while lit";
  lamp.SetLitColor(Qt::magenta);
  EXPECT_EQ(lamp.RepaintRequests(), ++n);

  QImage glyph(26, 13, QImage::Format_RGB32);
  glyph.fill(Qt::white);
  lamp.SetGlyph(glyph);
  n = lamp.RepaintRequests();
  lamp.SetLitColor(Qt::red);
  lamp.SetNotLitColor(Qt::red);
  EXPECT_EQ(lamp.RepaintRequests(), n) << "colours do not show with a glyph";
  lamp.SetLit(false);
  EXPECT_EQ(lamp.RepaintRequests(), n + 1);
}

TEST_F(StatusLightTest, GlyphFixesTheSizeUntilItIsRemoved) {
  QWidget parent;
  TApdStatusLight lamp(&parent);
  QImage glyph(26, 13, QImage::Format_RGB32);
  glyph.fill(Qt::white);
  lamp.SetGlyph(glyph);
  EXPECT_EQ(lamp.size(), QSize(13, 13));
  lamp.setGeometry(30, 40, 40, 40);
  EXPECT_EQ(lamp.geometry(), QRect(30, 40, 13, 13));

  lamp.SetGlyph(QImage(40, 20, QImage::Format_RGB32));
  EXPECT_EQ(lamp.size(), QSize(20, 20));

  lamp.SetGlyph(QImage());
  EXPECT_EQ(lamp.size(), QSize(13, 13));
  lamp.setGeometry(30, 40, 40, 30);
  EXPECT_EQ(lamp.size(), QSize(40, 30));
}

TEST_F(StatusLightTest, GlyphShowsItsHalfWithTheKeyColourAsParentBackground) {
  QWidget parent;
  QPalette pal = parent.palette();
  pal.setColor(parent.backgroundRole(), QColor(10, 20, 30));
  parent.setPalette(pal);
  TApdStatusLight lamp(&parent);

  // Left half: yellow with the key colour (magenta, from the top-left pixel) in its top row;
  // right half: dark grey with a key pixel in the middle.
  QImage glyph(20, 10, QImage::Format_RGB32);
  const QColor key(255, 0, 255), on(255, 255, 0), off(60, 60, 60);
  glyph.fill(on);
  for (int x = 0; x < 10; ++x) glyph.setPixelColor(x, 0, key);
  {
    QPainter p(&glyph);
    p.fillRect(10, 0, 10, 10, off);
  }
  glyph.setPixelColor(15, 5, key);
  lamp.SetGlyph(glyph);
  glyph.fill(Qt::black);  // the lamp keeps its own copy

  const QColor background(10, 20, 30);
  QImage img = Render(lamp);
  EXPECT_EQ(img.size(), QSize(10, 10));
  EXPECT_EQ(At(img, 3, 0), off);
  EXPECT_EQ(At(img, 2, 2), off);
  EXPECT_EQ(At(img, 5, 5), background);

  lamp.SetLit(true);
  img = Render(lamp);
  EXPECT_EQ(At(img, 3, 0), background);
  EXPECT_EQ(At(img, 5, 5), on);
  EXPECT_EQ(At(img, 9, 9), on);
}

TEST_F(StatusLightTest, LightSetKeepsOrderAndForgetsDestroyedLamps) {
  TLightSet set;
  for (int i = 0; i < TLightSet::LightCount; ++i) EXPECT_EQ(set.Light(i), nullptr);
  auto* cts = new TApdStatusLight;
  TApdStatusLight brk;
  set.SetCTSLight(cts);
  set.SetBREAKLight(&brk);
  EXPECT_EQ(set.Light(0), cts);
  EXPECT_EQ(set.Light(7), &brk);
  EXPECT_EQ(set.BREAKLight(), &brk);
  EXPECT_EQ(set.DSRLight(), nullptr);
  delete cts;
  EXPECT_EQ(set.CTSLight(), nullptr);
  EXPECT_EQ(set.BREAKLight(), &brk);
}

}  // namespace
