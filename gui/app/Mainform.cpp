#include "gui/app/Mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include "app/CaptureApp.h"
#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/PortControl.h"
#include "platform/ForegroundWindow.h"
#include "platform/Sound.h"

QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

std::string ToCp1252(const QString& s) {
  return Utf16ToCp1252(s.toStdU16String());
}

namespace {

QColor ToQColor(TColor c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

// GetWindowTextA into a buffer of 80 bytes.
constexpr int kTitleChars = 79;

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Tarvolin"));
  setProperty("HelpContext", kHelpContext);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  auto* grid = new QGridLayout(client);
  grid->setContentsMargins(8, 6, 8, 4);
  grid->setVerticalSpacing(4);
  auto* lblCaptured = new QLabel(QStringLiteral("Erfasst: "), client);
  lblCaptured->setObjectName(QStringLiteral("lblCaptured"));
  edtCapt = new QLineEdit(client);
  edtCapt->setObjectName(QStringLiteral("edtCapt"));
  edtCapt->setReadOnly(true);
  lblCaptured->setBuddy(edtCapt);
  auto* lblFiltered = new QLabel(QStringLiteral("Gefiltert: "), client);
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
  BitBtn2->setMinimumSize(90, 27);
  connect(BitBtn2, &QPushButton::clicked, this, &TfrmMain::btnMessClick);
  pnlLED = new QLabel(client);
  pnlLED->setObjectName(QStringLiteral("pnlLED"));
  pnlLED->setAlignment(Qt::AlignCenter);
  pnlLED->setAutoFillBackground(true);
  pnlLED->setFrameStyle(QFrame::Panel | QFrame::Raised);
  pnlLED->setMinimumHeight(27);
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
  timer->setInterval(kTimerIntervalMs);
  connect(timer, &QTimer::timeout, this, &TfrmMain::timerTimer);

  CreateMenus();

  // The panel starts dark green and without text.
  SetLedColor(ledInactive);
  ledAssignments_ = 0;
  BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  BitBtn2->setText(QStringLiteral("Start"));

  // The designed client area lies below the menu bar; the height may grow a little, the width
  // freely. Closing never asks anything.
  const int menuHeight = menuBar()->sizeHint().height();
  setMinimumSize(kMinimumWidth, kClientHeight + menuHeight);
  setMaximumHeight(kClientHeight + kExtraHeight + menuHeight);
  resize(kClientWidth, kClientHeight + menuHeight);

  qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::CreateMenus() {
  auto action = [this](QMenu* menu, const char* name, const char* caption,
                       void (TfrmMain::*handler)()) {
    QAction* a = menu->addAction(FromCp1252(caption));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };

  menFile = menuBar()->addMenu(QStringLiteral("&Datei"));
  menFile->setObjectName(QStringLiteral("menFile"));
  menFile->setProperty("HelpContext", kFileHelpContext);
  action(menFile, "menFileIQ", "&IQ", &TfrmMain::menFileIQClick);
  menFile->addSeparator();
  QAction* exit = menFile->addAction(QStringLiteral("&Ende"));
  exit->setObjectName(QStringLiteral("menFileExit"));
  const QString hint = FromCp1252(
      "Schlie\xDF"
      "t das Program");
  exit->setStatusTip(hint);
  exit->setToolTip(hint);
  connect(exit, &QAction::triggered, this, &QWidget::close);

  menConfig = menuBar()->addMenu(QStringLiteral("&Konfiguration"));
  menConfig->setObjectName(QStringLiteral("menConfig"));
  menConfig->setProperty("HelpContext", kConfigHelpContext);
  action(menConfig, "menConfigPort", "&Port", &TfrmMain::menConfigPortClick);
  action(menConfig, "menConfigFilter", "&Filter", &TfrmMain::Options1Click);
  menConfig->addSeparator();
  action(menConfig, "menConfigSave", "&Speichern", &TfrmMain::menConfigSaveClick);
  action(menConfig, "menConfigLoad", "&Laden", &TfrmMain::menConfigLoadClick);

  menHelp = menuBar()->addMenu(QStringLiteral("&Hilfe"));
  menHelp->setObjectName(QStringLiteral("menHelp"));
  menHelp->setProperty("HelpContext", kHelpMenuHelpContext);
  action(menHelp, "menHelpApp", "&Anwendung", &TfrmMain::menHelpAppClick);
  menHelp->addSeparator();
  action(menHelp, "menHelpAbout",
         "&\xDC"
         "ber",
         &TfrmMain::menHelpAboutClick);
}

void TfrmMain::SetServices(TServices services) {
  services_ = std::move(services);
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
  ++ledAssignments_;
  ledColor_ = color;
  QPalette p = pnlLED->palette();
  const QColor background = ToQColor(color);
  p.setColor(QPalette::Window, background);
  // Keeps the text readable on the dark green of the stopped state.
  p.setColor(QPalette::WindowText, background.lightness() < 96 ? Qt::white : Qt::black);
  pnlLED->setPalette(p);
}

std::string TfrmMain::LedText() const {
  return ToCp1252(pnlLED->text());
}

void TfrmMain::SetLedText(const std::string& text) {
  ++ledAssignments_;
  pnlLED->setText(FromCp1252(text));
}

void TfrmMain::btnMessClick() {
  if (services_.comms == nullptr) return;
  const bool stopping = services_.comms->Open();
  if (!stopping && RefuseStart()) return;
  try {
    services_.comms->SetOpen(!stopping);
  } catch (const std::exception& e) {
    if (!Stopped(stopping)) ReportStartFailure(e.what());
  } catch (...) {
    if (!Stopped(stopping)) ReportStartFailure(std::string());
  }
  showRunState();
  if (Stopped(stopping)) ReportRecorderFiles();
}

bool TfrmMain::Stopped(bool stopping) const {
  // A stop that closed the port and failed only at writing the trace or log is reported with
  // the files, not as a port that cannot be opened.
  return stopping && !services_.comms->Open();
}

void TfrmMain::ReportRecorderFiles() {
  const std::vector<TRecorderFile> files = services_.comms->RecorderFiles();
  if (files.empty()) return;
  std::string text = "Stopp!";
  bool failed = false;
  for (const TRecorderFile& f : files) {
    if (f.written)
      text += " " + f.name + " geschrieben.";
    else if (f.error.empty())
      text += " " + f.name + " leer, nicht geschrieben.";
    else
      text += " " + f.name + " nicht geschrieben: " + Trim(f.error) + ".";
    failed = failed || !f.error.empty();
  }
  SetStatusText(text);
  if (failed && services_.sound != nullptr) services_.sound->Beep(110, 500);
}

void TfrmMain::ReportStartFailure(const std::string& cause) {
  if (services_.sound != nullptr) services_.sound->Beep(440, 100);
  if (services_.boxes == nullptr) return;
  std::string text = Format(
      "Kann COM%d nicht \xF6"
      "ffnen!\n Falscher Port? In Gebrauch?",
      static_cast<int>(services_.comms->ComNumber()));
  // The port's own reason tells in use from missing, and a missing permission from both.
  if (const std::string reason = Trim(cause); !reason.empty()) text += "\n\n" + reason;
  services_.boxes->ShowMessageBox("Warnung", text, TMessageKind::Warning);
}

bool TfrmMain::RefuseStart() {
  // A capture whose keys go nowhere would show every reading as sent.
  const std::string problem = services_.typingProblem ? services_.typingProblem() : std::string();
  if (problem.empty()) return false;
  if (services_.sound != nullptr) services_.sound->Beep(440, 100);
  if (services_.boxes != nullptr) {
    services_.boxes->ShowMessageBox("Warnung",
                                    "Start nicht m\xF6glich: Tastendr\xFC"
                                    "cke erreichen kein Programm.\n" +
                                        problem,
                                    TMessageKind::Warning);
  }
  return true;
}

void TfrmMain::showRunState() {
  const bool open = services_.comms != nullptr && services_.comms->Open();
  if (open) {
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    BitBtn2->setText(QStringLiteral("Stop"));
    timer->start();
    deviceLostReported_ = false;
    deviceReturns_ = services_.comms->DeviceReturns();
    setLED(*this, ledNoTarget, "***Morvisk***");
    SetStatusText("Start!");
  } else {
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    BitBtn2->setText(QStringLiteral("Start"));
    timer->stop();
    SetStatusText("Stopp!");
    setLED(*this, ledInactive, "<inaktiv>");
  }
  const bool menusEnabled = !timer->isActive();
  for (QMenu* m : {menFile, menConfig, menHelp}) m->menuAction()->setEnabled(menusEnabled);
}

bool TfrmMain::IsOwnWindow(uint64_t window) const {
  const QWidget* own[] = {this, services_.serOptionForm, services_.prgOptionForm};
  for (const QWidget* w : own) {
    // Only windows that exist natively can be in front; asking others would create them.
    if (w != nullptr && w->internalWinId() != 0 && w->internalWinId() == window) return true;
  }
  return false;
}

bool TfrmMain::OwnWindowActive() const {
  const QWidget* active = services_.activeWindow ? services_.activeWindow() : nullptr;
  return active != nullptr &&
         (active == this || active == services_.serOptionForm || active == services_.prgOptionForm);
}

void TfrmMain::timerTimer() {
  if (services_.foreground == nullptr) return;
  IForegroundWindow& desktop = *services_.foreground;
  const WindowId window = desktop.Foreground();
  TColor color = ledNoTarget;
  std::string text;
  if (OwnWindowActive()) {
    text = "***Morvisk***";
  } else if (window == 0 || !desktop.IsWindow(window)) {
    text = "<Kein Fenster>";
  } else if (IsOwnWindow(window)) {
    text = "***Morvisk***";
  } else {
    const std::string title = desktop.Title(window, kTitleChars);
    text = title.empty() ? std::string("<Fenster ohne Titel>") : Trim(title);
    color = ledTarget;
  }
  setLED(*this, color, text);
  ReportLostDevice();
}

void TfrmMain::ReportLostDevice() {
  // An unplugged adapter sends nothing until it is back, and capture then goes on by itself:
  // say both once, instead of letting readings go missing without a word.
  if (services_.comms == nullptr) return;
  const uint32_t returns = services_.comms->DeviceReturns();
  if (returns != deviceReturns_) {
    deviceReturns_ = returns;
    deviceLostReported_ = false;
    SetStatusText(Format("Verbindung zu COM%d wiederhergestellt.", services_.comms->ComNumber()));
    return;
  }
  if (deviceLostReported_ || !services_.comms->DeviceLost()) return;
  deviceLostReported_ = true;
  SetStatusText(
      Format("Verbindung zu COM%d unterbrochen! Warte, bis das Ger\xE4t wieder angeschlossen "
             "ist.",
             services_.comms->ComNumber()));
  if (services_.sound != nullptr) services_.sound->Beep(110, 500);
}

TColor TResultView::LedColor() const {
  if (form_.LedColor() == ledTarget) form_.timerTimer();
  return form_.LedColor();
}

void TfrmMain::menFileIQClick() {
  if (services_.generateIqReport) services_.generateIqReport();
}

void TfrmMain::menConfigPortClick() {
  if (services_.serOptionForm != nullptr) services_.serOptionForm->show();
}

void TfrmMain::Options1Click() {
  if (services_.prgOptionForm != nullptr) services_.prgOptionForm->show();
}

void TfrmMain::menConfigSaveClick() {
  if (services_.saveConfig) services_.saveConfig();
}

void TfrmMain::menConfigLoadClick() {
  if (services_.loadConfig) services_.loadConfig();
}

void TfrmMain::menHelpAppClick() {
  ApplicationHelpViewer().ShowTopic("overview");
}

void TfrmMain::menHelpAboutClick() {
  if (services_.frmAbout != nullptr) services_.frmAbout->show();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  // The help and preview windows have no parent, and the program would otherwise wait for them
  // while readings went on being typed into whatever is in front.
  timer->stop();
  if (services_.comms != nullptr && services_.comms->Open()) {
    try {
      services_.comms->SetOpen(false);
    } catch (...) {
      // The port component closes the device when it goes away at the end of the program.
    }
  }
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
