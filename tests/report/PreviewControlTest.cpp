#include "report/PreviewControl.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/report/ReportSupport.h"

namespace {

const TFixedPitchDevice kScreen(96);

// Pages of `width` x `height`; page n carries the text "p<n>".
void AddPages(TPreviewControl& control, int count, int width = 794, int height = 1123) {
  for (int i = 1; i <= count; ++i) {
    auto page = std::make_unique<TDrawMetaFile>(width, height, &kScreen);
    page->Canvas()->DrawText("p" + std::to_string(i), Rect(10, 10, 100, 30), dtLeft);
    page->Close();
    control.Pages().Add(std::move(page));
  }
}

// What one print job was asked to do.
struct TJob {
  std::string Title;
  TPrinterOrientation Orientation = poPortrait;
  std::vector<std::string> Pages;  // the text of each page played
  bool Ended = false;
};

class TRecordingTarget : public IPrintTarget {
 public:
  explicit TRecordingTarget(TJob& job) : job_(job) {}
  bool Begin(const std::string& title, TPrinterOrientation orientation) override {
    job_.Title = title;
    job_.Orientation = orientation;
    return !RefuseBegin;
  }
  bool NewPage() override { return !RefuseNewPage; }
  bool End() override {
    job_.Ended = true;
    return true;
  }
  TRect PageRect() const override { return Rect(0, 0, 4960, 7016); }
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override {
    EXPECT_EQ(target, PageRect());
    EXPECT_EQ(clip, PageRect());
    job_.Pages.push_back(PageTexts(page));
    if (OnPage) OnPage();
  }

  bool RefuseBegin = false;
  bool RefuseNewPage = false;
  std::function<void()> OnPage;

 private:
  TJob& job_;
};

class TFakeWindow : public IPreviewWindow {
 public:
  void RepaintPageView() override { ++repaints; }
  void ShowPageIndicator(const std::string& text) override { indicator = text; }
  void CloseWindow() override { ++closes; }
  void WarningBeep() override { ++beeps; }
  std::string Caption() const override { return "Preview"; }
  bool RunPrintDialog(TPrintChoice& choice) override {
    offered.push_back(choice);
    if (!answer) return false;
    choice = *answer;
    return true;
  }
  std::unique_ptr<IPrintTarget> NewPrintJob() override {
    auto target = std::make_unique<TRecordingTarget>(jobs.emplace_back());
    if (configure) configure(*target);
    return target;
  }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  int ScrollPosition(TScrollAxis axis) const override {
    return axis == TScrollAxis::Horizontal ? horz : vert;
  }
  void SetScrollPosition(TScrollAxis axis, int position) override {
    (axis == TScrollAxis::Horizontal ? horz : vert) = position;
  }

  int repaints = 0;
  int closes = 0;
  int beeps = 0;
  std::string indicator;
  std::unique_ptr<TPrintChoice> answer;
  std::vector<TPrintChoice> offered;
  std::vector<TJob> jobs;
  std::function<void(TRecordingTarget&)> configure;
  std::vector<std::string> errors;
  int horz = 0;
  int vert = 0;
};

class PreviewWindowControl : public ::testing::Test {
 protected:
  void SetUp() override {
    AddPages(control, 3);
    window.ShowFirstPage();
  }
  void Answer(int from, int to, int copies) {
    fake.answer = std::make_unique<TPrintChoice>(TPrintChoice{1, 3, from, to, copies});
  }

