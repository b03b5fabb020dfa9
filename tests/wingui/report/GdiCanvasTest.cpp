#include "wingui/report/GdiCanvas.h"

#include <gtest/gtest.h>

#include <memory>

#include "wingui/WinUi.h"

namespace {

using wingui::TGdiCanvas;
using wingui::TGdiPageSurface;
using wingui::TGdiReferenceDevice;

// A white 32-bit memory bitmap to draw on and read back.
class TMemoryDc {
 public:
  TMemoryDc(int width, int height) : width_(width), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    std::fill(bits_, bits_ + width * height, 0x00FFFFFFu);
  }
  ~TMemoryDc() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  uint32_t Pixel(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0x00FFFFFFu;
  }
  // Pixels in [left, right) x [top, bottom) that are not white.
  int Inked(int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += Pixel(x, y) != 0x00FFFFFFu;
    return n;
  }

 private:
  int width_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

SIZE ExtentOf(const TFont& font, int ppi, const std::wstring& text) {
  const LOGFONTW lf = wingui::ToLogFont(font, ppi);
  HFONT handle = CreateFontIndirectW(&lf);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, handle);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(handle);
  return size;
}

// The report's fonts, measured at the design resolution and at a larger one: the recorded
// layout must be what the real font needs there, not a scaled guess.
TEST(GdiReferenceDevice, MeasuresTextAsTheRealFontAtItsResolution) {
  struct {
    TFont Font;
    int Ppi;
  } cases[] = {
      {{"Arial", 13, 0, clBlack}, 96},      {{"Arial", 19, fsBold, clBlack}, 96},
      {{"Arial", 11, fsItalic, clRed}, 96}, {{"Tahoma", 11, 0, clBlack}, 96},
      {{"Arial", 13, 0, clBlack}, 144},
  };
  const std::string text =
      "Pr\xFC"
      "fungen zur Qualifizierung 12.345";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Font.Name + " " + std::to_string(c.Font.Height) + " @" + std::to_string(c.Ppi));
    TGdiReferenceDevice device(c.Ppi);
    const SIZE expected = ExtentOf(c.Font, c.Ppi, wingui::Wide(text));
    const TRect measured =
        device.MeasureText(c.Font, text, {5, 7, 5, 7}, dtSingleLine | dtNoPrefix);
    EXPECT_EQ(measured.Left, 5);
    EXPECT_EQ(measured.Top, 7);
    EXPECT_EQ(measured.Width(), expected.cx);
    EXPECT_EQ(measured.Height(), expected.cy);
    // Without a text a field still takes one line.
    EXPECT_EQ(device.MeasureText(c.Font, "", {0, 0, 0, 0}, 0).Height(), expected.cy);
  }
}

TEST(GdiReferenceDevice, WrapsAtTheWidthOfItsBounds) {
  TGdiReferenceDevice device;
  const TFont font{"Arial", 13, 0, clBlack};
  const TRect one = device.MeasureText(font, "Ja", {0, 0, 0, 0}, 0);
  const TRect wrapped =
      device.MeasureText(font, "Nicht bestanden Nicht bestanden", {0, 0, 60, 0}, dtWordBreak);
  EXPECT_LE(wrapped.Width(), 60);
  EXPECT_GE(wrapped.Height(), 3 * one.Height());
}

// A recorded page stretched to twice its size over part of the device, clipped: the shapes and
// the text land where the scaled page puts them and nothing is drawn outside the clip.
TEST(GdiPageSurface, PlaysARecordedPageScaledAndClipped) {
  TGdiReferenceDevice device;
  TDrawMetaFile page(100, 100, &device);
  TCanvas& c = *page.Canvas();
  c.SetBrush({clBlack, TBrushStyle::bsSolid});
  c.FillRect({10, 10, 20, 20});
  c.SetPen({clRed, 1, TPenStyle::psSolid});
  c.SetBrush({clWhite, TBrushStyle::bsClear});
  c.Rectangle({40, 10, 60, 30});
  c.SetFont({"Arial", 13, 0, clBlue});
  c.DrawText("Seite 1", {10, 60, 90, 80}, dtSingleLine | dtNoPrefix);
  c.SetBrush({clBlack, TBrushStyle::bsSolid});
  c.FillRect({80, 80, 100, 100});
  page.Close();

  TMemoryDc dc(220, 220);
  TGdiPageSurface surface(dc.Dc());
  // Target 10,10 .. 210,210 (scale 2); the clip leaves out the page's bottom right corner.
  surface.PlayPage(page, {10, 10, 210, 210}, {0, 0, 160, 220});

  EXPECT_EQ(dc.Pixel(35, 35), 0u);             // filled square: page 10..20 -> 30..50
  EXPECT_EQ(dc.Pixel(29, 35), 0x00FFFFFFu);    // just left of it
  EXPECT_EQ(dc.Pixel(50, 35), 0x00FFFFFFu);    // right edge left out
  EXPECT_EQ(dc.Pixel(90, 40), 0x00FF0000u);    // red outline's left edge at page 40 -> 90
  EXPECT_EQ(dc.Pixel(110, 50), 0x00FFFFFFu);   // its inside stays unfilled
  EXPECT_GT(dc.Inked(30, 130, 190, 170), 40);  // the text at page 60..80 -> 130..170
  EXPECT_EQ(dc.Inked(160, 160, 220, 220), 0);  // the corner square lies outside the clip
}

TEST(GdiCanvas, StretchesBitmapsWithTheirColours) {
  TBitmap bitmap(2, 1);
  bitmap.SetPixel(0, 0, 0x00FF0000u);
  bitmap.SetPixel(1, 0, 0x000000FFu);
  TMemoryDc dc(40, 20);
  {
    TGdiCanvas canvas(dc.Dc(), 96);
    canvas.StretchDraw({0, 0, 40, 20}, bitmap);
  }
  EXPECT_EQ(dc.Pixel(5, 10), 0x00FF0000u);
  EXPECT_EQ(dc.Pixel(35, 10), 0x000000FFu);
}

}  // namespace
