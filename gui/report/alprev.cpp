#include "gui/report/alprev.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>

#include "base/Cp1252.h"
#include "base/Exception.h"
#include "gui/report/Cursors.h"
#include "gui/report/QtCanvas.h"

namespace {

// A4 portrait at 96 pixels per inch, the size of the view before there are pages.
constexpr int kDefaultPageWidth = 794;
constexpr int kDefaultPageHeight = 1123;

// The page view's size before it has been laid out for a page.
constexpr TPageViewGeometry kDesignGeometry{823, 1164, 823 + 2 * kPreviewBorder,
                                            1164 + 2 * kPreviewBorder};

}  // namespace

class tAlPreview::TPageView : public QWidget {
 public:
  explicit TPageView(tAlPreview* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setCursor(AppCursor(crLupe));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    owner_->PaintPageView(painter);
  }
  void mousePressEvent(QMouseEvent* event) override {
    TMouseButton button;
    switch (event->button()) {
      case Qt::LeftButton:
        button = TMouseButton::mbLeft;
        break;
      case Qt::RightButton:
        button = TMouseButton::mbRight;
        break;
      case Qt::MiddleButton:
        button = TMouseButton::mbMiddle;
        break;
      default:
        return;
    }
    const QPoint at = event->position().toPoint();
    owner_->PageViewMouseDown(button, at.x(), at.y());
  }

 private:
  tAlPreview* owner_;
};

tAlPreview::tAlPreview(QWidget* parent)
    : QScrollArea(parent),
      geometry_(kDesignGeometry),
      printerSource_([]() -> QPrinter& { return SystemPrinter(); }) {
  LoadReportCursors();
  // Background in the button face colour around the white page.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setBackgroundRole(QPalette::Window);
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);

  content_ = new QWidget;
  content_->setAutoFillBackground(false);
  pageView_ = new TPageView(this, content_);
  pageView_->setObjectName(QStringLiteral("PageView"));
  pageView_->setGeometry(kPreviewBorder, kPreviewBorder, geometry_.Width, geometry_.Height);
  content_->resize(geometry_.HorzRange, geometry_.VertRange);
  setWidget(content_);
}

tAlPreview::~tAlPreview() {
  // The pages go before the list that held them; the view is no longer painted.
  pages_.Clear();
}

QWidget* tAlPreview::PageView() const {
  return pageView_;
}

namespace {

QPrinter* systemPrinter = nullptr;

void FreeSystemPrinter() {
  delete systemPrinter;
  systemPrinter = nullptr;
}

}  // namespace

QPrinter& tAlPreview::SystemPrinter() {
  // Freed with the application object: the printer's engine must not outlive the toolkit.
  if (!systemPrinter) {
    systemPrinter = new QPrinter(QPrinter::HighResolution);
    qAddPostRoutine(FreeSystemPrinter);
  }
  return *systemPrinter;
}

int tAlPreview::PageWidth() const {
  // Every page of a run has the report printer's page size of that run; taking it from the
  // pages keeps an older preview right when a later run used another paper size.
  return pages_.Empty() ? kDefaultPageWidth : pages_[0]->Width();
}

int tAlPreview::PageHeight() const {
  return pages_.Empty() ? kDefaultPageHeight : pages_[0]->Height();
}

void tAlPreview::ShowPage(int n) {
  if (position_.ShowPage(n, PageCount())) Refresh();
}

void tAlPreview::FirstPage() {
  ShowPage(1);
}

void tAlPreview::LastPage() {
  if (position_.LastPage(PageCount())) Refresh();
}

void tAlPreview::NextPage() {
  if (position_.NextPage(PageCount())) Refresh();
}

void tAlPreview::PrevPage() {
  if (position_.PrevPage()) Refresh();
}

void tAlPreview::SetZoom(int zoom) {
  if (position_.SetZoom(zoom)) Refresh();
}

void tAlPreview::showEvent(QShowEvent* event) {
  Refresh();
  QScrollArea::showEvent(event);
}

void tAlPreview::Refresh() {
  geometry_ = PageViewGeometry(PageWidth(), PageHeight(), position_.Zoom());
  content_->resize(geometry_.HorzRange, geometry_.VertRange);
  pageView_->setGeometry(kPreviewBorder, kPreviewBorder, geometry_.Width, geometry_.Height);
  pageView_->update();
}

void tAlPreview::PaintPageView(QPainter& painter) {
  const QRect all(0, 0, pageView_->width(), pageView_->height());
  painter.fillRect(all, Qt::white);
  const int page = position_.Page();
  if (page >= 1 && page <= PageCount()) PaintPage(painter, *pages_[page - 1], QRectF(all));
}

void tAlPreview::PageViewMouseDown(TMouseButton button, int x, int y) {
  SetZoom(MouseZoomStep(position_.Zoom(), button));
  if (OnMouseDown) OnMouseDown(this, button, x, y);
}

void tAlPreview::PrintPages(int from, int to) {
  // Cleared on every way out, so that the window can be closed after a failure.
  struct TPrintingFlag {
    explicit TPrintingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TPrintingFlag() { flag_ = false; }
    bool& flag_;
  } printingFlag(printing_);

  if (pages_.Empty()) return;
  // Pages that do not exist are not asked for, and an empty range starts no job.
  from = std::max(from, 1);
  to = std::min(to, PageCount());
  if (from > to) return;

  QPrinter& printer = printerSource_();
  printer.setPageOrientation(PageWidth() > PageHeight() ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait);
  // A file has no border the printer cannot reach: there the page fills the paper, as it does
  // with the platform's PDF printer, instead of shrinking into the default margins.
  printer.setFullPage(printer.outputFormat() == QPrinter::PdfFormat);
  printer.setDocName(QString::fromStdU16String(Cp1252ToUtf16(title_)));
  // Every call is one copy; the caller repeats it for more.
  printer.setCopyCount(1);

  QPainter painter;
  if (!painter.begin(&printer)) throw Exception("Der Druckauftrag konnte nicht gestartet werden.");
  try {
    for (int page = from; page <= to; ++page) {
      if (page > from && !printer.newPage())
        throw Exception("Der Drucker hat keine weitere Seite angenommen.");
      PaintPage(painter, *pages_[page - 1], QRectF(0, 0, printer.width(), printer.height()));
    }
  } catch (...) {
    painter.end();
    throw;
  }
  if (!painter.end()) throw Exception("Der Druckauftrag konnte nicht abgeschlossen werden.");
}