  TPreviewControl control;
  TFakeWindow fake;
  TPreviewWindowControl window{fake, control};
};

TEST_F(PreviewWindowControl, NavigationStopsAtBothEndsAndKeepsTheIndicator) {
  const struct {
    void (TPreviewWindowControl::*click)();
    const char* indicator;
    bool repaint;
  } steps[] = {
      {&TPreviewWindowControl::spbPrevClick, "1/3", false},  // already on page 1
      {&TPreviewWindowControl::spbNextClick, "2/3", true},   //
      {&TPreviewWindowControl::spbLastClick, "3/3", true},   //
      {&TPreviewWindowControl::spbNextClick, "3/3", false},  // already on the last page
      {&TPreviewWindowControl::spbPrevClick, "2/3", true},   //
      {&TPreviewWindowControl::spbfirstClick, "1/3", true},  //
      {&TPreviewWindowControl::spbfirstClick, "1/3", true},  // shown again all the same
  };
  for (const auto& s : steps) {
    const int before = fake.repaints;
    (window.*s.click)();
    EXPECT_EQ(fake.indicator, s.indicator);
    EXPECT_EQ(fake.repaints - before, s.repaint ? 1 : 0) << s.indicator;
  }
  EXPECT_FALSE(control.ShowPage(4));
  EXPECT_FALSE(control.ShowPage(0));
  EXPECT_EQ(control.CurrentPage(), 1);
}

TEST_F(PreviewWindowControl, PrintRangeAndCopies) {
  const struct {
    const char* why;
    bool cancel;
    int from, to, copies;
    std::vector<std::vector<std::string>> jobs;
  } cases[] = {
      {"cancelled: no job", true, 0, 0, 0, {}},
      {"every page, as offered", false, 1, 3, 1, {{"p1", "p2", "p3"}}},
      {"every copy is a job of its own", false, 2, 3, 2, {{"p2", "p3"}, {"p2", "p3"}}},
      {"pages beyond the list are not asked for", false, 2, 9, 1, {{"p2", "p3"}}},
      {"a range without pages starts no job", false, 4, 5, 1, {{}}},
      {"no copies counts as one", false, 1, 1, 0, {{"p1"}}},
  };
  for (const auto& c : cases) {
    fake.jobs.clear();
    fake.offered.clear();
    if (c.cancel)
      fake.answer.reset();
    else
      Answer(c.from, c.to, c.copies);
    window.btnPrintNowClick();
    ASSERT_EQ(fake.offered.size(), 1u) << c.why;
    EXPECT_EQ(fake.offered[0].MinPage, 1);
    EXPECT_EQ(fake.offered[0].MaxPage, 3);
    EXPECT_EQ(fake.offered[0].FromPage, 1);
    EXPECT_EQ(fake.offered[0].ToPage, 3);
    ASSERT_EQ(fake.jobs.size(), c.jobs.size()) << c.why;
    for (size_t j = 0; j < c.jobs.size(); ++j) {
      EXPECT_EQ(fake.jobs[j].Pages, c.jobs[j]) << c.why;
      // A job that never began is not ended either.
      EXPECT_EQ(fake.jobs[j].Ended, !c.jobs[j].empty()) << c.why;
      EXPECT_EQ(fake.jobs[j].Title, c.jobs[j].empty() ? "" : "Preview") << c.why;
    }
    EXPECT_FALSE(control.Printing());
    EXPECT_TRUE(fake.errors.empty()) << c.why;
  }
  EXPECT_EQ(control.Title(), "Preview");
}

TEST_F(PreviewWindowControl, ClosingIsRefusedOnlyWhilePrinting) {
  bool refused = false;
  fake.configure = [&](TRecordingTarget& target) {
    target.OnPage = [&] { refused = !window.FormCloseQuery(); };
  };
  Answer(1, 1, 1);
  window.btnPrintNowClick();
  EXPECT_TRUE(refused);
  EXPECT_EQ(fake.beeps, 1);
  EXPECT_TRUE(window.FormCloseQuery());
  EXPECT_EQ(fake.beeps, 1);
}

TEST_F(PreviewWindowControl, FailureEndsTheJobIsShownOnceAndStopsTheCopies) {
  const struct {
    bool refuseBegin;
    const char* message;
    bool ended;
  } cases[] = {
      {true, "Der Druckauftrag konnte nicht gestartet werden.", false},
      {false, "Der Drucker hat keine weitere Seite angenommen.", true},
  };
  for (const auto& c : cases) {
    fake.jobs.clear();
    fake.errors.clear();
    fake.configure = [&](TRecordingTarget& target) {
      target.RefuseBegin = c.refuseBegin;
      target.RefuseNewPage = true;
    };
    Answer(1, 3, 2);
    window.btnPrintNowClick();
    ASSERT_EQ(fake.jobs.size(), 1u) << c.message;  // the second copy is not attempted
    EXPECT_EQ(fake.jobs[0].Ended, c.ended);
    EXPECT_EQ(fake.errors, std::vector<std::string>{c.message});
    EXPECT_FALSE(control.Printing());
    EXPECT_TRUE(window.FormCloseQuery());
  }
}

TEST_F(PreviewWindowControl, KeyboardTable) {
  control.Layout();  // ranges 824 x 1153
  const struct {
    uint16_t key;
    int horzBefore, vertBefore;
    int horz, vert;
    const char* indicator;
  } cases[] = {
      {0x22, 0, 0, 0, 0, "2/3"},        // Page Down
      {0x23, 0, 0, 0, 0, "3/3"},        // End
      {0x21, 0, 0, 0, 0, "2/3"},        // Page Up
      {0x24, 0, 0, 0, 0, "1/3"},        // Home
      {0x27, 100, 0, 110, 0, "1/3"},    // Right
      {0x27, 819, 0, 824, 0, "1/3"},    // Right at range - 5 goes to the range
      {0x25, 7, 0, 0, 0, "1/3"},        // Left below 10 goes to 0
      {0x28, 0, 1148, 0, 1153, "1/3"},  // Down at range - 5
      {0x26, 0, 1153, 0, 1143, "1/3"},  // Up
      {0x26, 0, 10, 0, 0, "1/3"},       // Up from 10
  };
  for (const auto& c : cases) {
    fake.horz = c.horzBefore;
    fake.vert = c.vertBefore;
    EXPECT_TRUE(window.FormKeyDown(c.key)) << c.key;
    EXPECT_EQ(fake.horz, c.horz) << c.key;
    EXPECT_EQ(fake.vert, c.vert) << c.key;
    EXPECT_EQ(fake.indicator, c.indicator) << c.key;
  }
  EXPECT_FALSE(window.FormKeyDown(0x41));  // 'A' passes on
  EXPECT_EQ(fake.closes, 0);
  EXPECT_TRUE(window.FormKeyDown(0x1B));
  EXPECT_EQ(fake.closes, 1);
}

TEST(PreviewControl, WithoutPagesNothingIsPrintedOrPainted) {
  TPreviewControl control;
  TFakeWindow fake;
  TPreviewWindowControl window(fake, control);
  window.ShowFirstPage();
  EXPECT_EQ(fake.indicator, "1/0");
  EXPECT_EQ(control.Geometry().Width, 823);  // as designed until laid out
  EXPECT_EQ(control.Layout().Width, 794);
  fake.answer = std::make_unique<TPrintChoice>();
  window.btnPrintNowClick();
  ASSERT_EQ(fake.offered.size(), 1u);
  EXPECT_EQ(fake.offered[0].MaxPage, 1);  // the dialog needs a valid range
  ASSERT_EQ(fake.jobs.size(), 1u);
  EXPECT_TRUE(fake.jobs[0].Title.empty());  // never begun

  TRecordingCanvas canvas;
  TCanvasSurface surface(canvas);
  control.PaintPageView(surface, Rect(0, 0, 794, 1123));
  EXPECT_TRUE(canvas.Drawn.empty());
}

TEST(PreviewControl, LandscapePagesPrintLandscape) {
  TPreviewControl control;
  AddPages(control, 1, 1123, 794);
  TJob job;
  TRecordingTarget target(job);
  control.PrintPages(target, 1, 1);
  EXPECT_EQ(job.Orientation, poLandscape);
  EXPECT_EQ(job.Pages, std::vector<std::string>{"p1"});
}

TEST(PreviewControl, PageViewPlaysTheCurrentPageScaledAndClipped) {
  TPreviewControl control;
  auto page = std::make_unique<TDrawMetaFile>(200, 100, &kScreen);
  page->Canvas()->FillRect(Rect(0, 0, 20, 20));
  page->Canvas()->SetPen({clBlack, 8, TPenStyle::psSolid});
  page->Canvas()->Rectangle(Rect(150, 60, 190, 90));
  page->Canvas()->DrawText("over the edge", Rect(100, 0, 120, 10), dtNoClip);
  page->Close();
  control.Pages().Add(std::move(page));
  control.SetZoom(50);
  control.Layout();  // 100 x 50

  const struct {
    const char* why;
    TRect clip;
    std::vector<std::string> drawn;
  } cases[] = {
      {"all of it", Rect(0, 0, 100, 50), {"fill@0,0", "rect@75,30", "text@50,0"}},
      {"top left only", Rect(0, 0, 20, 20), {"fill@0,0", "text@50,0"}},
      // The outline's pen of 4 pixels reaches 2 beyond its rectangle.
      {"beside the outline", Rect(96, 46, 100, 50), {"rect@75,30", "text@50,0"}},
      {"beyond the pen", Rect(98, 47, 100, 50), {"text@50,0"}},
      {"nothing there", Rect(30, 20, 60, 25), {"text@50,0"}},
  };
  for (const auto& c : cases) {
    TRecordingCanvas canvas;
    TCanvasSurface surface(canvas);
    control.PaintPageView(surface, c.clip);
    std::vector<std::string> drawn;
    for (const TDrawn& d : canvas.Drawn)
      drawn.push_back(d.Kind + "@" + std::to_string(d.Rect.Left) + "," +
                      std::to_string(d.Rect.Top));
    EXPECT_EQ(drawn, c.drawn) << c.why;
  }
}

}  // namespace
