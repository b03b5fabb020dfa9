#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "base/Cp1252.h"
#include "gui/report/Cursors.h"
#include "gui/report/alprev.h"
#include "gui/report/repPreview.h"
#include "platform/Sound.h"
#include "report/Canvas.h"
#include "report/DrawMeta.h"
#include "report/PreviewWindow.h"

namespace {

// The application object lives while the tests run and goes before the toolkit's own statics.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[12] = "PreviewTest";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class CountingSound : public ISound {
 public:
  void Beep(unsigned, unsigned) override {}
  void MessageBeep() override { ++messageBeeps; }
  int messageBeeps = 0;
};

const TFixedPitchDevice kScreen(96);

QString FromCp1252(const char* s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

// Adds A4 portrait pages at 96 pixels per inch; page 1 has a black square at 100..200.
void AddPages(tAlPreview& preview, int count) {
  for (int i = 0; i < count; ++i) {
    auto page = std::make_unique<TDrawMetaFile>(794, 1123, &kScreen);
    if (i == 0) {
      page->Canvas()->SetBrush({clBlack, TBrushStyle::bsSolid});
      page->Canvas()->FillRect(Rect(100, 100, 200, 200));
    }
    page->Close();
    preview.Pages().Add(std::move(page));
  }
}

void Press(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

void Click(QWidget* target, Qt::MouseButton button, QPoint at = QPoint(5, 5)) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), target->mapToGlobal(QPointF(at)), button,
                    button, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

int PdfPageCount(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QByteArray pdf = file.readAll();
  int count = 0;
  for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1))
    if (pdf.mid(at + 11, 1) != "s") ++count;  // not the /Pages tree
  return count;
}

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TfrmPreview(nullptr, &sound);
    frmPreview = form;
    AddPages(*form->Previewer(), 3);
    form->ShowFirstPage();
  }
  void TearDown() override {
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  template <class T>
  T* Control(const char* name) {
    T* w = form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Indicator() { return Control<QLabel>("Panel1")->text(); }
  void SetZoomText(const char* text) {
    Control<QComboBox>("cbxScale")->setEditText(QString::fromLatin1(text));
  }

  CountingSound sound;
  QPointer<TfrmPreview> form;
};

TEST_F(PreviewTest, WindowOpensWithTheZoomBoxFocusedAndTheFirstPage) {
  form->show();
  EXPECT_EQ(form->windowTitle(), QString::fromLatin1(kPreviewCaption));
  EXPECT_EQ(form->size(), QSize(kPreviewClientWidth, kPreviewClientHeight));
  EXPECT_EQ(Control<QWidget>("ToolPanel")->height(), kPreviewToolBarHeight);
  for (const TPreviewToolControl& c : kPreviewToolControls) {
    QWidget* w = Control<QWidget>(c.Name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->pos(), QPoint(c.Left, c.Top)) << c.Name;
    const QSize size(c.Width ? c.Width : w->width(), c.Height ? c.Height : w->height());
    EXPECT_EQ(w->size(), size) << c.Name;
    EXPECT_EQ(w->toolTip(), FromCp1252(c.Hint)) << c.Name;
    if (!c.Text) continue;
    auto* combo = qobject_cast<QComboBox*>(w);
    const QString text = combo ? combo->currentText() : w->property("text").toString();
    EXPECT_EQ(text, FromCp1252(c.Text)) << c.Name;
  }
  QComboBox* zoom = Control<QComboBox>("cbxScale");
  ASSERT_EQ(zoom->count(), static_cast<int>(kPreviewZoomItems.size()));
  for (int i = 0; i < zoom->count(); ++i)
    EXPECT_EQ(zoom->itemText(i), QString::fromLatin1(kPreviewZoomItems[static_cast<size_t>(i)]));
  EXPECT_FALSE(zoom->focusPolicy() & Qt::TabFocus);
  QWidget* focused = form->focusWidget();
  EXPECT_TRUE(focused == zoom || focused == zoom->lineEdit());
  EXPECT_EQ(Indicator(), QStringLiteral("1/3"));
  EXPECT_TRUE(form->testAttribute(Qt::WA_DeleteOnClose));
}
TEST_F(PreviewTest, PageViewSizeAndScrollRangesFollowTheZoom) {
  tAlPreview* p = form->Previewer();
  EXPECT_EQ(p->Zoom(), 100);
  EXPECT_EQ(p->PageView()->geometry(), QRect(15, 15, 794, 1123));
  EXPECT_EQ(p->HorzRange(), 824);
  EXPECT_EQ(p->VertRange(), 1153);
  EXPECT_EQ(p->widget()->size(), QSize(824, 1153));

  SetZoomText("120");
  EXPECT_EQ(p->Zoom(), 120);
  EXPECT_EQ(p->PageView()->size(), QSize(953, 1348));
  EXPECT_EQ(p->VertRange(), 1378);

  SetZoomText("25");
  EXPECT_EQ(p->PageView()->size(), QSize(198, 281));  // 198.5 and 280.75
}

TEST_F(PreviewTest, MouseButtonsStepTheZoomOnlyOnTheLadder) {
  tAlPreview* p = form->Previewer();
  std::vector<int> seen;
  struct Recorder {
    void MouseDown(TObject* sender, TMouseButton button, int x, int y) {
      EXPECT_EQ(sender, static_cast<TObject*>(preview));
      EXPECT_EQ(x, 7);
      EXPECT_EQ(y, 9);
      (void)button;
      seen->push_back(preview->Zoom());
    }
    tAlPreview* preview;
    std::vector<int>* seen;
  } recorder{p, &seen};
  p->OnMouseDown = TMouseEvent::Bind<&Recorder::MouseDown>(&recorder);

  SetZoomText("120");
  Click(p->PageView(), Qt::LeftButton, QPoint(7, 9));
  EXPECT_EQ(p->Zoom(), 120);

  SetZoomText("100");
  Click(p->PageView(), Qt::LeftButton, QPoint(7, 9));
  EXPECT_EQ(p->Zoom(), 150);
  EXPECT_EQ(Control<QComboBox>("cbxScale")->currentText(), QStringLiteral("100"));
  Click(p->PageView(), Qt::LeftButton, QPoint(7, 9));
  Click(p->PageView(), Qt::LeftButton, QPoint(7, 9));
  EXPECT_EQ(p->Zoom(), 200);
  Click(p->PageView(), Qt::RightButton, QPoint(7, 9));
  Click(p->PageView(), Qt::MiddleButton, QPoint(7, 9));
  EXPECT_EQ(p->Zoom(), 150);
  EXPECT_EQ(p->PageView()->size(), QSize(1191, 1684));  // 1191 and 1684.5
  // The handler runs after the zoom has changed.
  EXPECT_EQ(seen, (std::vector<int>{120, 150, 200, 200, 150, 150}));
}

TEST_F(PreviewTest, PageIsStretchedOverTheWhitePageView) {
  tAlPreview* p = form->Previewer();
  SetZoomText("50");
  QImage view = p->PageView()->grab().toImage();
  ASSERT_EQ(view.size(), QSize(397, 562));  // 561.5 goes to the even neighbour
  EXPECT_EQ(view.pixelColor(75, 75), QColor(Qt::black));
  EXPECT_EQ(view.pixelColor(45, 45), QColor(Qt::white));
  EXPECT_EQ(view.pixelColor(300, 500), QColor(Qt::white));

  p->NextPage();
  view = p->PageView()->grab().toImage();
  EXPECT_EQ(view.pixelColor(75, 75), QColor(Qt::white));
  EXPECT_TRUE(HasCursor(crLupe));
  EXPECT_FALSE(p->PageView()->cursor().pixmap().isNull());
}

TEST_F(PreviewTest, WindowHandlesPageKeysBeforeTheFocusedControl) {
  form->show();
  QLineEdit* edit = Control<QComboBox>("cbxScale")->lineEdit();
  edit->setCursorPosition(1);
  Press(edit, Qt::Key_PageDown);
  EXPECT_EQ(Indicator(), QStringLiteral("2/3"));
  Press(edit, Qt::Key_End);
  EXPECT_EQ(Indicator(), QStringLiteral("3/3"));
  Press(edit, Qt::Key_PageUp);
  EXPECT_EQ(Indicator(), QStringLiteral("2/3"));
  Press(edit, Qt::Key_Home);
  EXPECT_EQ(Indicator(), QStringLiteral("1/3"));
  // Home never reached the edit field; other keys do.
  EXPECT_EQ(edit->cursorPosition(), 1);
  Press(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), QStringLiteral("00"));
}

