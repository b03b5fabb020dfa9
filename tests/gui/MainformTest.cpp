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

#include "app/PortControl.h"
#include "gui/QtText.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "platform/fake/FakeForegroundWindow.h"
#include "platform/fake/FakeSound.h"
#include "tests/gui/support/QtTestSupport.h"

namespace {

class FakePort : public IPortControl {
 public:
  bool Open() const override { return open; }
  void SetOpen(bool v) override { open = v; }
  uint16_t ComNumber() const override { return 1; }
  char ReadChar() override { throw std::runtime_error("Buffer is empty"); }
  uint32_t InputCount() override { return 0; }
  bool DeviceLost() override { return false; }
  std::vector<TRecorderFile> RecorderFiles() const override { return {}; }

  bool open = false;
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

  QApplication& app = App();  // before the windows
  FakePort port;
  FakeSound sound;
  FakeForegroundWindow desktop;
  FakeBoxes boxes;
  QWidget serOptions, prgOptions, about;
  int saves = 0, loads = 0, reports = 0;
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
  form.SetStatusText("Stopp! /" + std::string(120, 'd') + "/APRO.TRC geschrieben.");
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
  EXPECT_EQ(PanelColour(), QColor(0, 80, 0));

  Button()->click();
  EXPECT_TRUE(port.open);
  EXPECT_EQ(Button()->text(), QStringLiteral("Stop"));
  EXPECT_TRUE(ShowsGlyph(QStyle::SP_DialogCancelButton));
  EXPECT_TRUE(Timer()->isActive());
  EXPECT_FALSE(MenusEnabled());
  EXPECT_EQ(form.LedText(), "***Morvisk***");
  EXPECT_EQ(PanelColour(), QColor(255, 160, 0));

  Button()->click();
  EXPECT_FALSE(port.open);
  EXPECT_EQ(Button()->text(), QStringLiteral("Start"));
  EXPECT_TRUE(ShowsGlyph(QStyle::SP_DialogApplyButton));
  EXPECT_FALSE(Timer()->isActive());
  EXPECT_TRUE(MenusEnabled());
}

TEST_F(MainformTest, OwnWindowsInFrontAreRecognisedByTheirWindowIds) {
  Button()->click();
  struct Case {
    QWidget* window;
    TColor color;
  };
  const Case cases[] = {{&form, ledNoTarget},
                        {&serOptions, ledNoTarget},
                        {&prgOptions, ledNoTarget},
                        {&about, ledTarget}};  // not one of the three
  for (const Case& c : cases) {
    Front(*c.window);
    form.Controller().timerTimer();
    EXPECT_EQ(form.LedColor(), c.color) << c.window->windowTitle().toStdString();
  }
  EXPECT_EQ(PanelColour(), QColor(0, 255, 0));
  EXPECT_EQ(form.LedText(),
            "Tarvolin: \xDC"
            "ber");
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
