#include "gui/app/Mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include "app/Help.h"
#include "gui/QtText.h"
#include "gui/app/HelpViewer.h"

namespace {

QColor ToQColor(TColor c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(FromCp1252(MainCaption));
  setProperty("HelpContext", MainHelpContext);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  auto* grid = new QGridLayout(client);
  grid->setContentsMargins(8, 6, 8, 4);
  grid->setVerticalSpacing(4);
  auto* lblCaptured = new QLabel(FromCp1252(CapturedLabel), client);
  lblCaptured->setObjectName(QStringLiteral("lblCaptured"));
  edtCapt = new QLineEdit(client);
  edtCapt->setObjectName(QStringLiteral("edtCapt"));
  edtCapt->setReadOnly(true);
  lblCaptured->setBuddy(edtCapt);
  auto* lblFiltered = new QLabel(FromCp1252(FilteredLabel), client);
  lblFiltered->setObjectName(QStringLiteral("lblFiltered"));
  edtFilt = new QLineEdit(client);
  edtFilt->setObjectName(QStringLiteral("edtFilt"));
  edtFilt->setReadOnly(true);
  lblFiltered->setBuddy(edtFilt);
  grid->addWidget(lblCaptured, 0, 0);
  grid->addWidget(edtCapt, 0, 1);
  grid->addWidget(lblFiltered, 1, 0);
  grid->addWidget(edtFilt, 1, 1);

  auto* row = new QHBoxLayout();
  BitBtn2 = new QPushButton(client);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setMinimumSize(TMainDesign::RunButtonWidth, TMainDesign::RunButtonHeight);
  connect(BitBtn2, &QPushButton::clicked, this, [this] { controller_.btnMessClick(); });
  pnlLED = new QLabel(client);
  pnlLED->setObjectName(QStringLiteral("pnlLED"));
  pnlLED->setAlignment(Qt::AlignCenter);
  pnlLED->setAutoFillBackground(true);
  pnlLED->setFrameStyle(QFrame::Panel | QFrame::Raised);
  pnlLED->setMinimumHeight(TMainDesign::RunButtonHeight);
  // Long window titles must not widen the window.
  pnlLED->setMinimumWidth(1);
  pnlLED->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  QFont bold = pnlLED->font();
  bold.setBold(true);
  pnlLED->setFont(bold);
  row->addWidget(BitBtn2);
  row->addWidget(pnlLED, 1);
  grid->addLayout(row, 2, 0, 1, 2);
  grid->setRowStretch(3, 1);
  setCentralWidget(client);

  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->setSizeGripEnabled(false);
  statusText_ = new QLabel(this);
  statusText_->setObjectName(QStringLiteral("StatusText"));
  // Long messages (the paths of the trace and log files) must not widen the window.
  statusText_->setMinimumWidth(1);
  statusText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(statusText_, 1);

  timer = new QTimer(this);
  timer->setObjectName(QStringLiteral("timer"));
  timer->setInterval(TMainDesign::TimerIntervalMs);
  connect(timer, &QTimer::timeout, this, [this] { controller_.timerTimer(); });

  CreateMenus();

  // The panel starts dark green and without text.
  SetLedColor(ledInactive);
  ShowRunButton(false);

  // The designed client area lies below the menu bar; the height may grow a little, the width
  // freely. Closing never asks anything.
  const int menuHeight = menuBar()->sizeHint().height();
  setMinimumSize(TMainDesign::MinimumWidth, TMainDesign::ClientHeight + menuHeight);
  setMaximumHeight(TMainDesign::ClientHeight + TMainDesign::ExtraHeight + menuHeight);
  resize(TMainDesign::ClientWidth, TMainDesign::ClientHeight + menuHeight);

  qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::CreateMenus() {
  for (const TMenuDesign& design : MainMenus()) {
    QMenu* menu = menuBar()->addMenu(FromCp1252(design.Caption));
    menu->setObjectName(QString::fromLatin1(design.Name));
    menu->setProperty("HelpContext", design.HelpContext);
    for (const TMenuEntry& entry : design.Entries) {
      if (entry.Name == nullptr) {
        menu->addSeparator();
        continue;
      }
      QAction* a = menu->addAction(FromCp1252(entry.Caption));
      a->setObjectName(QString::fromLatin1(entry.Name));
      if (entry.Hint != nullptr) {
        a->setStatusTip(FromCp1252(entry.Hint));
        a->setToolTip(a->statusTip());
      }
      const TMainCommand command = entry.Command;
      connect(a, &QAction::triggered, this, [this, command] { controller_.Command(command); });
    }
    menus_.append(menu);
  }
}

void TfrmMain::SetServices(TServices services) {
  services_ = std::move(services);
  controller_.SetServices(services_);
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
  // The whole of a text wider than the window.
  statusText_->setToolTip(statusText_->text());
}
std::string TfrmMain::StatusText() const {
  return ToCp1252(statusText_->text());
}
void TfrmMain::SetCaptText(const std::string& text) {
  edtCapt->setText(FromCp1252(text));
}
std::string TfrmMain::CaptText() const {
  return ToCp1252(edtCapt->text());
}
void TfrmMain::SetFiltText(const std::string& text) {
  edtFilt->setText(FromCp1252(text));
}
std::string TfrmMain::FiltText() const {
  return ToCp1252(edtFilt->text());
}

TColor TfrmMain::LedColor() const {
  return ledColor_;
}

void TfrmMain::SetLedColor(TColor color) {
  ledColor_ = color;
  QPalette p = pnlLED->palette();
  const QColor background = ToQColor(color);
  p.setColor(QPalette::Window, background);
  p.setColor(QPalette::WindowText, LightTextOn(color) ? Qt::white : Qt::black);
  pnlLED->setPalette(p);
}

std::string TfrmMain::LedText() const {
  return ToCp1252(pnlLED->text());
}

void TfrmMain::SetLedText(const std::string& text) {
  pnlLED->setText(FromCp1252(text));
}

void TfrmMain::ShowRunButton(bool capturing) {
  BitBtn2->setIcon(style()->standardIcon(capturing ? QStyle::SP_DialogCancelButton
                                                   : QStyle::SP_DialogApplyButton));
  BitBtn2->setText(QString::fromLatin1(RunButtonCaption(capturing)));
}

void TfrmMain::SetTimerEnabled(bool on) {
  if (on)
    timer->start();
  else
    timer->stop();
}

void TfrmMain::SetMenusEnabled(bool on) {
  for (QMenu* m : menus_) m->menuAction()->setEnabled(on);
}

bool TfrmMain::OwnWindowInFront(WindowId foreground) const {
  const QWidget* own[] = {this, services_.serOptionForm, services_.prgOptionForm};
  for (const QWidget* w : own) {
    // Only windows that exist natively can be in front; asking others would create them.
    if (w != nullptr && w->internalWinId() != 0 && w->internalWinId() == foreground) return true;
  }
  return false;
}

void TfrmMain::Show(QWidget* window) {
  if (window != nullptr) window->show();
}

bool TfrmMain::OwnWindowActive() const {
  const QWidget* active =
      services_.activeWindow ? services_.activeWindow() : QApplication::activeWindow();
  return active != nullptr &&
         (active == this || active == services_.serOptionForm || active == services_.prgOptionForm);
}
void TfrmMain::ShowPortSettings() {
  Show(services_.serOptionForm);
}
void TfrmMain::ShowFilterSettings() {
  Show(services_.prgOptionForm);
}
void TfrmMain::ShowAbout() {
  Show(services_.frmAbout);
}
void TfrmMain::ShowHelpTopic(const std::string& topic) {
  ApplicationHelpViewer().ShowTopic(topic);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  // The help and preview windows have no parent, and the program would otherwise wait for them
  // while readings went on being typed into whatever is in front.
  controller_.FormClose();
  QList<QPointer<QWidget>> others;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible()) others.append(w);
  for (const QPointer<QWidget>& w : others)
    if (w) w->close();
  QCoreApplication::quit();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
      watched->isWidgetType()) {
    // The key goes to the open menu while one is shown, else to a widget of the active window.
    ShowHelpFor(static_cast<QWidget*>(watched)->window());
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
