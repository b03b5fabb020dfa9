// A report of a few hundred rows recorded against Qt's font metrics, rendered to images and to a
// PDF. Set TARVOLIN_REPORT_SAMPLE_PNG to a path to keep the first page as a picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "gui/report/QtCanvas.h"
#include "report/Alrep.h"

namespace {

constexpr int kRows = 300;

class ReportRender : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc, argv);
  }
  // Before the program's exit handlers, which run after Qt's own clean-up.
  static void TearDownTestSuite() { app_.reset(); }

  void SetUp() override {
    form_ = std::make_unique<TAlForm>();
    form_->SetName("frmSample");
    form_->SetFont({"Liberation Sans", 13, 0, clBlack});
    auto* report = new TAlReport(form_.get());
    report->SetLeftMarginMM(20);
    report->SetRightMarginMM(20);

    tAlBand* ph = Band("PageHeader", alr_PageHeader, 0, 41);
    Label(ph, "Seite", 584, 16);
    auto* page = new TAlSysField(form_.get());
    page->SetParent(ph);
    page->SetBounds(616, 16, 44, 16);
    page->SetDataType(alr_PageNum);
    Shape(ph, -4, 38, 650, 1, {clWhite, TBrushStyle::bsSolid});

    tAlBand* title = Band("Title", alr_Title, 41, 82);
    TAlLabel* heading = Label(title,
                              "Messwerte mit Pr\xFC"
                              "fungen",
                              -8, 40);
    heading->SetAutoSize(false);
    heading->SetWidth(649);
    heading->SetHeight(27);
    heading->SetAlignment(taCenter);
    heading->SetFont({"Liberation Sans", 24, fsBold, clBlack});
    Shape(title, 600, 4, 30, 30, {clBlack, TBrushStyle::bsSolid});

    tAlBand* head = Band("Head", alr_DetailHeader, 123, 30);
    Label(head, "Nr.", 40, 12)->SetFont({"Liberation Sans", 13, fsBold, clBlack});
    tAlBand* data = Band("Data", alr_Detail, 153, 20);
    Field(data, "alrNo", 40, 4);
    Field(data, "alrValue", 224, 4);

    tAlBand* f2 = Band("Footer2", alr_PageFooter, 173, 3);
    Shape(f2, -4, 2, 650, 1, {clWhite, TBrushStyle::bsSolid});
    tAlBand* f1 = Band("Footer1", alr_PageFooter, 176, 41);
    Label(f1, "Labor Tarvolin", 0, 0);

    for (int i = 1; i <= kRows; ++i) {
      report->AddFieldValue("alrNo", "Zeile " + std::to_string(i));
      report->AddFieldValue("alrValue", std::to_string(i * 7 % 1000) + ",25 g");
    }
    TAlPrinter printer(device_);
    report->GenerateInto(pages_, printer);
  }

  void TearDown() override { form_.reset(); }

  tAlBand* Band(const char* name, tAlBandType type, int top, int height) {
    auto* b = new tAlBand(form_.get());
    b->SetName(name);
    b->SetParent(form_.get());
    b->SetBounds(0, top, 794, height);
    b->SetBandType(type);
    return b;
  }
  TAlLabel* Label(tAlBand* band, const char* caption, int left, int top) {
    auto* l = new TAlLabel(form_.get());
    l->SetParent(band);
    l->SetBounds(left, top, 100, 16);
    l->SetCaption(caption);
    return l;
  }
  void Field(tAlBand* band, const char* name, int left, int top) {
    auto* f = new TAlField(form_.get());
    f->SetName(name);
    f->SetParent(band);
    f->SetBounds(left, top, 100, 16);
  }
  void Shape(tAlBand* band, int left, int top, int width, int height, TBrush brush) {
    auto* s = new TAlShape(form_.get());
    s->SetParent(band);
    s->SetBounds(left, top, width, height);
    s->SetBrush(brush);
  }

  static bool Dark(QRgb c) { return qGray(c) < 128; }
  static int DarkPixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += Dark(image.pixel(x, y)) ? 1 : 0;
    return n;
  }

  static std::unique_ptr<QApplication> app_;
  TQtReferenceDevice device_{96};
  std::unique_ptr<TAlForm> form_;
  tPages pages_;
};

