#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "gui/app/PortControl.h"
#include "platform/fake/FakeForegroundWindow.h"
#include "platform/fake/FakeKeyInjector.h"
#include "platform/fake/FakeSound.h"
#include "tests/app/FakeFilterOptions.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

class FakePort : public IPortControl {
 public:
  bool Open() const override { return open; }
  void SetOpen(bool v) override {
    ++switches;
    if (fail) throw std::runtime_error("device refused");
    open = v;
    // The port closes, then raises what writing a recorder file raised.
    if (!v && failFile) throw std::runtime_error("File access denied");
  }
  uint16_t ComNumber() const override { return comNumber; }
  char ReadChar() override {
    if (pending.empty()) throw std::runtime_error("Buffer is empty");
    const char c = pending.front();
    pending.erase(0, 1);
    return c;
  }
  uint32_t InputCount() override { return static_cast<uint32_t>(pending.size()); }
  bool DeviceLost() override { return open && lost; }
  uint32_t DeviceReturns() override { return open ? returns : 0; }
  std::vector<TRecorderFile> RecorderFiles() const override {
    if (open) return {};
    return files;
  }

  bool open = false;
  bool lost = false;
  uint32_t returns = 0;
  bool fail = false;
  bool failFile = false;
  std::vector<TRecorderFile> files;
  int switches = 0;
  uint16_t comNumber = 1;
  std::string pending;
};

struct Box {
  std::string title, text;
  TMessageKind kind;
};

class FakeBoxes : public IMessageBoxes {
 public:
  void ShowMessageBox(const std::string& title, const std::string& text,
                      TMessageKind kind) override {
    shown.push_back({title, text, kind});
  }
  std::vector<Box> shown;
};

class MainformTest : public ::testing::Test {
 protected:
  MainformTest() {
    serOptions.setWindowTitle(QStringLiteral("Tarvolin: Schnittstelle konfigurieren"));
    prgOptions.setWindowTitle(QStringLiteral("Tarvolin: Filter konfigurieren"));
    about.setWindowTitle(QStringLiteral("Tarvolin: \u00dcber"));
    TfrmMain::TServices s;
    s.comms = &port;
    s.sound = &sound;
    s.foreground = &desktop;
    s.boxes = &boxes;
    s.serOptionForm = &serOptions;
    s.prgOptionForm = &prgOptions;
    s.frmAbout = &about;
    s.saveConfig = [this] { ++saves; };
    s.loadConfig = [this] { ++loads; };
    s.generateIqReport = [this] { ++reports; };
    s.typingProblem = [this] { return typingProblem; };
    s.activeWindow = [this] { return active; };
    form.SetServices(s);
    form.showRunState();
  }

  template <typename T>
  T* Child(const char* name) {
    return FindChild<T>(form, name);
  }
  QPushButton* Button() { return Child<QPushButton>("BitBtn2"); }
  QTimer* Timer() { return Child<QTimer>("timer"); }
  bool MenusEnabled() {
    const bool file = Child<QMenu>("menFile")->menuAction()->isEnabled();
    const bool config = Child<QMenu>("menConfig")->menuAction()->isEnabled();
    const bool help = Child<QMenu>("menHelp")->menuAction()->isEnabled();
    EXPECT_TRUE(file == config && config == help);
    return file && config && help;
  }
  bool ShowsGlyph(QStyle::StandardPixmap which) {
    const QImage shown = Button()->icon().pixmap(16).toImage();
    return !shown.isNull() && shown == form.style()->standardIcon(which).pixmap(16).toImage();
  }
  QColor PanelColour() { return Child<QLabel>("pnlLED")->palette().color(QPalette::Window); }
  // A window of the fake desktop that stands for one of the program's own windows.
  void Front(QWidget& w) {
    const auto id = static_cast<WindowId>(w.winId());
    desktop.SetWindow(id, ToCp1252(w.windowTitle()));
    desktop.SetForeground(id);
  }
  void Front(WindowId id, const std::string& title) {
    desktop.SetWindow(id, title);
    desktop.SetForeground(id);
  }

