// Helpers of the report tests: a canvas that records what is drawn on it, and short ways to put
// bands and controls on a report form.
#pragma once

#include <string>
#include <vector>

#include "report/AlPrinter.h"
#include "report/Alrep.h"

struct TDrawn {
  std::string Kind;  // "text", "fill", "line", "rect", "round", "ellipse", "bitmap"
  TRect Rect;
  std::string Text;
  unsigned Flags = 0;
  TFont Font;
  TPen Pen;
  TBrush Brush;
  int Width = 0;   // bitmap width, or corner ellipse width
  int Height = 0;  // bitmap height, or corner ellipse height
};

class TRecordingCanvas : public TCanvas {
 public:
  int PixelsPerInch() const override { return 96; }
  TRect MeasureText(std::string_view text, const TRect& rect, unsigned flags) override {
    return device_.MeasureText(Font(), text, rect, flags);
  }
  void DrawText(std::string_view text, const TRect& rect, unsigned flags) override;
  void FillRect(const TRect& rect) override { Add("fill", rect); }
  void Line(TPoint from, TPoint to) override { Add("line", {from.X, from.Y, to.X, to.Y}); }
  void Rectangle(const TRect& rect) override { Add("rect", rect); }
  void RoundRect(const TRect& rect, int w, int h) override;
  void Ellipse(const TRect& rect) override { Add("ellipse", rect); }
  void StretchDraw(const TRect& rect, const TBitmap& bitmap) override;

  std::vector<TDrawn> Drawn;
  std::vector<TBitmap> Bitmaps;

 private:
  TDrawn& Add(const char* kind, const TRect& rect);
  TFixedPitchDevice device_;
};

// What a recorded page draws, played onto a recording canvas.
std::vector<TDrawn> Replay(const TDrawMetaFile& page);
// The texts of a page in drawing order, joined by blanks.
std::string PageTexts(const TDrawMetaFile& page);
// The first text item `text` on the page; Kind is empty when there is none.
TDrawn FindText(const TDrawMetaFile& page, const std::string& text);

// A report form with its report, A4 portrait, no margins, run on a printer of its own on the
// 96 dpi fixed-pitch device.
struct TTestForm {
  TTestForm();
  ~TTestForm();
  TFixedPitchDevice Screen;
  TAlPrinter Printer{Screen};
  TAlForm* Form;
  TAlReport* Report;
  tPages Pages;

  tAlBand* Band(const std::string& name, tAlBandType type, int top, int height,
                tClipMode clip = cm_Clip);
  TAlLabel* Label(tAlBand* band, const std::string& name, const std::string& caption, int left,
                  int top, int width = 100, int height = 16);
  TAlField* Field(tAlBand* band, const std::string& name, int left, int top, int width = 100,
                  int height = 16);
  TAlSysField* SysField(tAlBand* band, const std::string& name, tAlSysDataType type, int left,
                        int top);
  TAlShape* Shape(tAlBand* band, const std::string& name, int left, int top, int width, int height);
  void Generate() { Report->GenerateInto(Pages, Printer); }
};

// A printer of its own with an open page list, so that controls can be printed directly.
struct TOpenPrinter {
  TOpenPrinter();
  ~TOpenPrinter();
  TFixedPitchDevice Screen;
  TAlPrinter Printer{Screen};
  tPages Pages;
  std::vector<TDrawn> Drawn();
};
