#include "gui/app/Mainform.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "app/CaptureApp.h"
#include "base/Cp1252.h"

QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

std::string ToCp1252(const QString& s) {
  return Utf16ToCp1252(s.toStdU16String());
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Tarvolin"));

  auto* client = new QWidget(this);
  auto* grid = new QGridLayout(client);
  auto* lblCaptured = new QLabel(QStringLiteral("Erfasst: "), client);
  lblCaptured->setObjectName(QStringLiteral("lblCaptured"));
  edtCapt = new QLineEdit(client);
  edtCapt->setObjectName(QStringLiteral("edtCapt"));
  edtCapt->setReadOnly(true);
  auto* lblFiltered = new QLabel(QStringLiteral("Gefiltert: "), client);
  lblFiltered->setObjectName(QStringLiteral("lblFiltered"));
  edtFilt = new QLineEdit(client);
  edtFilt->setObjectName(QStringLiteral("edtFilt"));
  edtFilt->setReadOnly(true);
  grid->addWidget(lblCaptured, 0, 0);
  grid->addWidget(edtCapt, 0, 1);
  grid->addWidget(lblFiltered, 1, 0);
  grid->addWidget(edtFilt, 1, 1);

  auto* row = new QHBoxLayout();
  BitBtn2 = new QPushButton(QStringLiteral("Start"), client);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  pnlLED = new QLabel(client);
  pnlLED->setObjectName(QStringLiteral("pnlLED"));
  pnlLED->setAlignment(Qt::AlignCenter);
  pnlLED->setAutoFillBackground(true);
  QFont bold = pnlLED->font();
  bold.setBold(true);
  pnlLED->setFont(bold);
  row->addWidget(BitBtn2);
  row->addWidget(pnlLED, 1);
  grid->addLayout(row, 2, 0, 1, 2);
  setCentralWidget(client);

  statusText_ = new QLabel(this);
  statusText_->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->addWidget(statusText_, 1);

  SetLedColor(ledInactive);
  resize(376, 168);
}

int32_t TfrmMain::Left() const {
  return x();
}
int32_t TfrmMain::Top() const {
  return y();
}
void TfrmMain::SetLeft(int32_t left) {
  move(left, y());
}
void TfrmMain::SetTop(int32_t top) {
  move(x(), top);
}

void TfrmMain::SetCaption(const std::string& caption) {
  setWindowTitle(FromCp1252(caption));
}
void TfrmMain::SetStatusText(const std::string& text) {
  statusText_->setText(FromCp1252(text));
}
QString TfrmMain::StatusText() const {
  return statusText_->text();
}
void TfrmMain::SetCaptText(const std::string& text) {
  edtCapt->setText(FromCp1252(text));
}
void TfrmMain::SetFiltText(const std::string& text) {
  edtFilt->setText(FromCp1252(text));
}

TColor TfrmMain::LedColor() const {
  return ledColor_;
}

void TfrmMain::SetLedColor(TColor color) {
  ledColor_ = color;
  QPalette p = pnlLED->palette();
  p.setColor(QPalette::Window, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  pnlLED->setPalette(p);
}

std::string TfrmMain::LedText() const {
  return ToCp1252(pnlLED->text());
}
void TfrmMain::SetLedText(const std::string& text) {
  pnlLED->setText(FromCp1252(text));
}

void TfrmMain::showRunState() {
  // The port is not there yet, so the window is always in the stopped state.
  BitBtn2->setText(QStringLiteral("Start"));
  SetStatusText("Stopp!");
  setLED(*this, ledInactive, "<inaktiv>");
}
