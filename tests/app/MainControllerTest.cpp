// The main window's controller against a recording window, port and desktop: what Start and Stop
// do and say, the indicator's classes, lost devices and the menu commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "app/Mainform.h"
#include "app/PortControl.h"
#include "tests/app/Fakes.h"

namespace {

struct FakeWindow : FakeMainView, IMainWindowView {
  // IMainView through the recording base.
  int32_t Left() const override { return FakeMainView::Left(); }
  int32_t Top() const override { return FakeMainView::Top(); }
  void SetLeft(int32_t v) override { FakeMainView::SetLeft(v); }
  void SetTop(int32_t v) override { FakeMainView::SetTop(v); }
  void SetCaption(const std::string& c) override { FakeMainView::SetCaption(c); }
  void SetStatusText(const std::string& t) override { FakeMainView::SetStatusText(t); }
  void SetCaptText(const std::string& t) override { FakeMainView::SetCaptText(t); }
  void SetFiltText(const std::string& t) override { FakeMainView::SetFiltText(t); }
  TColor LedColor() const override { return FakeMainView::LedColor(); }
  void SetLedColor(TColor c) override { FakeMainView::SetLedColor(c); }
  std::string LedText() const override { return FakeMainView::LedText(); }
  void SetLedText(const std::string& t) override { FakeMainView::SetLedText(t); }
  void showRunState() override {}

  void ShowRunButton(bool on) override { capturingButton = on; }
  void SetTimerEnabled(bool on) override { timer = on; }
  void SetMenusEnabled(bool on) override { menus = on; }
  bool OwnWindowInFront(WindowId w) const override { return w == 1 || w == 2 || w == 3; }
  bool OwnWindowActive() const override { return active; }
  void ShowPortSettings() override { shown.push_back("port"); }
  void ShowFilterSettings() override { shown.push_back("filter"); }
  void ShowAbout() override { shown.push_back("about"); }
  void ShowHelpTopic(const std::string& topic) override { shown.push_back("help:" + topic); }
  void CloseWindow() override { shown.push_back("close"); }

  bool capturingButton = false, timer = false, menus = true;
  bool active = false;  // the toolkit's word
  std::vector<std::string> shown;
};

struct FakePort : IPortControl {
  bool Open() const override { return open; }
  void SetOpen(bool v) override {
    ++switches;
    if (fail) throw std::runtime_error(" device refused ");
    open = v;
    // The port closes, then raises what writing a recorder file raised.
    if (!v && failFile) throw std::runtime_error("File access denied");
  }
  uint16_t ComNumber() const override { return comNumber; }
  char ReadChar() override { throw std::runtime_error("Buffer is empty"); }
  uint32_t InputCount() override { return 0; }
  bool DeviceLost() override { return open && lost; }
  uint32_t DeviceReturns() override { return open ? returns : 0; }
  std::vector<TRecorderFile> RecorderFiles() const override {
    return open ? std::vector<TRecorderFile>{} : files;
  }

