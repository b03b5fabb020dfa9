#include <gtest/gtest.h>

#include "base/Exception.h"
#include "tests/report/ReportSupport.h"

namespace {

std::tm FixedNow() {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  return t;
}

// Texts drawn in the rows of one detail band, a row per vector.
TEST(ReportFields, ValuesRepeatTheBandAndRunOutAsNoValue) {
  TTestForm t;
  tAlBand* d = t.Band("detail", alr_Detail, 0, 20);
  t.Field(d, "three", 0, 0);
  t.Field(d, "one", 200, 0);
  t.Field(d, "two", 400, 0);
  t.Field(d, "empty", 600, 0);
  for (const char* v : {"a", "b", "c"}) t.Report->AddFieldValue("THREE", v);
  t.Report->AddFieldValue("one", "x");
  t.Report->AddFieldValue("Two", "p");
  t.Report->AddFieldValue("two", "q");
  t.Report->AddFieldValue("nosuchfield", "ignored");
  t.Generate();
  ASSERT_EQ(t.Pages.Count(), 1);
  EXPECT_EQ(PageTexts(*t.Pages[0]), "a x p ~ b x q ~ c x ~ ~");
  EXPECT_EQ(FindText(*t.Pages[0], "b").Rect.Top, 20);

  // A second run rewinds the fields and prints the same rows.
  t.Generate();
  ASSERT_EQ(t.Pages.Count(), 1);
  EXPECT_EQ(PageTexts(*t.Pages[0]), "a x p ~ b x q ~ c x ~ ~");
}

TEST(ReportFields, SingleOrNoValueBandPrintsOnce) {
  TTestForm t;
  tAlBand* d = t.Band("detail", alr_Detail, 0, 20);
  t.Field(d, "one", 0, 0);
  t.Field(d, "none", 200, 0);
  t.Report->AddFieldValue("one", "x");
  t.Generate();
  EXPECT_EQ(PageTexts(*t.Pages[0]), "x ~");
}

TEST(ReportFields, TrailingUnderscoreFollowsTheNamedField) {
  TTestForm t;
  tAlBand* d = t.Band("detail", alr_Detail, 0, 20);
  TAlField* val = t.Field(d, "val", 0, 0);
  TAlField* copy1 = t.Field(d, "VAL_", 200, 0);
  TAlField* copy3 = t.Field(d, "val___", 400, 0);
  TAlField* label = t.Field(d, "lbl_", 600, 0);
  t.Label(d, "lbl", "a label", 0, 0);  // not a data field: no value to follow
  TAlField* bare = t.Field(d, "_", 700, 0);
  val->SetCaption("caption of val");
  copy1->SetCaption("caption of copy");
  t.Report->AddFieldValue("val", "1");
  t.Report->AddFieldValue("val", "2");
  EXPECT_EQ(copy1->GetPrintText(), "1");
  EXPECT_EQ(copy1->PeekNextText(), "2");
  EXPECT_EQ(label->GetPrintText(), "~");
  EXPECT_EQ(label->PeekNextText(), "");  // its own caption
  EXPECT_EQ(bare->GetPrintText(), "~");
  t.Generate();
  EXPECT_EQ(PageTexts(*t.Pages[0]), "1 1 1 ~ a label ~ 2 2 2 ~ a label ~");

  // After the last row: a single value repeats, several run out, no values peek the caption.
  val->ClearValues();
  val->AddValue("only");
  EXPECT_EQ(copy3->PeekNextText(), "only");
  val->ClearValues();
  EXPECT_EQ(val->PeekNextText(), "caption of val");
  EXPECT_EQ(copy1->PeekNextText(), "caption of val");
}

TEST(ReportFields, NextRowAdvancesOnlyWithSeveralValues) {
  TTestForm t;
  tAlBand* d = t.Band("detail", alr_Detail, 0, 20);
  TAlField* f = t.Field(d, "f", 0, 0);
  f->AddValue("a");
  EXPECT_FALSE(f->NextRow());
  EXPECT_EQ(f->Position(), 0);
  f->AddValue("b");
  EXPECT_TRUE(f->NextRow());
  EXPECT_FALSE(f->NextRow());
  EXPECT_FALSE(f->NextRow());
  EXPECT_EQ(f->Position(), 2);
  EXPECT_EQ(f->GetPrintText(), "~");
  EXPECT_EQ(f->PeekNextText(), "~");
  f->Rewind();
  EXPECT_EQ(f->GetPrintText(), "a");
  EXPECT_EQ(f->PeekNextText(), "b");
}

TEST(ReportSysFields, KindsPrintTheirTextsAndKeepPlaceholdersForDesign) {
  TAlSysField::SetClock(&FixedNow);
  TTestForm t;
  tAlBand* ph = t.Band("ph", alr_PageHeader, 0, 20);
  tAlBand* d = t.Band("detail", alr_Detail, 20, 20);
  TAlSysField* count = t.SysField(ph, "count", alr_Count, 0, 0);
  t.SysField(ph, "when", alr_DateTime, 100, 0);
  t.SysField(ph, "page", alr_PageNum, 300, 0);
  t.SysField(ph, "name", alr_FormName, 400, 0);
  TAlSysField* counter = t.SysField(d, "counter", alr_Counter, 0, 0);
  t.Field(d, "f", 100, 0);
  for (const char* v : {"a", "b", "c"}) t.Report->AddFieldValue("f", v);
  EXPECT_EQ(count->Caption(), "#Count#");
  EXPECT_EQ(counter->Caption(), "#Counter#");
  t.Generate();
  EXPECT_EQ(PageTexts(*t.Pages[0]), "E 07.03.2024 09:05:03 1 frmTest 1 a 2 b 3 c");
  // Each run numbers its rows from 1 again.
  t.Generate();
  EXPECT_EQ(PageTexts(*t.Pages[0]), "E 07.03.2024 09:05:03 1 frmTest 1 a 2 b 3 c");

  TAlSysField* placeholder = t.SysField(d, "ph", alr_Date, 0, 0);
  EXPECT_EQ(placeholder->Caption(), "#tt.mm.jjjj#");
  placeholder->SetDataType(alr_FormName);
  EXPECT_EQ(placeholder->Caption(), "#frmTest#");
  placeholder->SetDataType(alr_Time);
  EXPECT_EQ(placeholder->GetPrintText(), "09:05:03");
  placeholder->SetCaption("changed in the form description");
  placeholder->BeginLoading();
  placeholder->EndLoading();
  EXPECT_EQ(placeholder->Caption(), "#hh:mm:ss#");
  TAlSysField::SetClock(nullptr);
}

TEST(ReportLabels, AutoSizeMeasuresTheTextAndRightAlignmentKeepsTheRightEdge) {
  TTestForm t;
  tAlBand* b = t.Band("title", alr_Title, 0, 40);
  TAlLabel* right = t.Label(b, "right", "abc", 100, 0, 200, 16);
  right->SetAlignment(taRightJustify);
  t.Label(b, "left", "abc", 400, 0, 200, 16);
  TAlField* empty = t.Field(b, "empty", 0, 20);
  empty->AddValue("");
  TAlLabel* fixed = t.Label(b, "fixed", "abc", 600, 20, 100, 16);
  fixed->SetAutoSize(false);
  fixed->SetAlignment(taCenter);
  t.Generate();
  const TDrawMetaFile& page = *t.Pages[0];
  // 13-pixel Arial on the fixed-pitch device: 7 pixels a character, 15 a line.
  EXPECT_EQ(FindText(page, "abc").Rect, Rect(300 - 21, 0, 300, 15));
  std::vector<TDrawn> drawn = Replay(page);
  ASSERT_EQ(drawn.size(), 4u);
  EXPECT_EQ(drawn[1].Rect, Rect(400, 0, 421, 15));
  EXPECT_EQ(drawn[2].Rect, Rect(0, 20, 7, 35));  // measured as one blank
  EXPECT_EQ(drawn[3].Rect, Rect(600, 20, 700, 36));
  EXPECT_EQ(drawn[0].Flags, unsigned{dtRight | dtExpandTabs | dtNoPrefix});
  EXPECT_EQ(drawn[3].Flags, unsigned{dtCenter | dtExpandTabs | dtNoPrefix});
}

TEST(ReportLabels, OpaqueWrappingLabelFillsThenDrawsWithoutBackground) {
  TOpenPrinter p;
  TAlForm form;
  auto* band = new tAlBand(&form);
  band->SetParent(&form);
  auto* label = new TAlLabel(&form);
  label->SetParent(band);
  label->SetTransparent(false);
  label->SetWordWrap(true);
  label->SetColor(clYellow);
  label->SetCaption("a & b");
  label->PrintAt(p.Printer, Rect(10, 10, 60, 40));
  std::vector<TDrawn> d = p.Drawn();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].Kind, "fill");
  EXPECT_EQ(d[0].Brush, (TBrush{clYellow, TBrushStyle::bsSolid}));
  EXPECT_EQ(d[1].Text, "a & b");
  EXPECT_EQ(d[1].Flags, unsigned{dtWordBreak | dtExpandTabs | dtNoPrefix});

  label->Setvisible(false);
  label->PrintAt(p.Printer, Rect(10, 10, 60, 40));
  EXPECT_EQ(p.Drawn().size(), 2u);
}

