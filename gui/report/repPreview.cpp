#include "gui/report/repPreview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <exception>

#include "base/Cp1252.h"
#include "base/Exception.h"
#include "platform/Sound.h"
#include "ui_repPreview.h"

TfrmPreview* frmPreview = nullptr;

namespace {

class TToolkitSound : public ISound {
 public:
  void Beep(unsigned, unsigned) override { QApplication::beep(); }
  void MessageBeep() override { QApplication::beep(); }
};

QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

uint16_t VirtualKeyOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Escape:
      return 0x1B;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    default:
      return 0;
  }
}

}  // namespace

TfrmPreview::TfrmPreview(QWidget* parent, ISound* sound)
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::TfrmPreview>()),
      ownSound_(sound ? nullptr : std::make_unique<TToolkitSound>()),
      sound_(sound ? sound : ownSound_.get()),
      dialogPrinter_(&tAlPreview::SystemPrinter()) {
  ui_->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);

  QPalette white = ui_->Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  ui_->Panel1->setPalette(white);

  printDialog_ = [this](QPrinter& printer, int minPage, int maxPage) {
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(minPage, maxPage);
    return dialog.exec() == QDialog::Accepted;
  };
  errorDisplay_ = [this](const std::string& message) {
    QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), FromCp1252(message));
  };

  // A picture button is known by its hint: assistive technology reads the accessible name, and
  // without one announces just "button".
  for (QToolButton* button :
       {ui_->btnPrintNow, ui_->spbfirst, ui_->spbPrev, ui_->spbNext, ui_->spbLast})
    button->setAccessibleName(button->toolTip());

  connect(ui_->btnClose, &QPushButton::clicked, this, &TfrmPreview::btnCloseClick);
  connect(ui_->spbfirst, &QToolButton::clicked, this, &TfrmPreview::spbfirstClick);
  connect(ui_->spbPrev, &QToolButton::clicked, this, &TfrmPreview::spbPrevClick);
  connect(ui_->spbNext, &QToolButton::clicked, this, &TfrmPreview::spbNextClick);
  connect(ui_->spbLast, &QToolButton::clicked, this, &TfrmPreview::spbLastClick);
  connect(ui_->btnPrintNow, &QToolButton::clicked, this, &TfrmPreview::btnPrintNowClick);
  connect(ui_->cbxScale, &QComboBox::currentTextChanged, this, &TfrmPreview::cbxScaleChange);

  // The window sees every key before the control that has the focus.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  ui_->cbxScale->setFocus();
}

TfrmPreview::~TfrmPreview() {
  if (frmPreview == this) frmPreview = nullptr;
}

tAlPreview* TfrmPreview::Previewer() const {
  return ui_->Previewer;
}

void TfrmPreview::UpdatePageIndicator() {
  ui_->Panel1->setText(FromCp1252(Previewer()->PageIndicator()));
}

void TfrmPreview::ShowFirstPage() {
  spbfirstClick();
}

void TfrmPreview::btnCloseClick() {
  close();
}

void TfrmPreview::spbfirstClick() {
  Previewer()->FirstPage();
  UpdatePageIndicator();
}

void TfrmPreview::spbPrevClick() {
  Previewer()->PrevPage();
  UpdatePageIndicator();
}

void TfrmPreview::spbNextClick() {
  Previewer()->NextPage();
  UpdatePageIndicator();
}

void TfrmPreview::spbLastClick() {
  Previewer()->LastPage();
  UpdatePageIndicator();
}

void TfrmPreview::cbxScaleChange(const QString& text) {
  Previewer()->SetZoom(ZoomFromText(Utf16ToCp1252(text.toStdU16String())));
}

void TfrmPreview::btnPrintNowClick() {
  const int pageCount = Previewer()->PageCount();
  QPrinter& printer = *dialogPrinter_;
  const int lastPage = std::max(pageCount, 1);
  printer.setPrintRange(QPrinter::AllPages);
  printer.setFromTo(1, lastPage);
  if (!printDialog_(printer, 1, lastPage)) return;

  int from = 1;
  int to = pageCount;
  if (printer.printRange() == QPrinter::PageRange) {
    from = printer.fromPage();
    to = printer.toPage();
  }
  const int copies = std::max(printer.copyCount(), 1);
  Previewer()->SetTitle(Utf16ToCp1252(windowTitle().toStdU16String()));
  try {
    for (int copy = 0; copy < copies; ++copy) Previewer()->PrintPages(from, to);
  } catch (const Exception& e) {
    errorDisplay_(e.Message());
  } catch (const std::exception& e) {
    errorDisplay_(e.what());
  }
}

bool TfrmPreview::FormCloseQuery() {
  if (!Previewer()->Printing()) return true;
  sound_->MessageBeep();
  return false;
}

void TfrmPreview::FormClose() {
  if (frmPreview == this) frmPreview = nullptr;
}

void TfrmPreview::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TfrmPreview::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ui_->cbxScale->setFocus();
}

bool TfrmPreview::FormKeyDown(uint16_t virtualKey) {
  QScrollBar* horz = Previewer()->horizontalScrollBar();
  QScrollBar* vert = Previewer()->verticalScrollBar();
  switch (PreviewKeyAction(virtualKey)) {
    case TPreviewKeyAction::None:
      return false;
    case TPreviewKeyAction::Close:
      close();
      break;
    case TPreviewKeyAction::PrevPage:
      spbPrevClick();
      break;
    case TPreviewKeyAction::NextPage:
      spbNextClick();
      break;
    case TPreviewKeyAction::FirstPage:
      spbfirstClick();
      break;
    case TPreviewKeyAction::LastPage:
      spbLastClick();
      break;
    case TPreviewKeyAction::ScrollLeft:
      horz->setValue(ScrollBack(horz->value()));
      break;
    case TPreviewKeyAction::ScrollUp:
      vert->setValue(ScrollBack(vert->value()));
      break;
    case TPreviewKeyAction::ScrollRight:
      horz->setValue(ScrollForward(horz->value(), Previewer()->HorzRange()));
      break;
    case TPreviewKeyAction::ScrollDown:
      vert->setValue(ScrollForward(vert->value(), Previewer()->VertRange()));
      break;
  }
  return true;
}

bool TfrmPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const uint16_t key = VirtualKeyOf(static_cast<QKeyEvent*>(event)->key());
    if (key != 0 && FormKeyDown(key)) return true;
  }
  return QWidget::eventFilter(watched, event);
}