  bool open = false, lost = false, fail = false, failFile = false;
  uint32_t returns = 0;
  int switches = 0;
  uint16_t comNumber = 1;
  std::vector<TRecorderFile> files;
};

struct FakeDesktop : IForegroundWindow {
  WindowId Foreground() override { return front; }
  bool IsWindow(WindowId w) override { return titles.count(w) != 0; }
  std::string Title(WindowId w, int maxChars) override {
    return titles[w].substr(0, static_cast<size_t>(maxChars));
  }
  WindowId front = 0;
  std::map<WindowId, std::string> titles{{1, "Tarvolin"}, {2, "Schnittstelle"}, {3, "Filter"}};
};

class MainController : public ::testing::Test {
 protected:
  MainController() {
    TMainServices s;
    s.comms = &port;
    s.sound = &sound;
    s.foreground = &desktop;
    s.boxes = &boxes;
    s.saveConfig = [this] { calls.push_back("save"); };
    s.loadConfig = [this] { calls.push_back("load"); };
    s.generateIqReport = [this] { calls.push_back("iq"); };
    s.typingProblem = [this] { return typingProblem; };
    main.SetServices(s);
    main.showRunState();
  }
  void Front(WindowId id, const std::string& title) {
    desktop.titles[id] = title;
    desktop.front = id;
  }
  void ExpectStopped(const std::string& status = "Stopp!") {
    EXPECT_FALSE(window.capturingButton);
    EXPECT_FALSE(window.timer);
    EXPECT_TRUE(window.menus);
    EXPECT_EQ(window.Status(), status);
    EXPECT_EQ(window.ledColor, ledInactive);
    EXPECT_EQ(window.ledText, "<inaktiv>");
  }
  void ExpectCapturing() {
    EXPECT_TRUE(window.capturingButton);
    EXPECT_TRUE(window.timer);
    EXPECT_FALSE(window.menus);
  }

  FakeWindow window;
  FakePort port;
  FakeSound sound;
  FakeDesktop desktop;
  FakeBoxes boxes;
  std::vector<std::string> calls;
  std::string typingProblem;
  TMainController main{window};
};

const std::string kLost =
    "Verbindung zu COM3 unterbrochen! Warte, bis das Ger\xE4t wieder angeschlossen ist.";

TEST(MainPanel, TextIsLightOnlyOnDarkColours) {
  const struct {
    TColor Background;
    bool Light;
  } cases[] = {
      {ledInactive, true}, {ledNoTarget, false},
      {ledTarget, false},  {0x800000, true},  // dark blue: blue counts least
      {0x00FFFF, false},                      // yellow
  };
  for (const auto& c : cases) EXPECT_EQ(LightTextOn(c.Background), c.Light) << c.Background;
}

TEST_F(MainController, StartAndStopSetTheRunState) {
  ExpectStopped();
  main.btnMessClick();
  EXPECT_TRUE(port.open);
  ExpectCapturing();
  EXPECT_EQ(window.Status(), "Start!");
  EXPECT_EQ(window.ledColor, ledNoTarget);
  EXPECT_EQ(window.ledText, "***Morvisk***");

  main.btnMessClick();
  EXPECT_FALSE(port.open);
  ExpectStopped();
  EXPECT_TRUE(sound.Tones().empty());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainController, AFailedStartBeepsWarnsWithThePortAndItsReasonAndStaysStopped) {
  port.fail = true;
  port.comNumber = 7;
  main.btnMessClick();
  EXPECT_EQ(port.switches, 1);
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{440, 100}}));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].title, "Warnung");
  EXPECT_EQ(boxes.boxes[0].text,
            "Kann COM7 nicht \xF6"
            "ffnen!\n Falscher Port? In Gebrauch?\n\ndevice refused");
  EXPECT_EQ(boxes.boxes[0].kind, TMessageKind::Warning);
  ExpectStopped();
}

TEST_F(MainController, AFailedStopWarnsAndLeavesCaptureRunning) {
  main.btnMessClick();
  port.fail = true;
  main.btnMessClick();
  EXPECT_TRUE(port.open);
  ExpectCapturing();
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(sound.Tones().size(), 1u);
}

TEST_F(MainController, StartIsRefusedWithTheCauseWhileKeysReachNoProgram) {
  typingProblem = "Dem X-Server \":1\" fehlt die Erweiterung XTEST.";
  main.btnMessClick();
  EXPECT_EQ(port.switches, 0) << "the port was opened";
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{440, 100}}));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Start nicht m\xF6glich: Tastendr\xFC"
            "cke erreichen kein Programm.\nDem X-Server \":1\" fehlt die Erweiterung XTEST.");
  ExpectStopped();

  typingProblem.clear();
  main.btnMessClick();
  EXPECT_TRUE(port.open);
}

