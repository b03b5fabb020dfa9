#include <gtest/gtest.h>

#include <functional>

#include "tests/report/ReportSupport.h"

namespace {

// Band heights used throughout: page header 40, page footer 42, so on A4 portrait at 96 dpi
// (1123 pixels) the body ends at 1081; every band carries a label with its name, detail bands
// a field "r" whose values are the row texts.
struct TBuilder {
  TTestForm& t;
  int top = 0;

  tAlBand* Band(const std::string& name, tAlBandType type, int height) {
    tAlBand* b = t.Band(name, type, top, height);
    top += height;
    if (type != alr_Detail && type != alr_NewPage) t.Label(b, "lbl" + name, name, 0, 0);
    return b;
  }
  tAlBand* Detail(const std::string& name, int height, std::vector<std::string> rows) {
    tAlBand* b = Band(name, alr_Detail, height);
    TAlField* f = t.Field(b, "fld" + name, 0, 0);
    for (const std::string& r : rows) f->AddValue(r);
    return b;
  }
  void PageHeaderAndFooter() {
    Band("PH", alr_PageHeader, 40);
    tAlBand* pf = t.Band("PF", alr_PageFooter, 5000, 42);
    t.Label(pf, "lblPF", "PF", 0, 0);
  }
};

std::vector<std::string> Rows(int n) {
  std::vector<std::string> rows;
  for (int i = 1; i <= n; ++i) rows.push_back("r" + std::to_string(i));
  return rows;
}

struct TPaginationCase {
  const char* why;
  std::function<void(TBuilder&)> build;
  std::vector<std::string> pages;
};

class ReportPagination : public testing::TestWithParam<TPaginationCase> {};

TEST_P(ReportPagination, BreaksWhereExpected) {
  const TPaginationCase& c = GetParam();
  TTestForm t;
  TBuilder b{t};
  c.build(b);
  t.Generate();
  std::vector<std::string> pages;
  for (int i = 0; i < t.Pages.Count(); ++i) pages.push_back(PageTexts(*t.Pages[i]));
  EXPECT_EQ(pages, c.pages) << c.why;
  t.Report->SetOrientation(poPortrait);
}

const TPaginationCase kCases[] = {
    {"ten 100-pixel rows fit below header (40) and detail header (40) up to 1080 <= 1081; "
     "the eleventh continues after the page header and the repeated detail header",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("DH", alr_DetailHeader, 40);
       b.Detail("D", 100, Rows(12));
     },
     {"PH DH r1 r2 r3 r4 r5 r6 r7 r8 r9 r10 PF", "PH DH r11 r12 PF"}},
    {"the detail header ends at 1040 and fits, its first row would end at 1140: the header "
     "stays at the bottom and is printed again above the row on the next page",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("T", alr_Title, 960);
       b.Band("DH", alr_DetailHeader, 40);
       b.Detail("D", 100, Rows(2));
     },
     {"PH T DH PF", "PH DH r1 r2 PF"}},
    {"landscape A4 is 794 high, the body ends at 752: a title ending exactly there fits, the "
     "next band does not",
     [](TBuilder& b) {
       b.t.Report->SetOrientation(poLandscape);
       b.PageHeaderAndFooter();
       b.Band("T1", alr_Title, 712);
       b.Band("T2", alr_Title, 2);
     },
     {"PH T1 PF", "PH T2 PF"}},
    {"a new-page band ends the page (footers once) and the next band starts a page; a "
     "second one right after it and one before anything is printed change nothing",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("NP0", alr_NewPage, 10);
       b.Detail("D1", 20, {"one"});
       b.Band("NP1", alr_NewPage, 10);
       b.Band("NP2", alr_NewPage, 10);
       b.Detail("D2", 20, {"two"});
     },
     {"PH one PF", "PH two PF"}},
    {"page headers come first on page 1 even when the title lies above them",
     [](TBuilder& b) {
       b.Band("T", alr_Title, 40);
       b.PageHeaderAndFooter();
     },
     {"PH T PF"}},
    {"a detail header not directly followed by a detail band has no band to head",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("DH", alr_DetailHeader, 40);
       b.Band("T", alr_Title, 40);
       b.Detail("D", 20, {"row"});
     },
     {"PH T row PF"}},
    {"group bands are printed only through a detail link",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("GH", alr_GroupHeader, 20);
       b.Band("T", alr_Title, 20);
       b.Band("GF", alr_GroupFooter, 20);
     },
     {"PH T PF"}},
    {"a detail band taller than the body is printed on a page of its own, once per row",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Detail("D", 1100, Rows(2));
     },
     {"PH r1 PF", "PH r2 PF"}},
    {"a detail header taller than the space below the page header is printed on the new page "
     "with the row, not pushed onto yet another page, which would stay empty",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("DH", alr_DetailHeader, 1060);
       b.Detail("D", 100, Rows(2));
     },
     {"PH DH PF", "PH DH r1 PF", "PH DH r2 PF"}},
    {"detail and report footers follow the last row",
     [](TBuilder& b) {
       b.PageHeaderAndFooter();
       b.Band("DH", alr_DetailHeader, 20);
       b.Detail("D", 20, Rows(2));
       b.Band("DF", alr_DetailFooter, 20);
       b.Detail("E", 20, {"e"});
       b.Band("EF", alr_DetailFooter, 20);
       b.Band("RF", alr_ReportFooter, 20);
     },
     {"PH DH r1 r2 DF e EF RF PF"}},
};

