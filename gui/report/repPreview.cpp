#include "gui/report/repPreview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>

#include "gui/QtText.h"
#include "platform/Sound.h"
#include "ui_repPreview.h"

TfrmPreview* frmPreview = nullptr;

namespace {

class TToolkitSound : public ISound {
 public:
  void Beep(unsigned, unsigned) override { QApplication::beep(); }
  void MessageBeep() override { QApplication::beep(); }
};

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

  control_ = std::make_unique<TPreviewWindowControl>(static_cast<IPreviewWindow&>(*this),
                                                     Previewer()->Control());

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

void TfrmPreview::ShowFirstPage() {
  control_->ShowFirstPage();
}

void TfrmPreview::btnCloseClick() {
  close();
}

void TfrmPreview::spbfirstClick() {
  control_->spbfirstClick();
}

void TfrmPreview::spbPrevClick() {
  control_->spbPrevClick();
}

void TfrmPreview::spbNextClick() {
  control_->spbNextClick();
}

void TfrmPreview::spbLastClick() {
  control_->spbLastClick();
}

void TfrmPreview::cbxScaleChange(const QString& text) {
  control_->cbxScaleChange(ToCp1252(text));
}

void TfrmPreview::btnPrintNowClick() {
  control_->btnPrintNowClick();
}

bool TfrmPreview::FormCloseQuery() {
  return control_->FormCloseQuery();
}

bool TfrmPreview::FormKeyDown(uint16_t virtualKey) {
  return control_->FormKeyDown(virtualKey);
}

void TfrmPreview::RepaintPageView() {
  Previewer()->Refresh();
}

void TfrmPreview::ShowPageIndicator(const std::string& text) {
  ui_->Panel1->setText(FromCp1252(text));
}

void TfrmPreview::WarningBeep() {
  sound_->MessageBeep();
}

std::string TfrmPreview::Caption() const {
  return ToCp1252(windowTitle());
}

bool TfrmPreview::RunPrintDialog(TPrintChoice& choice) {
  QPrinter& printer = *dialogPrinter_;
  printer.setPrintRange(QPrinter::AllPages);
  printer.setFromTo(choice.MinPage, choice.MaxPage);
  if (!printDialog_(printer, choice.MinPage, choice.MaxPage)) return false;
  if (printer.printRange() == QPrinter::PageRange) {
    choice.FromPage = printer.fromPage();
    choice.ToPage = printer.toPage();
  }
  choice.Copies = printer.copyCount();
  return true;
}

std::unique_ptr<IPrintTarget> TfrmPreview::NewPrintJob() {
  return Previewer()->NewPrintJob();
}

int TfrmPreview::ScrollPosition(TScrollAxis axis) const {
  const QScrollBar* bar = axis == TScrollAxis::Horizontal ? Previewer()->horizontalScrollBar()
                                                          : Previewer()->verticalScrollBar();
  return bar->value();
}

void TfrmPreview::SetScrollPosition(TScrollAxis axis, int position) {
  QScrollBar* bar = axis == TScrollAxis::Horizontal ? Previewer()->horizontalScrollBar()
                                                    : Previewer()->verticalScrollBar();
  bar->setValue(position);
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

bool TfrmPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const uint16_t key = VirtualKeyOf(static_cast<QKeyEvent*>(event)->key());
    if (key != 0 && FormKeyDown(key)) return true;
  }
  return QWidget::eventFilter(watched, event);
}