TEST_F(MainController, AStopNamesTheRecorderFilesOrWhyOneWasNotWritten) {
  struct Case {
    const char* why;
    bool failFile;
    std::vector<TRecorderFile> files;
    std::string status;
    size_t lowTones;
  };
  const Case cases[] = {
      {"both written",
       false,
       {{"/d/APRO.TRC", true, ""}, {"/d/APRO.LOG", true, ""}},
       "Stopp! /d/APRO.TRC geschrieben. /d/APRO.LOG geschrieben.",
       0},
      // Closed, but a file could not be written: stopped all the same, with the low tone and
      // without the box of a port that cannot be opened.
      {"one refused, one empty",
       true,
       {{"/ro/APRO.TRC", false, " File access denied "}, {"/ro/APRO.LOG", false, ""}},
       "Stopp! /ro/APRO.TRC nicht geschrieben: File access denied. /ro/APRO.LOG leer, nicht "
       "geschrieben.",
       1},
      {"no recorders", false, {}, "Stopp!", 0},
  };
  for (const Case& c : cases) {
    FakeSound tones;
    TMainServices s;
    s.comms = &port;
    s.sound = &tones;
    s.boxes = &boxes;
    main.SetServices(s);
    port.failFile = false;
    main.btnMessClick();
    port.failFile = c.failFile;
    port.files = c.files;
    main.btnMessClick();
    EXPECT_FALSE(port.open) << c.why;
    ExpectStopped(c.status);
    EXPECT_EQ(tones.Tones().size(), c.lowTones) << c.why;
    EXPECT_TRUE(boxes.boxes.empty()) << c.why;
  }
}

TEST_F(MainController, TheIndicatorClassifiesTheForegroundWindow) {
  main.btnMessClick();
  struct Case {
    WindowId front;
    bool exists;
    std::string title;
    TColor color;
    std::string text;
  };
  const std::string about =
      "Tarvolin: \xDC"
      "ber";
  const Case cases[] = {
      {0, false, "", ledNoTarget, "<Kein Fenster>"},
      {4711, false, "", ledNoTarget, "<Kein Fenster>"},  // vanished
      {1, true, "Tarvolin", ledNoTarget, "***Morvisk***"},
      {501, true, "\t Editor - notes.txt  \r", ledTarget, "Editor - notes.txt"},
      {2, true, "Tarvolin: Schnittstelle konfigurieren", ledNoTarget, "***Morvisk***"},
      {502, true, "", ledTarget, "<Fenster ohne Titel>"},
      {3, true, "Tarvolin: Filter konfigurieren", ledNoTarget, "***Morvisk***"},
      {503, true, "   ", ledTarget, "<kein Titel>"},
      {504, true, about, ledTarget, about},  // the about box is not one of the three
      {505, true, "Tabelle " + std::string(100, 'x'), ledTarget, "Tabelle " + std::string(71, 'x')},
  };
  for (const Case& c : cases) {
    if (c.exists)
      Front(c.front, c.title);
    else
      desktop.front = c.front;
    main.timerTimer();
    EXPECT_EQ(window.ledColor, c.color) << c.text;
    EXPECT_EQ(window.ledText, c.text);
  }

  // Desktops that tell no window ids (Wayland) name some window, or none, while an own window
  // is active: the toolkit's word decides.
  window.active = true;
  for (const WindowId front : {WindowId{0}, WindowId{501}}) {
    Front(front, "Editor");
    main.timerTimer();
    EXPECT_EQ(window.ledText, "***Morvisk***") << front;
    EXPECT_EQ(window.ledColor, ledNoTarget);
  }
  window.active = false;

  // A tick that finds the same window assigns nothing; another window assigns both.
  Front(506, "Rechner");
  main.timerTimer();
  const int assigned = window.ledAssignments;
  main.timerTimer();
  main.timerTimer();
  EXPECT_EQ(window.ledAssignments, assigned);
  desktop.front = 1;
  main.timerTimer();
  EXPECT_EQ(window.ledAssignments, assigned + 2);

  // Stop puts the stopped indicator back whatever is in front.
  Front(506, "Rechner");
  main.timerTimer();
  main.btnMessClick();
  ExpectStopped();
}