  QApplication& app = App();  // before the windows
  FakePort port;
  FakeSound sound;
  FakeForegroundWindow desktop;
  FakeBoxes boxes;
  QWidget serOptions, prgOptions, about;
  int saves = 0, loads = 0, reports = 0;
  std::string typingProblem;
  const QWidget* active = nullptr;  // the toolkit's active window
  TfrmMain form;
};

TEST_F(MainformTest, ControlsMenusAndGeometry) {
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tarvolin"));
  auto* lblCaptured = Child<QLabel>("lblCaptured");
  auto* lblFiltered = Child<QLabel>("lblFiltered");
  EXPECT_EQ(lblCaptured->text(), QStringLiteral("Erfasst: "));
  EXPECT_EQ(lblCaptured->buddy(), Child<QLineEdit>("edtCapt"));
  EXPECT_EQ(lblFiltered->text(), QStringLiteral("Gefiltert: "));
  EXPECT_EQ(lblFiltered->buddy(), Child<QLineEdit>("edtFilt"));
  EXPECT_TRUE(Child<QLineEdit>("edtCapt")->isReadOnly());
  EXPECT_TRUE(Child<QLineEdit>("edtFilt")->isReadOnly());
  EXPECT_TRUE(Child<QLabel>("pnlLED")->font().bold());
  EXPECT_EQ(Timer()->interval(), 500);
  EXPECT_NE(form.findChild<QStatusBar*>(QStringLiteral("StatusBar")), nullptr);
  EXPECT_EQ(form.property("HelpContext").toInt(), 6);

  // Client area below the menu bar: 376 x 126 as designed, 126..158 high, the width free.
  const int menuBar = form.menuBar()->sizeHint().height();
  EXPECT_EQ(form.size(), QSize(376, 126 + menuBar));
  EXPECT_EQ(form.minimumHeight(), 126 + menuBar);
  EXPECT_EQ(form.maximumHeight(), 158 + menuBar);
  EXPECT_LE(form.minimumWidth(), 200);
  form.show();
  const int fieldWidth = Child<QLineEdit>("edtFilt")->width();
  const int panelWidth = Child<QLabel>("pnlLED")->width();
  form.resize(600, form.height());
  QApplication::processEvents();
  EXPECT_EQ(Child<QLineEdit>("edtFilt")->width(), fieldWidth + 224);
  EXPECT_EQ(Child<QLineEdit>("edtCapt")->width(), fieldWidth + 224);
  EXPECT_EQ(Child<QLabel>("pnlLED")->width(), panelWidth + 224);
  // A long window title must not widen the window.
  form.SetLedText(std::string(79, 'W'));
  QApplication::processEvents();
  EXPECT_EQ(form.width(), 600);
  form.hide();

  struct Item {
    const char* menu;
    int helpContext;
    QStringList captions;
  };
  const Item menus[] = {
      {"menFile", 9, {QStringLiteral("&IQ"), QString(), QStringLiteral("&Ende")}},
      {"menConfig",
       10,
       {QStringLiteral("&Port"), QStringLiteral("&Filter"), QString(), QStringLiteral("&Speichern"),
        QStringLiteral("&Laden")}},
      {"menHelp", 26, {QStringLiteral("&Anwendung"), QString(), QStringLiteral("&\u00dcber")}},
  };
  QStringList titles;
  for (QAction* a : form.menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{QStringLiteral("&Datei"), QStringLiteral("&Konfiguration"),
                                 QStringLiteral("&Hilfe")}));
  for (const Item& m : menus) {
    auto* menu = Child<QMenu>(m.menu);
    EXPECT_EQ(menu->property("HelpContext").toInt(), m.helpContext) << m.menu;
    QStringList captions;
    for (QAction* a : menu->actions()) captions << (a->isSeparator() ? QString() : a->text());
    EXPECT_EQ(captions, m.captions) << m.menu;
  }
  const QStringList names{QStringLiteral("menFileIQ"),     QStringLiteral("menFileExit"),
                          QStringLiteral("menConfigPort"), QStringLiteral("menConfigFilter"),
                          QStringLiteral("menConfigSave"), QStringLiteral("menConfigLoad"),
                          QStringLiteral("menHelpApp"),    QStringLiteral("menHelpAbout")};
  for (const QString& n : names) EXPECT_NE(form.findChild<QAction*>(n), nullptr) << n.toStdString();
  EXPECT_EQ(form.findChild<QAction*>(QStringLiteral("menFileExit"))->statusTip(),
            QStringLiteral("Schlie\u00dft das Program"));
}