TEST(ReportShapes, ThinRectanglesBecomeRulesAndSquaresAreCentred) {
  TOpenPrinter p;
  TAlForm form;
  auto* band = new tAlBand(&form);
  band->SetParent(&form);
  auto* shape = new TAlShape(&form);
  shape->SetParent(band);
  EXPECT_EQ(shape->Width(), 65);
  shape->SetPen({clBlack, 0, TPenStyle::psSolid});
  shape->SetBrush({clRed, TBrushStyle::bsSolid});
  shape->PrintAt(p.Printer, Rect(10, 20, 110, 21));  // 1 pixel high: a horizontal rule
  shape->PrintAt(p.Printer, Rect(10, 20, 110, 26));  // 6 pixels: an outline filled with the brush
  shape->PrintAt(p.Printer, Rect(10, 20, 11, 60));   // 1 pixel wide: a vertical rule
  shape->SetShape(stSquare);
  shape->PrintAt(p.Printer, Rect(0, 0, 100, 40));
  shape->SetShape(stRoundRect);
  shape->PrintAt(p.Printer, Rect(0, 0, 100, 40));
  shape->SetShape(stCircle);
  shape->PrintAt(p.Printer, Rect(0, 0, 40, 100));
  std::vector<TDrawn> d = p.Drawn();
  ASSERT_EQ(d.size(), 6u);
  EXPECT_EQ(d[0].Kind, "line");
  EXPECT_EQ(d[0].Rect, Rect(10, 20, 110, 20));
  EXPECT_EQ(d[0].Pen.Width, 1);
  EXPECT_EQ(d[1].Kind, "rect");
  EXPECT_EQ(d[1].Rect, Rect(10, 20, 110, 26));
  EXPECT_EQ(d[1].Brush, (TBrush{clRed, TBrushStyle::bsSolid}));
  EXPECT_EQ(d[2].Kind, "line");
  EXPECT_EQ(d[2].Rect, Rect(10, 20, 10, 60));
  EXPECT_EQ(d[3].Rect, Rect(30, 0, 70, 40));
  EXPECT_EQ(d[4].Kind, "round");
  EXPECT_EQ(d[4].Width, 10);
  EXPECT_EQ(d[5].Kind, "ellipse");
  EXPECT_EQ(d[5].Rect, Rect(0, 30, 40, 70));
}