std::unique_ptr<QApplication> ReportRender::app_;

// Body: 1123 - (4 + 42) = 1077. Page 1: header to 42, title to 124, detail header to 154,
// 46 rows of 20 to 1074. Further pages: header and detail header to 72, 50 rows to 1072.
// 300 rows = 46 + 5 * 50 + 4: seven pages.
TEST_F(ReportRender, PagesRenderToImagesWithTheirElementsInPlace) {
  ASSERT_EQ(pages_.Count(), 7);
  const QImage first = RenderPage(*pages_[0]);
  ASSERT_EQ(first.size(), QSize(794, 1123));
  // The filled square of the title: left margin 76 + 600, top 42 + 4.
  EXPECT_TRUE(Dark(first.pixel(76 + 615, 42 + 19)));
  // The header rule at 38 across the band, within the margins.
  EXPECT_TRUE(Dark(first.pixel(400, 38)));
  EXPECT_FALSE(Dark(first.pixel(400, 30)));
  // Row 1 at 154: its texts at 76 + 40 and 76 + 224; nothing right of them.
  EXPECT_GT(DarkPixels(first, QRect(116, 158, 60, 14)), 20);
  EXPECT_GT(DarkPixels(first, QRect(300, 158, 40, 14)), 10);
  EXPECT_EQ(DarkPixels(first, QRect(500, 158, 200, 14)), 0);
  // The footer line of the last page stands at the body limit.
  const QImage last = RenderPage(*pages_[6]);
  EXPECT_GT(DarkPixels(last, QRect(76, 1081, 120, 16)), 20);
  EXPECT_EQ(DarkPixels(last, QRect(76, 72 + 4 * 20 + 2, 600, 900)), 0);
  // Scaled down by half the page keeps its proportions.
  const QImage half = RenderPage(*pages_[0], QSize(397, 562));
  EXPECT_TRUE(Dark(half.pixel((76 + 615) / 2, (42 + 19) / 2)));

  const QByteArray keep = qgetenv("TARVOLIN_REPORT_SAMPLE_PNG");
  if (!keep.isEmpty()) {
    EXPECT_TRUE(first.save(QString::fromLocal8Bit(keep), "PNG"));
  }
}

TEST_F(ReportRender, PdfHoldsEveryPageWithItsText) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath(QStringLiteral("sample.pdf"));
  ASSERT_TRUE(WritePdf(pages_, pdf, 300, QStringLiteral("Sample")));
  EXPECT_FALSE(WritePdf(pages_, dir.filePath(QStringLiteral("missing/dir/x.pdf"))));

  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (pdftotext.isEmpty() || pdftoppm.isEmpty()) {
    GTEST_SKIP() << "poppler-utils not installed";
  }

  QProcess text;
  text.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString out = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_EQ(out.count(QLatin1Char('\f')), 7);
  EXPECT_TRUE(out.contains(QStringLiteral("Messwerte mit Pr\u00FCfungen")));
  EXPECT_TRUE(out.contains(QStringLiteral("Zeile 1 ")));
  EXPECT_TRUE(out.contains(QStringLiteral("Zeile 300")));
  EXPECT_TRUE(out.contains(QStringLiteral("Seite 7")));

  QProcess ppm;
  const QString prefix = dir.filePath(QStringLiteral("page"));
  ppm.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-f"),
                       QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                       QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
  ASSERT_TRUE(ppm.waitForFinished(30000));
  QImage page(prefix + QStringLiteral(".png"));
  ASSERT_FALSE(page.isNull());
  EXPECT_NEAR(page.width(), 794, 1);
  EXPECT_NEAR(page.height(), 1123, 1);
  EXPECT_TRUE(Dark(page.pixel(76 + 615, 42 + 19)));
  EXPECT_FALSE(Dark(page.pixel(76 + 615, 300)));
}

}  // namespace