TEST_F(MainformTest, StartAndStopFollowThePortState) {
  EXPECT_EQ(Button()->text(), QStringLiteral("Start"));
  EXPECT_TRUE(ShowsGlyph(QStyle::SP_DialogApplyButton));
  EXPECT_FALSE(Timer()->isActive());
  EXPECT_TRUE(MenusEnabled());
  EXPECT_EQ(form.StatusText(), "Stopp!");
  EXPECT_EQ(form.LedColor(), ledInactive);
  EXPECT_EQ(form.LedText(), "<inaktiv>");
  EXPECT_EQ(PanelColour(), QColor(0, 80, 0));

  Button()->click();
  EXPECT_TRUE(port.open);
  EXPECT_EQ(Button()->text(), QStringLiteral("Stop"));
  EXPECT_TRUE(ShowsGlyph(QStyle::SP_DialogCancelButton));
  EXPECT_TRUE(Timer()->isActive());
  EXPECT_FALSE(MenusEnabled());
  EXPECT_EQ(form.StatusText(), "Start!");
  EXPECT_EQ(form.LedColor(), ledNoTarget);
  EXPECT_EQ(form.LedText(), "***Morvisk***");
  EXPECT_EQ(PanelColour(), QColor(255, 160, 0));

  Button()->click();
  EXPECT_FALSE(port.open);
  EXPECT_EQ(Button()->text(), QStringLiteral("Start"));
  EXPECT_TRUE(ShowsGlyph(QStyle::SP_DialogApplyButton));
  EXPECT_FALSE(Timer()->isActive());
  EXPECT_TRUE(MenusEnabled());
  EXPECT_EQ(form.StatusText(), "Stopp!");
  EXPECT_EQ(form.LedText(), "<inaktiv>");
  EXPECT_TRUE(sound.Tones().empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainformTest, FailedStartBeepsWarnsAndStaysStopped) {
  port.fail = true;
  port.comNumber = 7;
  Button()->click();
  EXPECT_EQ(port.switches, 1);
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{440, 100}}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Warnung");
  // The port's reason follows the program's own words.
  EXPECT_EQ(boxes.shown[0].text,
            "Kann COM7 nicht \xF6"
            "ffnen!\n Falscher Port? In Gebrauch?\n\ndevice refused");
  EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
  EXPECT_EQ(Button()->text(), QStringLiteral("Start"));
  EXPECT_FALSE(Timer()->isActive());
  EXPECT_TRUE(MenusEnabled());
  EXPECT_EQ(form.StatusText(), "Stopp!");
  EXPECT_EQ(form.LedText(), "<inaktiv>");

  // A failed Stop leaves capture running.
  port.fail = false;
  Button()->click();
  port.fail = true;
  Button()->click();
  EXPECT_TRUE(port.open);
  EXPECT_EQ(Button()->text(), QStringLiteral("Stop"));
  EXPECT_TRUE(Timer()->isActive());
  EXPECT_FALSE(MenusEnabled());
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(MainformTest, AStopNamesTheTraceAndLogFilesOrWhyOneWasNotWritten) {
  form.show();
  const int width = form.width();
  Button()->click();
  const std::string dir(60, 'd');
  port.files = {{"/" + dir + "/APRO.TRC", true, ""}, {"/" + dir + "/APRO.LOG", true, ""}};
  Button()->click();
  QApplication::processEvents();
  EXPECT_EQ(form.StatusText(),
            "Stopp! /" + dir + "/APRO.TRC geschrieben. /" + dir + "/APRO.LOG geschrieben.");
  EXPECT_EQ(form.width(), width) << "a long status text does not widen the window";
  EXPECT_TRUE(sound.Tones().empty());

  // The port closed but a file could not be written: stopped all the same, with the low tone
  // and without the box of a port that cannot be opened.
  Button()->click();
  port.failFile = true;
  port.files = {{"/ro/APRO.TRC", false, "File access denied"}, {"/ro/APRO.LOG", false, ""}};
  Button()->click();
  EXPECT_FALSE(port.open);
  EXPECT_EQ(Button()->text(), QStringLiteral("Start"));
  EXPECT_TRUE(MenusEnabled());
  EXPECT_EQ(form.StatusText(),
            "Stopp! /ro/APRO.TRC nicht geschrieben: File access denied. /ro/APRO.LOG leer, nicht "
            "geschrieben.");
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{110, 500}}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainformTest, StartIsRefusedWithTheCauseWhenKeysCanReachNoProgram) {
  typingProblem = "Dem X-Server \":1\" fehlt die Erweiterung XTEST.";
  Button()->click();
  EXPECT_EQ(port.switches, 0) << "the port was opened";
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{440, 100}}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Warnung");
  EXPECT_EQ(boxes.shown[0].text,
            "Start nicht m\xF6glich: Tastendr\xFC"
            "cke erreichen kein Programm.\nDem X-Server \":1\" fehlt die Erweiterung XTEST.");
  EXPECT_EQ(Button()->text(), QStringLiteral("Start"));
  EXPECT_EQ(form.LedText(), "<inaktiv>");

  // Once keys can be typed again, Start opens the port.
  typingProblem.clear();
  Button()->click();
  EXPECT_TRUE(port.open);
}

