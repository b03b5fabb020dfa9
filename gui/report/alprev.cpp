#include "gui/report/alprev.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include "gui/QtText.h"
#include "gui/report/Cursors.h"
#include "gui/report/QtCanvas.h"

namespace {

// A print job on a QPrinter, which is taken from the source when the job begins.
class TQtPrintJob : public IPrintTarget {
 public:
  explicit TQtPrintJob(tAlPreview::TPrinterSource source) : source_(std::move(source)) {}
  ~TQtPrintJob() override {
    if (painter_.isActive()) painter_.end();
  }

  bool Begin(const std::string& title, TPrinterOrientation orientation) override {
    printer_ = &source_();
    printer_->setPageOrientation(orientation == poLandscape ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
    // A file has no border the printer cannot reach: there the page fills the paper, as it
    // does with the platform's PDF printer, instead of shrinking into the default margins.
    printer_->setFullPage(printer_->outputFormat() == QPrinter::PdfFormat);
    printer_->setDocName(FromCp1252(title));
    // Every job is one copy; the window repeats the job for more.
    printer_->setCopyCount(1);
    return painter_.begin(printer_);
  }
  bool NewPage() override { return printer_->newPage(); }
  bool End() override { return painter_.end(); }
  TRect PageRect() const override { return {0, 0, printer_->width(), printer_->height()}; }
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override {
    TQtPageSurface(painter_).PlayPage(page, target, clip);
  }

 private:
  tAlPreview::TPrinterSource source_;
  QPrinter* printer_ = nullptr;
  QPainter painter_;
};

}  // namespace

class tAlPreview::TPageView : public QWidget {
 public:
  explicit TPageView(tAlPreview* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setCursor(AppCursor(crLupe));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect exposed = event->rect();
    TQtPageSurface surface(painter);
    owner_->control_.PaintPageView(
        surface, {exposed.left(), exposed.top(), exposed.right() + 1, exposed.bottom() + 1});
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
    : QScrollArea(parent), printerSource_([]() -> QPrinter& { return SystemPrinter(); }) {
  LoadReportCursors();
  // Background in the button face colour around the white page.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setBackgroundRole(QPalette::Window);
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);

  const TPageViewGeometry& g = control_.Geometry();
  content_ = new QWidget;
  content_->setAutoFillBackground(false);
  pageView_ = new TPageView(this, content_);
  pageView_->setObjectName(QStringLiteral("PageView"));
  pageView_->setGeometry(kPreviewBorder, kPreviewBorder, g.Width, g.Height);
  content_->resize(g.HorzRange, g.VertRange);
  setWidget(content_);
}

tAlPreview::~tAlPreview() {
  // The pages go before the list that held them; the view is no longer painted.
  control_.Pages().Clear();
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

void tAlPreview::showEvent(QShowEvent* event) {
  Refresh();
  QScrollArea::showEvent(event);
}

void tAlPreview::Refresh(bool changed) {
  if (!changed) return;
  const TPageViewGeometry& g = control_.Layout();
  content_->resize(g.HorzRange, g.VertRange);
  pageView_->setGeometry(kPreviewBorder, kPreviewBorder, g.Width, g.Height);
  pageView_->update();
}

void tAlPreview::PageViewMouseDown(TMouseButton button, int x, int y) {
  Refresh(control_.MouseZoom(button));
  if (OnMouseDown) OnMouseDown(this, button, x, y);
}

std::unique_ptr<IPrintTarget> tAlPreview::NewPrintJob() {
  return std::make_unique<TQtPrintJob>(printerSource_);
}

void tAlPreview::PrintPages(int from, int to) {
  control_.PrintPages(*NewPrintJob(), from, to);
}