TEST_F(PreviewTest, ArrowKeysScrollByTenAndStopAtTheEdges) {
  form->show();
  QScrollBar* horz = form->Previewer()->horizontalScrollBar();
  QScrollBar* vert = form->Previewer()->verticalScrollBar();
  ASSERT_GT(horz->maximum(), 20);
  ASSERT_GT(vert->maximum(), 20);

  horz->setValue(100);
  Press(form, Qt::Key_Right);
  EXPECT_EQ(horz->value(), 110);
  horz->setValue(horz->maximum() - 5);
  Press(form, Qt::Key_Right);
  EXPECT_EQ(horz->value(), horz->maximum());
  horz->setValue(7);
  Press(form, Qt::Key_Left);
  EXPECT_EQ(horz->value(), 0);

  vert->setValue(vert->maximum() - 5);
  Press(form->Previewer(), Qt::Key_Down);
  EXPECT_EQ(vert->value(), vert->maximum());
  Press(form->Previewer(), Qt::Key_Up);
  EXPECT_EQ(vert->value(), vert->maximum() - 10);
  vert->setValue(10);
  Press(form->Previewer(), Qt::Key_Up);
  EXPECT_EQ(vert->value(), 0);
}

TEST_F(PreviewTest, EscapeClosesAndFreesTheWindow) {
  form->show();
  Press(Control<QComboBox>("cbxScale")->lineEdit(), Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_EQ(frmPreview, nullptr);
  EXPECT_EQ(sound.messageBeeps, 0);
}

class PreviewPrintTest : public PreviewTest {
 protected:
  void SetUp() override {
    PreviewTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    form->Previewer()->SetPrinterSource([this]() -> QPrinter& {
      auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(JobFile(static_cast<int>(jobs.size()) + 1));
      jobs.push_back(std::move(printer));
      if (onJob) onJob();
      return *jobs.back();
    });
    form->SetDialogPrinter(&dialogPrinter);
    form->SetErrorDisplay([this](const std::string& message) { errors.push_back(message); });
  }
  QString JobFile(int n) { return dir.filePath(QStringLiteral("job%1.pdf").arg(n)); }
  void AnswerDialog(int from, int to, int copies) {
    form->SetPrintDialog([=, this](QPrinter& printer, int minPage, int maxPage) {
      EXPECT_EQ(minPage, 1);
      EXPECT_EQ(maxPage, 3);
      EXPECT_EQ(printer.fromPage(), 1);
      EXPECT_EQ(printer.toPage(), 3);
      if (from != 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(from, to);
      }
      printer.setCopyCount(copies);
      return copies > 0;
    });
  }

  QTemporaryDir dir;
  QPrinter dialogPrinter;
  std::vector<std::unique_ptr<QPrinter>> jobs;
  std::function<void()> onJob;
  std::vector<std::string> errors;
};

TEST_F(PreviewPrintTest, EveryCopyIsAJobOfItsOwn) {
  AnswerDialog(2, 3, 2);
  Control<QToolButton>("btnPrintNow")->click();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(PdfPageCount(JobFile(1)), 2);
  EXPECT_EQ(PdfPageCount(JobFile(2)), 2);
  for (const auto& job : jobs) {
    EXPECT_EQ(job->docName(), QStringLiteral("Preview"));
    EXPECT_EQ(job->pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(job->copyCount(), 1);
  }
  EXPECT_EQ(form->Previewer()->Title(), "Preview");
  EXPECT_FALSE(form->Previewer()->Printing());
  EXPECT_TRUE(errors.empty());
}

// A PDF file has no border a printer cannot reach: the page fills the paper one to one instead of
// being shrunk into the default margins of the PDF output.
TEST_F(PreviewPrintTest, PdfPagesFillThePaper) {
  const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (pdftoppm.isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
  AnswerDialog(1, 1, 1);
  Control<QToolButton>("btnPrintNow")->click();
  ASSERT_EQ(jobs.size(), 1u);
  const QString png = dir.filePath(QStringLiteral("page"));
  ASSERT_EQ(QProcess::execute(pdftoppm,
                              {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                               QStringLiteral("-singlefile"), JobFile(1), png}),
            0);
  const QImage page(png + QStringLiteral(".png"));
  ASSERT_EQ(page.size(), QSize(794, 1123));
  const auto dark = [&page](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
  EXPECT_TRUE(dark(101, 101) && dark(198, 198));
  EXPECT_FALSE(dark(98, 150) || dark(150, 98) || dark(202, 150) || dark(150, 202));
}

TEST_F(PreviewPrintTest, ClosingIsRefusedWhilePrinting) {
  form->show();
  bool printingSeen = false;
  onJob = [&] {
    printingSeen = form->Previewer()->Printing();
    EXPECT_FALSE(form->close());
  };
  AnswerDialog(1, 1, 1);
  Control<QToolButton>("btnPrintNow")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(form.isNull());
  EXPECT_TRUE(printingSeen);
  EXPECT_EQ(sound.messageBeeps, 1);
  EXPECT_EQ(frmPreview, form.data());

  onJob = nullptr;
  Control<QPushButton>("btnClose")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_EQ(frmPreview, nullptr);
}

TEST_F(PreviewPrintTest, FailureEndsPrintingAndIsReported) {
  form->Previewer()->SetPrinterSource([this]() -> QPrinter& {
    dialogPrinter.setOutputFormat(QPrinter::PdfFormat);
    dialogPrinter.setOutputFileName(dir.filePath(QStringLiteral("missing/dir/job.pdf")));
    return dialogPrinter;
  });
  AnswerDialog(1, 3, 2);
  Control<QToolButton>("btnPrintNow")->click();
  ASSERT_EQ(errors.size(), 1u);  // the second copy is not attempted
  EXPECT_FALSE(errors[0].empty());
  EXPECT_FALSE(form->Previewer()->Printing());
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST(PreviewControlOnQt, LandscapePagesPrintLandscape) {
  tAlPreview preview;
  auto page = std::make_unique<TDrawMetaFile>(1123, 794, &kScreen);
  page->Close();
  preview.Pages().Add(std::move(page));
  preview.ShowPage(1);
  EXPECT_EQ(preview.HorzRange(), 1153);
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath(QStringLiteral("l.pdf")));
  preview.SetPrinterSource([&]() -> QPrinter& { return printer; });
  preview.PrintPages(1, 1);
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(PdfPageCount(dir.filePath(QStringLiteral("l.pdf"))), 1);
}

}  // namespace