TEST_F(MainformTest, AnUnpluggedDeviceAndItsReturnAreReportedOnce) {
  Button()->click();
  form.timerTimer();
  EXPECT_EQ(form.StatusText(), "Start!");

  port.comNumber = 3;
  port.lost = true;
  form.timerTimer();
  const std::string lost =
      "Verbindung zu COM3 unterbrochen! Warte, bis das Ger\xE4t wieder angeschlossen ist.";
  EXPECT_EQ(form.StatusText(), lost);
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{110, 500}}));

  // Later ticks leave a message the user may have overwritten alone and stay quiet.
  form.SetStatusText("Konfiguration geladen");
  form.timerTimer();
  EXPECT_EQ(form.StatusText(), "Konfiguration geladen");
  EXPECT_EQ(sound.Tones().size(), 1u);

  // Capture goes on by itself once the device is back.
  port.lost = false;
  port.returns = 1;
  form.timerTimer();
  EXPECT_EQ(form.StatusText(), "Verbindung zu COM3 wiederhergestellt.");
  form.SetStatusText("");
  form.timerTimer();
  EXPECT_EQ(form.StatusText(), "");
  port.lost = true;
  form.timerTimer();
  EXPECT_EQ(form.StatusText(), lost) << "lost again";
  EXPECT_EQ(sound.Tones().size(), 2u);

  // After Stop and Start with the device still gone it is reported again.
  Button()->click();
  Button()->click();
  form.timerTimer();
  EXPECT_EQ(form.StatusText(), lost);
  EXPECT_EQ(sound.Tones().size(), 3u);
}

// Desktops that tell no window ids (Wayland) name some window, or none, while the program's own
// is active: the toolkit's word decides.
TEST_F(MainformTest, AnOwnWindowTheToolkitKnowsActiveIsNeverATarget) {
  Button()->click();
  const std::pair<const QWidget*, std::string> cases[] = {
      {&form, "***Morvisk***"}, {&serOptions, "***Morvisk***"}, {&prgOptions, "***Morvisk***"},
      {&about, "Editor"},  // not one of the three
      {nullptr, "Editor"},
  };
  for (const auto& [window, text] : cases) {
    for (const WindowId front : {WindowId{501}, WindowId{0}}) {
      active = window;
      Front(501, "Editor");
      desktop.SetForeground(front);
      form.timerTimer();
      const std::string expected =
          window == nullptr || window == &about ? (front == 0 ? "<Kein Fenster>" : text) : text;
      EXPECT_EQ(form.LedText(), expected) << text << " with window " << front << " in front";
      EXPECT_EQ(form.LedColor(), expected == "Editor" ? ledTarget : ledNoTarget);
    }
  }
}

