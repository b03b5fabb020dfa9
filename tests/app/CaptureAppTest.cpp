#include "app/CaptureApp.h"

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "app/AuditTrailCheck.h"
#include "app/Keystrokes.h"
#include "app/PortSettings.h"
#ifndef _WIN32
#include "platform/posix/SerialPortMap.h"
#endif
#include "tests/app/Fakes.h"
#include "tests/app/TempDir.h"

namespace {

#ifdef _WIN32
const std::string kProgramDir = "C:\\opt\\tarvolin";
constexpr char kDelim = '\\';
#else
const std::string kProgramDir = "/opt/tarvolin";
constexpr char kDelim = '/';
#endif

class CaptureAppTest : public ::testing::Test {
 protected:
  TCaptureApp MakeApp(const std::string& programDir = kProgramDir) {
    return TCaptureApp(TCaptureParts{main, port, filter, comms, boxes, errors, keystrokes},
                       programDir, [this](const std::string& name) -> std::optional<std::string> {
                         auto it = env.find(name);
                         if (it == env.end()) return std::nullopt;
                         return it->second;
                       });
  }
  std::string StartedConfigName(const std::vector<std::string>& params) {
    TCaptureApp app = MakeApp();
    app.startUp(params);
    return app.configName();
  }

  TempDir dir;
  std::map<std::string, std::string> env{{"USERPROFILE", dir.Path()}};
  FakeMainView main;
  FakePortOptions port;
  FakeFilterOptions filter;
  FakeComms comms;
  FakeBoxes boxes;
  FakeErrors errors;
  TKeystrokes* keystrokes = nullptr;
};

const char* const kNeedsOneChar = "Parameter \"/CONFIG=\" erwartet genau 1 Zeichen als Wert!";

TEST_F(CaptureAppTest, ConfigSwitchSelectsTheConfiguration) {
  EXPECT_EQ(StartedConfigName({}), "Tarvolin");
  EXPECT_EQ(StartedConfigName({"/CONFIG=A"}), "TarvolinA");
  EXPECT_EQ(StartedConfigName({"/config=b"}), "TarvolinB");
  EXPECT_EQ(StartedConfigName({"/CONFIG=9"}), "Tarvolin9");
  EXPECT_EQ(StartedConfigName({"/CONFIG=1", "/CONFIG=2"}), "Tarvolin2");
  EXPECT_TRUE(boxes.boxes.empty());

  TCaptureApp app = MakeApp();
  app.startUp({"/CONFIG=A"});
  EXPECT_EQ(app.iniPath(), dir.Path() + kDelim + "TarvolinA.INI");
  EXPECT_EQ(main.caption, "TarvolinA");
}

TEST_F(CaptureAppTest, FaultyConfigSwitchIsReportedAndKeepsTheName) {
  for (const char* bad : {"/CONFIG=0", "/CONFIG=", "/CONFIG=AB", "/CONFIG=#"}) {
    boxes.boxes.clear();
    EXPECT_EQ(StartedConfigName({bad}), "Tarvolin") << bad;
    ASSERT_EQ(boxes.boxes.size(), 1u) << bad;
    EXPECT_EQ(boxes.boxes[0].title, "Fehler");
    EXPECT_EQ(boxes.boxes[0].text, kNeedsOneChar);
    EXPECT_EQ(boxes.boxes[0].kind, TMessageKind::Error);
  }
  // A faulty switch after a valid one leaves the valid choice.
  boxes.boxes.clear();
  EXPECT_EQ(StartedConfigName({"/CONFIG=3", "/CONFIG=xy"}), "Tarvolin3");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(CaptureAppTest, UnknownParametersWarnWithPositionAndTextAsTyped) {
  EXPECT_EQ(StartedConfigName({"/CONFIG=1", "xyz", "/Foo"}), "Tarvolin1");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].title, "Warnung");
  EXPECT_EQ(boxes.boxes[0].text, "Parameter 2 (xyz) nicht auswertbar!");
  EXPECT_EQ(boxes.boxes[0].kind, TMessageKind::Warning);
  EXPECT_EQ(boxes.boxes[1].text, "Parameter 3 (/Foo) nicht auswertbar!");
}