TEST(ReportImages, BitmapIsStretchedOrFramedAndMissingPictureIsOutlined) {
  TOpenPrinter p;
  TAlForm form;
  auto* band = new tAlBand(&form);
  band->SetParent(&form);
  auto* image = new tAlImage(&form);
  image->SetParent(band);
  image->PrintAt(p.Printer, Rect(0, 0, 50, 50));
  auto bitmap = std::make_shared<TBitmap>(2, 2, 0x123456);
  image->SetPicture({bitmap});
  image->PrintAt(p.Printer, Rect(0, 0, 50, 50));
  image->SetStretch(false);
  image->SetBounds(0, 0, 4, 4);
  image->PrintAt(p.Printer, Rect(0, 0, 50, 50));
  image->SetAutosize(true);
  EXPECT_EQ(image->Width(), 2);

  TRecordingCanvas canvas;
  p.Pages[0]->Play(canvas);
  ASSERT_EQ(canvas.Drawn.size(), 3u);
  EXPECT_EQ(canvas.Drawn[0].Kind, "rect");
  EXPECT_EQ(canvas.Drawn[0].Pen.Style, TPenStyle::psDashDot);
  EXPECT_EQ(canvas.Drawn[0].Brush.Style, TBrushStyle::bsClear);
  EXPECT_EQ(canvas.Drawn[1].Kind, "bitmap");
  EXPECT_EQ(canvas.Drawn[1].Width, 2);
  EXPECT_EQ(canvas.Drawn[2].Width, 4);  // the picture centred on a frame of the design size
  const TBitmap& framed = canvas.Bitmaps[1];
  EXPECT_EQ(framed.Pixel(1, 1), 0x123456u);
  EXPECT_EQ(framed.Pixel(2, 2), 0x123456u);
  EXPECT_EQ(framed.Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(framed.Pixel(3, 3), 0xFFFFFFu);
}

TEST(ReportModel, BandsSitOnFormsAndControlsOnBands) {
  TAlForm form;
  auto* band = new tAlBand(&form);
  band->SetParent(&form);
  auto* other = new tAlBand(&form);
  other->SetParent(&form);
  auto* label = new TAlLabel(&form);
  label->SetParent(band);
  try {
    other->SetParent(band);
    FAIL() << "a band inside a band";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "This component must be placed on a tForm.");
  }
  EXPECT_EQ(other->Parent(), &form);
  try {
    label->SetParent(&form);
    FAIL() << "a control on the form";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "This component must be placed on a tAlBand.");
  }
  EXPECT_EQ(label->Parent(), band);
  label->SetParent(other);
  EXPECT_TRUE(band->Children().empty());
  EXPECT_EQ(other->Children().size(), 1u);

  // Fonts follow the parent until set.
  TFont big{"Arial", 24, fsBold, clBlack};
  form.SetFont(big);
  EXPECT_EQ(label->Font(), big);
  TFont own{"Tahoma", 11, fsItalic, clBlack};
  label->SetFont(own);
  form.SetFont(TFont{});
  EXPECT_EQ(label->Font(), own);

  delete other;
  EXPECT_EQ(label->Parent(), nullptr);
}