TEST_F(MainformTest, IndicatorFollowsTheForegroundWindow) {
  Button()->click();
  struct Case {
    std::function<void()> arrange;
    TColor color;
    std::string text;
  };
  const Case cases[] = {
      {[&] { desktop.SetForeground(0); }, ledNoTarget, "<Kein Fenster>"},
      {[&] { desktop.SetForeground(4711); }, ledNoTarget, "<Kein Fenster>"},  // vanished
      {[&] { Front(form); }, ledNoTarget, "***Morvisk***"},
      {[&] { Front(501, "\t Editor - notes.txt  \r"); }, ledTarget, "Editor - notes.txt"},
      {[&] { Front(serOptions); }, ledNoTarget, "***Morvisk***"},
      {[&] { Front(502, ""); }, ledTarget, "<Fenster ohne Titel>"},
      {[&] { Front(prgOptions); }, ledNoTarget, "***Morvisk***"},
      {[&] { Front(503, "   "); }, ledTarget, "<kein Titel>"},
      {[&] { Front(about); }, ledTarget,
       "Tarvolin: \xDC"
       "ber"},  // not one of the three
      {[&] { Front(504, "Tabelle " + std::string(100, 'x')); }, ledTarget,
       "Tabelle " + std::string(71, 'x')},
  };
  for (const Case& c : cases) {
    c.arrange();
    form.timerTimer();
    EXPECT_EQ(form.LedColor(), c.color) << c.text;
    EXPECT_EQ(form.LedText(), c.text);
  }
  EXPECT_EQ(PanelColour(), QColor(0, 255, 0));

  // A tick that finds the same window assigns nothing; another window assigns both.
  Front(505, "Rechner");
  form.timerTimer();
  const int assigned = form.LedAssignments();
  form.timerTimer();
  form.timerTimer();
  EXPECT_EQ(form.LedAssignments(), assigned);
  Front(form);
  form.timerTimer();
  EXPECT_EQ(form.LedAssignments(), assigned + 2);

  // Stop puts the stopped indicator back whatever was in front.
  Front(505, "Rechner");
  form.timerTimer();
  Button()->click();
  EXPECT_EQ(form.LedColor(), ledInactive);
  EXPECT_EQ(form.LedText(), "<inaktiv>");
}

TEST_F(MainformTest, ResultsAreTypedOnlyWhileAForeignWindowIsInFront) {
  struct Pump : IEventPump {
    void ProcessMessages() override { QApplication::processEvents(); }
  } pump;
  struct Source : ICharSource {
    explicit Source(IPortControl& p) : port(p) {}
    char ReadChar() override { return port.ReadChar(); }
    int32_t InputCount() override { return static_cast<int32_t>(port.InputCount()); }
    IPortControl& port;
  } source(port);
  FakeFilterOptions filter;
  struct Errors : IErrorDisplay {
    void ShowException(const Exception& e) override { ADD_FAILURE() << e.Message(); }
  } errors;
  FakeKeyInjector injector;
  TKeystrokes keys(injector);
  TResultView view(form);
  TResultFilter results({filter, view, source, keys, sound, pump, errors});
  const std::string reading = "+   12.345 g\r\n";
  auto receive = [&] {
    port.pending = reading;
    results.processReceived(static_cast<uint16_t>(reading.size()));
  };

  // Right after Start the indicator says "own window": a foreign window that came to the front
  // before the next tick does not get the result yet.
  Button()->click();
  Front(601, "Tabelle1 - Calc");
  receive();
  EXPECT_EQ(form.CaptText(), reading);
  EXPECT_EQ(form.FiltText(), "12.345 (nicht gesendet)");
  EXPECT_EQ(injector.Typed(), "");

  form.timerTimer();
  receive();
  EXPECT_EQ(form.FiltText(), "12.345");
  EXPECT_EQ(injector.Typed(), "12.345\r");

  // Switching into the filter dialog between two ticks must not type the result into its fields.
  Front(prgOptions);
  receive();
  EXPECT_EQ(form.FiltText(), "12.345 (nicht gesendet)");
  EXPECT_EQ(injector.Typed(), "12.345\r");
  EXPECT_EQ(form.LedColor(), ledNoTarget);
  EXPECT_EQ(form.LedText(), "***Morvisk***");

  // Another foreign window between two ticks receives it, and the indicator names it.
  Front(601, "Tabelle1 - Calc");
  form.timerTimer();
  Front(602, "Protokoll");
  receive();
  EXPECT_EQ(injector.Typed(), "12.345\r12.345\r");
  EXPECT_EQ(form.LedText(), "Protokoll");
}