INSTANTIATE_TEST_SUITE_P(Table, ReportPagination, testing::ValuesIn(kCases));

TEST(ReportGeneration, PageFootersStackFromTheBodyLimit) {
  TTestForm t;
  tAlBand* d = t.Band("D", alr_Detail, 0, 20);
  t.Field(d, "f", 0, 0)->AddValue("x");
  tAlBand* f2 = t.Band("F2", alr_PageFooter, 100, 3);
  t.Shape(f2, "rule", 0, 0, 100, 1);
  tAlBand* f1 = t.Band("F1", alr_PageFooter, 103, 41);
  t.Label(f1, "foot", "foot", 0, 0);
  t.Generate();
  ASSERT_EQ(t.Pages.Count(), 1);
  // 1123 - (ScaleY(3) + ScaleY(41)) = 1123 - (4 + 42) = 1077.
  std::vector<TDrawn> drawn = Replay(*t.Pages[0]);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1].Rect.Top, 1077);
  EXPECT_EQ(drawn[2].Rect.Top, 1081);
}

TEST(ReportGeneration, PageNumbersAndMarginsOnEveryPage) {
  TTestForm t;
  t.Report->SetLeftMarginMM(20);
  t.Report->SetRightMarginMM(20);
  tAlBand* ph = t.Band("PH", alr_PageHeader, 0, 40);
  t.SysField(ph, "page", alr_PageNum, 10, 0);
  tAlBand* d = t.Band("D", alr_Detail, 40, 600);
  TAlField* f = t.Field(d, "f", 0, 0);
  for (const char* v : {"a", "b", "c"}) f->AddValue(v);
  d->SetAltColor(true);
  d->SetColor(clSilver);
  t.Generate();
  // Every run starts unfilled, whatever the previous one left.
  t.Generate();
  ASSERT_EQ(t.Pages.Count(), 3);
  EXPECT_EQ(PageTexts(*t.Pages[0]), "1 a");
  EXPECT_EQ(PageTexts(*t.Pages[1]), "2 b");
  EXPECT_EQ(PageTexts(*t.Pages[2]), "3 c");
  EXPECT_EQ(FindText(*t.Pages[0], "1").Rect.Left, 76 + 10);
  // The second painting of an alternating band is filled, over the band's width less margins.
  std::vector<TDrawn> second = Replay(*t.Pages[1]);
  ASSERT_GE(second.size(), 2u);
  EXPECT_EQ(second[1].Kind, "fill");
  EXPECT_EQ(second[1].Rect, Rect(76, 40, 794 - 76, 639));
  EXPECT_EQ(second[1].Brush.Color, clSilver);
  for (const TDrawn& drawn : Replay(*t.Pages[0])) EXPECT_NE(drawn.Kind, "fill");
  EXPECT_EQ(t.Pages[0]->Width(), 794);
  EXPECT_FALSE(t.Pages[0]->IsOpen());
  EXPECT_FALSE(t.Pages[1]->IsOpen());
}