TEST(ReportModel, MarginsMustLieInsideThePortraitPaperWidth) {
  TAlForm form;
  form.SetHorzScrollPos(30);
  auto* report = new TAlReport(&form);
  EXPECT_EQ(form.HorzScrollPos(), 0);
  report->SetLeftMarginMM(210);
  EXPECT_EQ(report->LeftMarginMM(), 0);
  report->SetLeftMarginMM(209);
  EXPECT_EQ(report->LeftMarginMM(), 209);
  report->SetRightMarginMM(-1);
  EXPECT_EQ(report->RightMarginMM(), 0);
  report->SetOrientation(poLandscape);
  report->SetRightMarginMM(250);  // landscape still measures against the portrait width
  EXPECT_EQ(report->RightMarginMM(), 0);
  report->SetPapersize(alr_A5);
  report->SetRightMarginMM(148);
  EXPECT_EQ(report->RightMarginMM(), 0);
  report->SetRightMarginMM(147);
  EXPECT_EQ(report->RightMarginMM(), 147);
}

TEST(ReportPrinter, MetricsScalingAndMargins) {
  TTestForm t;
  TAlPrinter& p = t.Printer;
  const struct {
    tPapersize size;
    TPrinterOrientation orientation;
    int width, height;
  } cases[] = {
      {alr_A4, poPortrait, 794, 1123},     {alr_A4, poLandscape, 1123, 794},
      {alr_A5, poPortrait, 559, 794},      {alr_Legal, poPortrait, 813, 1342},
      {alr_Letter, poPortrait, 813, 1054},
  };
  for (const auto& c : cases) {
    p.SetPapersize(c.size);
    p.SetOrientation(c.orientation);
    EXPECT_EQ(p.PageWidth(), c.width) << c.size << " " << c.orientation;
    EXPECT_EQ(p.PageHeight(), c.height) << c.size << " " << c.orientation;
  }
  p.SetPapersize(alr_A4);
  p.SetOrientation(poPortrait);
  EXPECT_EQ(p.ScaleY(41), 42);
  EXPECT_EQ(p.ScaleY(40), 40);
  EXPECT_EQ(p.ScaleX(-4), -4);
  EXPECT_EQ(p.ScaleX(-3), -2);
  EXPECT_EQ(p.MarginPixels(20), 76);
  EXPECT_EQ(p.MarginPixels(0), 0);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(4.5), 4);
}