TEST_F(CaptureAppTest, ConfigurationDirectory) {
  TCaptureApp app = MakeApp();
  EXPECT_EQ(app.programDir(), kProgramDir + kDelim);

  env["USERPROFILE"] = "/home/anna/";
  app.startUp({"/CONFIG=2"});
  EXPECT_EQ(app.iniPath(), "/home/anna/Tarvolin2.INI");

  // The rule's other steps: ConfigDirectoryTest.
  env.erase("USERPROFILE");
  app.startUp({});
  EXPECT_EQ(app.iniPath(), kProgramDir + kDelim + "Tarvolin.INI");
  EXPECT_EQ(app.helpFile(), kProgramDir + kDelim + "Tarvolin.hlp");
}

TEST_F(CaptureAppTest, StartUpWithoutFileAppliesTheDefaultsInOrder) {
  port.port = "5";
  filter.check = "g";
  filter.good = "0123456789.";
  filter.eol = "10";
  filter.cursMove = 0;
  TCaptureApp app = MakeApp();
  app.startUp({});

  EXPECT_EQ(comms.calls, (std::vector<std::string>{"ComNumber=1", "Baud=9600", "DataBits=8",
                                                   "Parity=0", "StopBits=1", "SWFlow=0", "HWFlow=0",
                                                   "AutoOpen=0", "Open=0"}));
  EXPECT_EQ(port.port, "1");
  EXPECT_EQ(filter.check, "");
  EXPECT_EQ(filter.good, ".0123456789");
  EXPECT_EQ(filter.eol, " 10");
  EXPECT_EQ(filter.cursMove, 1);
  EXPECT_EQ(filter.left, 200);
  EXPECT_EQ(port.left, 200);
  EXPECT_EQ(main.left, 100);
  EXPECT_EQ(main.statusTexts,
            (std::vector<std::string>{"Lade Konfiguration...", "Konfiguration geladen"}));
  EXPECT_EQ(main.caption, "Tarvolin");
  EXPECT_EQ(main.runStateCalls, 1);
  EXPECT_EQ(port.comPortScans, 1);
  EXPECT_EQ(main.ledColor, ledInactive);
  EXPECT_EQ(main.ledText, "<inaktiv>");
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(CaptureAppTest, PortValuesAreConvertedLikeTheDialogDoes) {
  WriteFile(dir.File("Tarvolin.INI"),
            "[Comms]\r\nPort= 3\r\nBaud= 19200\r\nDatabits=7\r\nParity=7\r\nStopbits=2\r\n"
            "XonXoff=3\r\nuseDTR=1\r\nuseCTS=1\r\n[resModi]\r\ndecSubst=3\r\ncursMove=9\r\n");
  port.parity = 2;
  MakeApp().startUp({});
  // Parity 7 is outside the list: no selection, and the port keeps its parity.
  EXPECT_EQ(port.parity, -1);
  EXPECT_EQ(comms.calls,
            (std::vector<std::string>{"ComNumber=3", "Baud=19200", "DataBits=7", "StopBits=2",
                                      "SWFlow=3", "HWFlow=9", "AutoOpen=0", "Open=0"}));
  EXPECT_EQ(port.baud, "19200") << "blanks around a value are not part of it";
  EXPECT_EQ(filter.decSubst, -1);
  EXPECT_EQ(filter.cursMove, 9);
}

TEST_F(CaptureAppTest, DamagedPortValuesAtStartUpFallBackToTheirDefaults) {
  WriteFile(dir.File("Tarvolin.INI"),
            "[Comms]\r\nPort=COM3\r\nBaud=schnell\r\nDatabits=70000\r\nStopbits=-1\r\n"
            "[resRecog]\r\ncheckChars=kg\r\n");
  TCaptureApp app = MakeApp();
  app.startUp({});

  EXPECT_EQ(errors.messages, (std::vector<std::string>{"'COM3' ist kein g\xFCltiger Integerwert",
                                                       "'schnell' ist kein g\xFCltiger Integerwert",
                                                       "Fehler bei Bereichspr\xFC"
                                                       "fung",
                                                       "Fehler bei Bereichspr\xFC"
                                                       "fung"}));
  EXPECT_EQ(comms.calls, (std::vector<std::string>{"ComNumber=1", "Baud=9600", "DataBits=8",
                                                   "Parity=0", "StopBits=1", "SWFlow=0", "HWFlow=0",
                                                   "AutoOpen=0", "Open=0"}));
  EXPECT_EQ(port.port, "1");
  EXPECT_EQ(port.databits, "8");
  // The rest of the file is still loaded and the program reaches the stopped state.
  EXPECT_EQ(filter.check, "kg");
  EXPECT_EQ(main.Status(), "Konfiguration geladen");
  EXPECT_EQ(main.ledText, "<inaktiv>");
}

TEST_F(CaptureAppTest, LoadFromTheMenuStopsAtADamagedPortValue) {
  TCaptureApp app = MakeApp();
  app.startUp({});
  filter.check = "vorher";
  comms.calls.clear();
  main.statusTexts.clear();
  WriteFile(dir.File("Tarvolin.INI"),
            "[Comms]\r\nPort=2\r\nBaud=4800\r\nDatabits=x\r\n[resRecog]\r\ncheckChars=kg\r\n");
  app.loadConfig();

  EXPECT_EQ(errors.messages, (std::vector<std::string>{"'x' ist kein g\xFCltiger Integerwert"}));
  EXPECT_EQ(comms.calls, (std::vector<std::string>{"ComNumber=2", "Baud=4800"}));
  EXPECT_EQ(port.databits, "x");
  EXPECT_EQ(filter.check, "vorher");
  EXPECT_EQ(main.statusTexts, (std::vector<std::string>{"Lade Konfiguration..."}));
}

TEST_F(CaptureAppTest, SaveWritesTheWindowsInKeyOrder) {
  TCaptureApp app = MakeApp();
  app.startUp({});
  port.baud = " 9600";
  port.parity = -1;
  port.dtr = true;
  filter.check = "g";
  filter.cursMove = -1;
  main.left = 10;
  main.top = 20;
  main.statusTexts.clear();
  app.saveConfig();

  EXPECT_EQ(ReadFile(app.iniPath()),
            "[Comms]\r\nPort=1\r\nBaud=\" 9600\"\r\nDatabits=8\r\nParity=-1\r\nStopbits=1\r\n"
            "XonXoff=0\r\nuseDTR=1\r\nuseRTS=0\r\nuseDSR=0\r\nuseCTS=0\r\n"
            "[resRecog]\r\nbegin=255\r\nend=\" 10\"\r\ncheckChars=g\r\ngoodChars=.0123456789\r\n"
            "[resModi]\r\ndecSubst=0\r\ncursMove=-1\r\n"
            "[mainWin]\r\nLeft=10\r\nTop=20\r\n[prgOpt]\r\nLeft=200\r\nTop=100\r\n"
            "[serOpt]\r\nLeft=200\r\nTop=100\r\n");
  EXPECT_EQ(main.statusTexts,
            (std::vector<std::string>{"Speichere Konfiguration...", "Konfiguration gespeichert"}));

  // Loading again reproduces the windows, -1 included.
  const TCaptureConfig saved = app.currentConfig();
  port = FakePortOptions();
  filter = FakeFilterOptions();
  app.loadConfig();
  EXPECT_EQ(app.currentConfig(), saved);
  EXPECT_EQ(port.parity, -1);
  EXPECT_EQ(filter.cursMove, -1);
}

TEST_F(CaptureAppTest, FailedSaveIsReportedAndKeepsWhatIsThere) {
  TCaptureApp app = MakeApp();
  app.startUp({});
  // Where the file should be, something else stands that no save may replace.
  std::filesystem::create_directory(app.iniPath());
  WriteFile(app.iniPath() + "/keep", "x");
  main.statusTexts.clear();
  app.saveConfig();

  EXPECT_EQ(errors.messages,
            (std::vector<std::string>{"In " + app.iniPath() + " kann nicht geschrieben werden"}));
  EXPECT_EQ(ReadFile(app.iniPath() + "/keep"), "x");
  EXPECT_EQ(main.statusTexts, (std::vector<std::string>{"Speichere Konfiguration..."}));
}

TEST_F(CaptureAppTest, KeystrokePauseIsTakenFromTheFileAndSavedOnlyWhereItWas) {
  RecordingInjector injector;
  TKeystrokes keys(injector);
  keystrokes = &keys;
  TCaptureApp app = MakeApp();
  WriteFile(dir.File("Tarvolin.INI"), "[resModi]\r\nkeyPause=20\r\n");
  app.startUp({});
  EXPECT_EQ(keys.Pause(), 20u);
  app.saveConfig();
  EXPECT_NE(ReadFile(app.iniPath()).find("\r\nkeyPause=20\r\n"), std::string::npos);

  // A file without the key: no pause, and saving does not add the key.
  WriteFile(app.iniPath(), "[resModi]\r\ncursMove=1\r\n");
  app.loadConfig();
  EXPECT_EQ(keys.Pause(), 0u);
  app.saveConfig();
  EXPECT_EQ(ReadFile(app.iniPath()).find("keyPause"), std::string::npos);
}

#ifndef _WIN32
TEST_F(CaptureAppTest, XdgDirectoryIsCreatedAtTheFirstSave) {
  env.erase("USERPROFILE");
  env["XDG_CONFIG_HOME"] = dir.File("xdg");
  TCaptureApp app = MakeApp();
  app.startUp({});
  EXPECT_FALSE(std::filesystem::exists(dir.File("xdg")));
  app.saveConfig();
  EXPECT_TRUE(std::filesystem::exists(dir.File("xdg/tarvolin/Tarvolin.INI")));
}

// The port map reads and numbers ports.ini by the same directory rule as the INI file.
TEST_F(CaptureAppTest, PortsIniLandsBesideTheIniFile) {
  const std::string programDir = dir.File("program");
  std::filesystem::create_directories(dir.File("dev"));
  WriteFile(dir.File("dev/ttyUSB0"), "");
  struct Case {
    const char* why;
    std::map<std::string, std::string> env;
  };
  const Case cases[] = {
      {"profile", {{"USERPROFILE", dir.File("profile")}}},
      {"XDG directory", {{"XDG_CONFIG_HOME", dir.File("xdg")}, {"HOME", dir.File("home")}}},
      {"relative XDG directory", {{"XDG_CONFIG_HOME", "xdg"}, {"HOME", dir.File("home")}}},
      {"relative HOME", {{"HOME", "home"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    env = c.env;
    TCaptureApp app = MakeApp(programDir);
    app.startUp({});
    app.saveConfig();
    TPortMapSources sources;
    sources.GetEnv = [this](const std::string& name) -> std::optional<std::string> {
      auto it = env.find(name);
      if (it == env.end()) return std::nullopt;
      return it->second;
    };
    sources.ProgramDir = programDir;
    sources.DevDir = dir.File("dev");
    sources.SysTtyDir = dir.File("sys");
    std::filesystem::create_directories(programDir);  // the program's directory always exists
    ASSERT_EQ(TSerialPortMap(sources).Lookup(1).Path, dir.File("dev/ttyUSB0"));
    const std::filesystem::path ini(app.iniPath());
    EXPECT_TRUE(std::filesystem::exists(ini));
    EXPECT_TRUE(std::filesystem::exists(ini.parent_path() / "ports.ini"));
  }
}
#endif

TEST_F(CaptureAppTest, TraceAndLogKeysAreReadAtStartAndLoadButNeverWritten) {
  TCaptureApp app = MakeApp();
  app.startUp({});
  EXPECT_FALSE(comms.recorders.Tracing);
  EXPECT_FALSE(comms.recorders.Logging);

  const std::string keys =
      "[Trace]\r\nTracing=1\r\nTraceSize=500\r\nLogging=1\r\nLogName=/var/tmp/port.log\r\n";
  WriteFile(app.iniPath(), keys);
  app.loadConfig();
  TRecorderConfig wanted;
  wanted.Tracing = true;
  wanted.TraceSize = 500;
  wanted.TraceName = dir.Path() + kDelim + "APRO.TRC";
  wanted.Logging = true;
  wanted.LogName = "/var/tmp/port.log";
  EXPECT_EQ(comms.recorders, wanted);

  // Values that make no sense give the defaults.
  WriteFile(app.iniPath(),
            "[Trace]\r\nTracing=ja\r\nTraceSize=0\r\nTraceName= \r\nLogging=2\r\nLogSize=-5\r\n");
  app.startUp({});
  wanted = TRecorderConfig().ResolvedIn(dir.Path() + kDelim);
  wanted.Logging = true;
  EXPECT_EQ(comms.recorders, wanted);

  // Saving leaves them as the user wrote them.
  WriteFile(app.iniPath(), keys);
  app.saveConfig();
  EXPECT_NE(ReadFile(app.iniPath()).find(keys), std::string::npos);
}

TEST_F(CaptureAppTest, AuditSectionSwitchesTheTrailOnAndSaveKeepsItAsItIs) {
  TCaptureApp app = MakeApp();
  const std::string keys = "[Audit]\r\nAuditing=1\r\nAuditDir=trail\r\n";
  WriteFile(dir.File("Tarvolin.INI"), keys);
  app.startUp({});
  ASSERT_NE(app.auditTrail(), nullptr);
  EXPECT_EQ(app.auditTrail()->Directory(), dir.Path() + kDelim + "trail");
  EXPECT_EQ(app.auditStartProblem(), "");
  EXPECT_EQ(app.auditCaptureStarted(1, "/dev/ttyUSB0"), "");
  EXPECT_TRUE(app.resultRecorder().Record({"1\n", "1", "1", "", "x", TResultOutcome::Typed}));
  app.auditCaptureStopped();
  app.saveConfig();
  EXPECT_NE(ReadFile(app.iniPath()).find(keys), std::string::npos);

  std::vector<std::string> types;
  const std::string trail = ReadFile(app.auditTrail()->CurrentPath());
  for (std::string_view line : AuditLines(trail))
    types.push_back(ParseAuditLine(line).content["type"]);
  EXPECT_EQ(types, (std::vector<std::string>{"header", "config-loaded", "capture-start", "result",
                                             "capture-stop", "config-saved"}));
  EXPECT_TRUE(VerifyAuditText(trail).intact);

  // A trail that cannot be written refuses the capture and every result.
  WriteFile(dir.File("plain"), "x");
  WriteFile(app.iniPath(), "[Audit]\r\nAuditing=1\r\nAuditDir=plain\r\n");
  app.loadConfig();
  EXPECT_TRUE(app.auditStartProblem().starts_with("Audit-Trail: ")) << app.auditStartProblem();
  EXPECT_FALSE(app.resultRecorder().Record({"1\n", "1", "1", "", "x", TResultOutcome::Typed}));

  // Without the section there is no trail and results pass.
  WriteFile(app.iniPath(), "[Comms]\r\nPort=1\r\n");
  app.loadConfig();
  EXPECT_EQ(app.auditTrail(), nullptr);
  EXPECT_EQ(app.auditStartProblem(), "");
  EXPECT_TRUE(app.resultRecorder().Record({"1\n", "1", "1", "", "x", TResultOutcome::Typed}));
}

TEST(SetLed, BlankTextBecomesNoTitleAndUnchangedValuesAreNotAssigned) {
  FakeMainView main;
  setLED(main, ledTarget, " \t ");
  EXPECT_EQ(main.ledText, "<kein Titel>");
  EXPECT_EQ(main.ledColor, ledTarget);
  EXPECT_EQ(main.ledAssignments, 2);
  setLED(main, ledTarget, "<kein Titel>");
  setLED(main, ledTarget, "");
  EXPECT_EQ(main.ledAssignments, 2);
  setLED(main, ledNoTarget, "<kein Titel>");
  EXPECT_EQ(main.ledAssignments, 3);
}

TEST(PortHandlers, SelectionsOutsideTheListsSetNothing) {
  FakePortOptions d;
  FakeComms comms;
  d.parity = ParityItemCount;
  d.xonxoff = -1;
  comboParityChange(d, comms);
  comboXonXoffChange(d, comms);
  EXPECT_TRUE(comms.calls.empty());
  d.port = "65536";
  EXPECT_THROW(comboPortChange(d, comms), ERangeError);
  d.baud = "";
  EXPECT_THROW(comboBaudChange(d, comms), EConvertError);
  d.baud = "115200";
  comboBaudChange(d, comms);
  EXPECT_EQ(comms.calls, (std::vector<std::string>{"Baud=115200"}));
}

}  // namespace