TEST(ReportGeneration, DetailLinkPrintsGroupHeadersAndFooters) {
  TTestForm t;
  tAlBand* title = t.Band("T", alr_Title, 0, 20);
  t.Label(title, "lblT", "T", 0, 0);
  tAlBand* gh = t.Band("GH", alr_GroupHeader, 0, 20);
  t.Label(gh, "lblGH", "GH", 0, 0);
  tAlBand* d = t.Band("D", alr_Detail, 20, 20);
  TAlField* f = t.Field(d, "grp", 0, 0);
  tAlBand* gf = t.Band("GF", alr_GroupFooter, 40, 20);
  t.Label(gf, "lblGF", "GF", 0, 0);
  auto* link = new TAlDetailLink(t.Form);
  link->SetGroupBand(d);
  link->SetDataSource(f);
  link->SetGroupHeader(gh);
  link->SetGroupFooter(gf);
  for (const char* v : {"A", "A", "B"}) f->AddValue(v);
  t.Generate();
  ASSERT_EQ(t.Pages.Count(), 1);
  EXPECT_EQ(PageTexts(*t.Pages[0]), "T GH A A GF GH B GF");
  // The remembered group starts afresh with every run: the run after one that ended in group A
  // still opens its own group A.
  f->ClearValues();
  for (const char* v : {"A", "B", "A"}) f->AddValue(v);
  t.Generate();
  t.Generate();
  EXPECT_EQ(PageTexts(*t.Pages[0]), "T GH A GF GH B GF GH A GF");
}

TEST(ReportGeneration, GroupHeaderRepeatsAtTheTopOfAContinuedPage) {
  TTestForm t;
  tAlBand* gh = t.Band("GH", alr_GroupHeader, 0, 20);
  t.Label(gh, "lblGH", "GH", 0, 0);
  tAlBand* d = t.Band("D", alr_Detail, 20, 500);
  TAlField* f = t.Field(d, "grp", 0, 0);
  auto* link = new TAlDetailLink(t.Form);
  link->SetGroupBand(d);
  link->SetDataSource(f);
  link->SetGroupHeader(gh);
  for (const char* v : {"A", "A", "A"}) f->AddValue(v);
  t.Generate();
  ASSERT_EQ(t.Pages.Count(), 2);
  EXPECT_EQ(PageTexts(*t.Pages[0]), "GH A A");
  EXPECT_EQ(PageTexts(*t.Pages[1]), "GH A");
}

struct TClipCase {
  tClipMode mode;
  TRect first;        // where the partly outside shape is drawn
  bool outsideDrawn;  // whether the shape wholly below the band is drawn
  int nextTop;        // where the following band starts
};

class ReportClipModes : public testing::TestWithParam<TClipCase> {};

TEST_P(ReportClipModes, ControlsBeyondTheBand) {
  const TClipCase& c = GetParam();
  TTestForm t;
  // The band covers 0 .. 19 (its rectangle ends one pixel above the next band).
  tAlBand* b1 = t.Band("B1", alr_Title, 0, 20, c.mode);
  t.Shape(b1, "partly", 0, 10, 100, 20);
  t.Shape(b1, "outside", 200, 50, 50, 20);
  tAlBand* b2 = t.Band("B2", alr_Title, 20, 20);
  t.Shape(b2, "next", 300, 0, 10, 10);
  t.Generate();
  std::vector<TDrawn> drawn = Replay(*t.Pages[0]);
  ASSERT_EQ(drawn.size(), c.outsideDrawn ? 3u : 2u);
  EXPECT_EQ(drawn[0].Rect, c.first);
  EXPECT_EQ(drawn.back().Rect.Top, c.nextTop);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportClipModes,
    testing::Values(
        // cm_Clip: cut to the band, the shape below it dropped, the band keeps its height.
        TClipCase{cm_Clip, Rect(0, 10, 100, 19), false, 20},
        // cm_Expand: drawn whole, the band grows to the lowest control (70) and pushes on.
        TClipCase{cm_Expand, Rect(0, 10, 100, 30), true, 71},
        // cm_Overwrite: drawn whole, over what follows; the band keeps its height.
        TClipCase{cm_Overwrite, Rect(0, 10, 100, 30), true, 20}));

}  // namespace