TEST(ReportPrinter, PageWithoutCanvasFailsTheRun) {
  TTestForm t;
  tAlBand* b = t.Band("title", alr_Title, 0, 20);
  t.Label(b, "l", "text", 0, 0);
  TFixedPitchDevice noResolution(0);
  TAlPrinter broken(noResolution);
  try {
    t.Report->GenerateInto(t.Pages, broken);
    FAIL() << "no page canvas";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "AlPrinter could not assign the Canvas");
  }
  EXPECT_EQ(broken.CurrentPage(), nullptr);
  EXPECT_EQ(broken.Pages(), nullptr);
  // The failed run leaves nothing behind: the same report runs on another printer.
  t.Generate();
  EXPECT_EQ(t.Pages.Count(), 1);
}

TEST(ReportPrinter, ARunOnItsOwnPrinterLeavesTheDefaultOneAlone) {
  TTestForm t;
  tAlBand* b = t.Band("header", alr_PageHeader, 0, 20);
  t.SysField(b, "page", alr_PageNum, 0, 0);
  t.Band("title", alr_Title, 20, 20);
  t.Band("break", alr_NewPage, 40, 0);
  t.Band("footer", alr_ReportFooter, 40, 20);
  t.Report->SetOrientation(poLandscape);
  t.Report->SetPapersize(alr_A5);
  TFixedPitchDevice fine(192);
  TAlPrinter printer(fine);
  t.Report->GenerateInto(t.Pages, printer);
  ASSERT_EQ(t.Pages.Count(), 2);
  EXPECT_EQ(t.Pages[1]->Width(), 1587);  // 210 mm at 192 pixels per inch
  EXPECT_EQ(t.Pages[1]->PixelsPerInch(), 192);
  EXPECT_EQ(PageTexts(*t.Pages[1]), "2");
  EXPECT_EQ(AlPrinter().Orientation(), poPortrait);
  EXPECT_EQ(AlPrinter().Papersize(), alr_A4);
  EXPECT_EQ(AlPrinter().PageWidth(), 794);
}

TEST(ReportPrinter, ReportWithoutDrawingGivesNoPages) {
  TTestForm t;
  t.Band("title", alr_Title, 0, 20);
  t.Band("footer", alr_PageFooter, 20, 20);
  t.Generate();
  EXPECT_TRUE(t.Pages.Empty());
}