TEST_F(MainController, AnUnpluggedDeviceAndItsReturnAreReportedOnce) {
  main.btnMessClick();
  port.comNumber = 3;
  port.lost = true;
  main.timerTimer();
  EXPECT_EQ(window.Status(), kLost);
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{110, 500}}));

  // Later ticks leave a message the user may have overwritten alone and stay quiet.
  const size_t said = window.statusTexts.size();
  main.timerTimer();
  EXPECT_EQ(window.statusTexts.size(), said);
  EXPECT_EQ(sound.Tones().size(), 1u);

  // Capture goes on by itself once the device is back; lost again is said again.
  port.lost = false;
  port.returns = 1;
  main.timerTimer();
  EXPECT_EQ(window.Status(), "Verbindung zu COM3 wiederhergestellt.");
  main.timerTimer();
  EXPECT_EQ(window.statusTexts.size(), said + 1);
  port.lost = true;
  main.timerTimer();
  EXPECT_EQ(window.Status(), kLost);
  EXPECT_EQ(sound.Tones().size(), 2u);

  // After Stop and Start with the device still gone it is reported again.
  main.btnMessClick();
  main.btnMessClick();
  main.timerTimer();
  EXPECT_EQ(window.Status(), kLost);
  EXPECT_EQ(sound.Tones().size(), 3u);
}

TEST_F(MainController, TheResultViewLooksAgainBeforeATargetIsTyped) {
  TResultView results(main);
  main.btnMessClick();
  // Right after Start: an own window is assumed in front until the next tick.
  Front(601, "Tabelle1 - Calc");
  EXPECT_EQ(results.LedColor(), ledNoTarget);
  main.timerTimer();
  // Switched into the filter dialog since the tick: the result is not typed into it.
  desktop.front = 3;
  EXPECT_EQ(results.LedColor(), ledNoTarget);
  EXPECT_EQ(window.ledText, "***Morvisk***");
  // Another foreign window since the tick receives it, and the indicator names it.
  Front(601, "Tabelle1 - Calc");
  main.timerTimer();
  Front(602, "Protokoll");
  EXPECT_EQ(results.LedColor(), ledTarget);
  EXPECT_EQ(window.ledText, "Protokoll");
}

TEST_F(MainController, MenuCommandsReachTheirWindowsAndServices) {
  for (TMainCommand c : {TMainCommand::ConfigPort, TMainCommand::ConfigFilter,
                         TMainCommand::HelpAbout, TMainCommand::HelpApp, TMainCommand::ConfigSave,
                         TMainCommand::ConfigLoad, TMainCommand::FileIQ, TMainCommand::FileExit})
    main.Command(c);
  EXPECT_EQ(window.shown,
            (std::vector<std::string>{"port", "filter", "about", "help:overview", "close"}));
  EXPECT_EQ(calls, (std::vector<std::string>{"save", "load", "iq"}));

  // Every command of the menus is reachable, each once.
  std::vector<TMainCommand> listed;
  for (const TMenuDesign& menu : MainMenus())
    for (const TMenuEntry& e : menu.Entries)
      if (e.Name != nullptr) listed.push_back(e.Command);
  EXPECT_EQ(listed.size(), 8u);
  for (int c = 0; c < 8; ++c)
    EXPECT_EQ(std::count(listed.begin(), listed.end(), static_cast<TMainCommand>(c)), 1) << c;
}

TEST_F(MainController, ClosingStopsCaptureEvenWhenThePortRefuses) {
  main.btnMessClick();
  port.failFile = true;
  main.FormClose();
  EXPECT_FALSE(port.open);
  EXPECT_FALSE(window.timer);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