TEST_F(MainformTest, MenuCommandsOpenTheirWindows) {
  form.findChild<QAction*>(QStringLiteral("menConfigPort"))->trigger();
  EXPECT_TRUE(serOptions.isVisible());
  form.findChild<QAction*>(QStringLiteral("menConfigFilter"))->trigger();
  EXPECT_TRUE(prgOptions.isVisible());
  form.findChild<QAction*>(QStringLiteral("menHelpAbout"))->trigger();
  EXPECT_TRUE(about.isVisible());
  form.findChild<QAction*>(QStringLiteral("menConfigSave"))->trigger();
  form.findChild<QAction*>(QStringLiteral("menConfigLoad"))->trigger();
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(loads, 1);

  form.findChild<QAction*>(QStringLiteral("menFileIQ"))->trigger();
  EXPECT_EQ(reports, 1);

  // Ende closes the main window without asking.
  form.show();
  form.findChild<QAction*>(QStringLiteral("menFileExit"))->trigger();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainformTest, ClosingTheMainWindowStopsCaptureAndClosesEveryOtherWindow) {
  form.show();
  serOptions.show();
  QWidget preview;  // a report's preview window: it has no parent
  preview.show();
  Button()->click();
  ASSERT_TRUE(port.open);
  ApplicationHelpViewer().ShowTopic("overview");  // F1 while capturing: a window without parent

  form.close();
  EXPECT_FALSE(port.open);
  EXPECT_FALSE(Timer()->isActive());
  EXPECT_FALSE(serOptions.isVisible());
  EXPECT_FALSE(ApplicationHelpViewer().isVisible());
  EXPECT_FALSE(preview.isVisible());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainformTest, F1ShowsTheHelpContextOfTheWindowOrMenu) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("Tarvolin.hlp"));
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><a name=\"overview\"></a>Tarvolin</body></html>");
  }
  SetApplicationHelpFile(file);
  auto f1 = [](QWidget* receiver) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(receiver, &press);
    return ApplicationHelpViewer().windowTitle();
  };
  auto missing = [](const char* anchor) {
    return QStringLiteral("Tarvolin: Hilfe (Thema \"%1\" nicht gefunden)")
        .arg(QString::fromLatin1(anchor));
  };
  // The document here has only the overview, so each lookup names the context it looked for.
  EXPECT_EQ(f1(Child<QLineEdit>("edtCapt")), missing("ctx6"));
  EXPECT_EQ(f1(Child<QMenu>("menFile")), missing("ctx9"));
  EXPECT_EQ(f1(Child<QMenu>("menConfig")), missing("ctx10"));
  EXPECT_EQ(f1(Child<QMenu>("menHelp")), missing("ctx26"));
  serOptions.setProperty("HelpContext", 3);
  EXPECT_EQ(f1(&serOptions), missing("ctx3"));

  form.findChild<QAction*>(QStringLiteral("menHelpApp"))->trigger();
  EXPECT_TRUE(ApplicationHelpViewer().Found());
  EXPECT_EQ(ApplicationHelpViewer().windowTitle(), QStringLiteral("Tarvolin: Hilfe"));
  ApplicationHelpViewer().hide();
}

}  // namespace