TEST(ReportDetailLink, GroupChangedComparesBeforeAndAfterRows) {
  TTestForm t;
  tAlBand* d = t.Band("detail", alr_Detail, 0, 20);
  TAlField* f = t.Field(d, "group", 0, 0);
  auto* link = new TAlDetailLink(t.Form);
  EXPECT_FALSE(link->GroupChanged(gmBeforeRow));
  link->SetDataSource(f);
  link->SetGroupBand(d);
  EXPECT_EQ(d->DetailLink(), link);
  f->AddValue("a");
  f->AddValue("A");
  EXPECT_TRUE(link->GroupChanged(gmBeforeRow));
  EXPECT_FALSE(link->GroupChanged(gmBeforeRow));
  EXPECT_TRUE(link->GroupChanged(gmAfterRow));  // exact comparison: "A" is another group
  EXPECT_EQ(link->GroupValue(), "a");

  tAlBand* other = t.Band("other", alr_Detail, 20, 20);
  link->SetGroupBand(other);
  EXPECT_EQ(d->DetailLink(), nullptr);
  delete f;
  EXPECT_EQ(link->DataSource(), nullptr);
  delete link;
  EXPECT_EQ(other->DetailLink(), nullptr);
}

TEST(ReportDesign, RulerLinesFollowTheResolution) {
  TAlForm form;
  auto* band = new tAlBand(&form);
  band->SetParent(&form);
  band->SetBounds(0, 0, 100, 40);
  band->SetBandType(alr_NewPage);
  TRecordingCanvas canvas;
  band->PaintDesignRuler(canvas);
  // 100 pixels are 2.65 cm, rounded to three vertical lines; 40 pixels 1.06 cm: one line.
  std::vector<std::string> seen;
  for (const TDrawn& d : canvas.Drawn)
    seen.push_back(d.Kind + (d.Kind == "text" ? ":" + d.Text : "") + "@" +
                   std::to_string(d.Rect.Left) + "," + std::to_string(d.Rect.Top));
  EXPECT_EQ(seen, (std::vector<std::string>{"line@38,0", "text:1cm@40,0", "line@76,0",
                                            "text:2cm@78,0", "line@113,0", "text:3cm@115,0",
                                            "text:New Page@0,10", "line@0,38", "text:1cm@0,40"}));
  EXPECT_EQ(canvas.Drawn[0].Pen.Style, TPenStyle::psDash);
  EXPECT_EQ(canvas.Drawn[1].Font.Color, clSilver);
  band->SetRuler(alr_none);
  canvas.Drawn.clear();
  band->PaintDesignRuler(canvas);
  EXPECT_TRUE(canvas.Drawn.empty());
}

TEST(ReportMetaFile, RecordsStateChangesOnceAndPlaysScaled) {
  TFixedPitchDevice device;
  TDrawMetaFile page(200, 100, &device);
  TCanvas* c = page.Canvas();
  ASSERT_NE(c, nullptr);
  c->SetFont({"Arial", 20, 0, clBlack});
  c->DrawText("a", Rect(10, 10, 50, 30), dtLeft);
  c->DrawText("b", Rect(10, 30, 50, 50), dtLeft);
  c->SetPen({clRed, 4, TPenStyle::psSolid});
  c->Line({0, 0}, {200, 100});
  c->Rectangle(Rect(20, 20, 40, 40));
  EXPECT_EQ(page.Records().size(), 7u);  // font, a, b, pen, line, brush, rectangle
  page.Close();
  EXPECT_EQ(page.Canvas(), nullptr);

  TRecordingCanvas out;
  page.Play(out, Rect(100, 0, 200, 50));
  ASSERT_EQ(out.Drawn.size(), 4u);
  EXPECT_EQ(out.Drawn[0].Rect, Rect(105, 5, 125, 15));
  EXPECT_EQ(out.Drawn[0].Font.Height, 10);
  EXPECT_EQ(out.Drawn[2].Rect, Rect(100, 0, 200, 50));
  EXPECT_EQ(out.Drawn[2].Pen.Width, 2);

  TDrawMetaFile empty(0, 100, &device);
  EXPECT_EQ(empty.Canvas(), nullptr);
}

}  // namespace
