// Tarvolin.exe end to end under Wine: an instrument on COM2 (the program reads COM1, linked to it
// by the test command), a receiving program in front, the program driven by control ids and
// messages as a user would drive it. TARVOLIN_SCREENSHOT_DIR keeps pictures of the windows there.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "tests/win32/support/Instrument.h"
#include "tests/wingui/e2e/support/Program.h"
#include "tests/wingui/e2e/support/Receiver.h"
#include "tests/wingui/e2e/support/Windows.h"
#include "tests/wingui/report/TestPrinter.h"
#include "wingui/app/MainformIds.h"
#include "wingui/dialogs/prgOptionsIds.h"
#include "wingui/dialogs/serOptionsIds.h"
#include "wingui/qualification/winAboutIds.h"
#include "wingui/report/repPreviewIds.h"

namespace e2e {
namespace {

// Port 1, end code 10, cursor movement CR; the rest are the defaults.
const char* const kIni = "[Comms]\r\nPort=1\r\n[resRecog]\r\nend=10\r\n[resModi]\r\ncursMove=1\r\n";

// The window pictured comes to the front first, unless that would change what it shows.
void Screenshot(HWND wnd, const char* name, bool toFront = true) {
  const char* dir = std::getenv("TARVOLIN_SCREENSHOT_DIR");
  if (dir == nullptr || wnd == nullptr) return;
  if (toFront) {
    EXPECT_TRUE(BringToFront(wnd)) << name;
  }
  EXPECT_TRUE(SaveScreenshot(wnd, std::string(dir) + "\\" + name + ".bmp")) << name;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display for Wine's windows";
    if (const std::string why = SerialSkipReason(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(instrument.Ok()) << "cannot open COM" << InstrumentPort();
  }

  void Start(const std::string& ini = kIni, const std::string& arguments = {}) {
    if (!ini.empty()) program.WriteProfileFile("Tarvolin.INI", ini);
    std::string error;
    ASSERT_TRUE(program.Start(arguments, error)) << error;
    main = program.MainWindow();
  }
  HWND Main(int id) const { return Control(main, id); }
  bool MainShows(int id, const std::string& text) const {
    return PollFor([&] { return Text(Main(id)) == text; });
  }

  void StartCapture() {
    Click(main, MAIN_BTN_RUN);
    ASSERT_TRUE(MainShows(MAIN_BTN_RUN, "Stop")) << Text(Main(MAIN_BTN_RUN));
  }
  // The receiver in front and the indicator showing it, so that results are typed.
  void ReceiverInFront() {
    std::string error;
    ASSERT_TRUE(receiver.Start(error)) << error;
    ASSERT_TRUE(MainShows(MAIN_PNL_LED, TReceiver::kTitle)) << Text(Main(MAIN_PNL_LED));
  }
  // A window of the program that is not the main window, by its class.
  HWND Window(const wchar_t* windowClass) const {
    return WaitForWindow(program.Pid(), windowClass);
  }
  std::string ReceivedWhen(const std::string& expected) const {
    PollFor([&] { return receiver.Text() == expected; });
    return receiver.Text();
  }

  TInstrument instrument;
  TProgram program;
  TReceiver receiver;
  HWND main = nullptr;
};

TEST_F(EndToEndTest, ReadingArrivesOnceWithEnterInTheWindowInFront) {
  Start();
  Screenshot(main, "win-main-stopped");
  StartCapture();
  ReceiverInFront();
  // In front it would show itself as the target no more.
  Screenshot(main, "win-main-capturing", false);

  ASSERT_TRUE(instrument.Send("+   12.345 g\r\n"));
  ASSERT_TRUE(MainShows(MAIN_EDT_FILT, "12.345")) << Text(Main(MAIN_EDT_FILT));
  // The captured text keeps every character, the end character too.
  EXPECT_EQ(Text(Main(MAIN_EDT_CAPT)), "+   12.345 g\r\n");
  // A second reading behind it shows that the first was typed exactly once.
  ASSERT_TRUE(instrument.Send("+    0.5 g\r\n"));
  EXPECT_EQ(ReceivedWhen("12.345\r\n0.5\r\n"), "12.345\r\n0.5\r\n");
  std::printf("working set while capturing: %zu KiB\n", program.WorkingSet() / 1024);
  std::printf("start to main window shown: %lld ms\n",
              static_cast<long long>(program.StartTime().count()));
}

TEST_F(EndToEndTest, ThousandReadingsInOneBurstArriveExactlyAndInOrder) {
  Start();
  StartCapture();
  ReceiverInFront();

  std::string burst, expected;
  for (int i = 0; i < 1000; ++i) {
    char reading[32], typed[32];
    std::snprintf(reading, sizeof reading, "+ %4d.%03d g\r\n", i, (i * 7) % 1000);
    std::snprintf(typed, sizeof typed, "%d.%03d\r\n", i, (i * 7) % 1000);
    burst += reading;
    expected += typed;
  }
  const auto sent = std::chrono::steady_clock::now();
  ASSERT_TRUE(instrument.Send(burst));
  // The deadline moves on while text keeps arriving.
  size_t arrived = 0;
  while (PollFor([&] { return receiver.Text().size() > arrived; }, std::chrono::seconds(10))) {
    arrived = receiver.Text().size();
    if (arrived >= expected.size()) break;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  ASSERT_EQ(receiver.Text(), expected);
  std::printf("typing rate: %.0f readings/s, %.0f characters/s\n", 1000 / seconds,
              static_cast<double>(expected.size()) / seconds);
}

TEST_F(EndToEndTest, NothingIsTypedWhileTheProgramsOwnWindowsAreInFront) {
  Start();
  std::string error;
  ASSERT_TRUE(receiver.Start(error)) << error;
  // The menus are off while capturing: the dialogs are opened before.
  // Both dialogs open at the same place: each is pictured before the next covers it.
  MenuCommand(main, MAIN_MEN_CONFIG_PORT);
  HWND port = Window(L"TserOptionForm");
  Screenshot(port, "win-port-settings");
  MenuCommand(main, MAIN_MEN_CONFIG_FILTER);
  HWND filter = Window(L"TprgOptionForm");
  ASSERT_TRUE(port != nullptr && filter != nullptr);
  Screenshot(filter, "win-filter-settings");
  StartCapture();

  for (HWND own : {main, port, filter}) {
    SCOPED_TRACE(Text(own));
    SetWindowTextW(Main(MAIN_EDT_FILT), L"");
    ASSERT_TRUE(BringToFront(own));
    ASSERT_TRUE(MainShows(MAIN_PNL_LED, "***Morvisk***")) << Text(Main(MAIN_PNL_LED));
    ASSERT_TRUE(instrument.Send("+   12.345 g\r\n"));
    EXPECT_TRUE(MainShows(MAIN_EDT_FILT, "12.345 (nicht gesendet)")) << Text(Main(MAIN_EDT_FILT));
  }
  EXPECT_EQ(receiver.Text(), "");
}

TEST_F(EndToEndTest, PortThatCannotBeOpenedIsReportedAndCaptureStaysStopped) {
  Start("[Comms]\r\nPort=7\r\n");
  Click(main, MAIN_BTN_RUN);
  HWND box = WaitForWindow(program.Pid(), L"#32770", "Warnung");
  ASSERT_NE(box, nullptr);
  // The two lines, then the port's own reason.
  const std::string warning =
      "Kann COM7 nicht \xF6"
      "ffnen!\n Falscher Port? In Gebrauch?\n\n";
  const std::vector<std::string> lines = ChildTexts(box, L"Static");
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& line) {
                           return line.rfind(warning, 0) == 0 && line.size() > warning.size();
                         }),
            lines.end())
      << ::testing::PrintToString(lines);
  Close(box);
  ASSERT_TRUE(PollFor([&] { return !IsWindow(box); }));
  EXPECT_EQ(Text(Main(MAIN_BTN_RUN)), "Start");
  EXPECT_EQ(Text(Main(MAIN_STATUSBAR)), "Stopp!");
  EXPECT_EQ(Text(Main(MAIN_PNL_LED)), "<inaktiv>");
}

// Saved.INI holds the bytes the Linux program wrote for the same settings: Konfiguration >
// Speichern on a fresh profile, the windows where they open.
TEST_F(EndToEndTest, SaveWritesTheIniFileUnderTheProfileAsTheLinuxProgramDoes) {
  Start({});
  MenuCommand(main, MAIN_MEN_CONFIG_SAVE);
  ASSERT_TRUE(MainShows(MAIN_STATUSBAR, "Konfiguration gespeichert"));
  EXPECT_EQ(ReadFileBytes(program.ProfileFile("Tarvolin.INI")),
            ReadFileBytes(WindowsPath(TARVOLIN_E2E_DATA "/Saved.INI")));
}

TEST_F(EndToEndTest, ConfigSwitchGivesTheCaptionAndTheFileOfThatConfiguration) {
  program.WriteProfileFile("TarvolinK.INI", "[mainWin]\r\nLeft=123\r\n");
  Start({}, "/CONFIG=k");
  EXPECT_EQ(Text(main), "TarvolinK");
  RECT r{};
  GetWindowRect(main, &r);
  EXPECT_EQ(r.left, 123);
  MenuCommand(main, MAIN_MEN_CONFIG_SAVE);
  ASSERT_TRUE(MainShows(MAIN_STATUSBAR, "Konfiguration gespeichert"));
  EXPECT_NE(ReadFileBytes(program.ProfileFile("TarvolinK.INI")).find("[mainWin]\r\nLeft=123\r\n"),
            std::string::npos);
  EXPECT_EQ(GetFileAttributesA(program.ProfileFile("Tarvolin.INI").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// The help window's text at its selection, where it shows the section asked for.
std::string HelpShown(HWND help) {
  HWND text = FindWindowExW(help, nullptr, L"EDIT", nullptr);
  DWORD_PTR selection = 0;
  SendMessageTimeoutW(text, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection);
  const std::string shown = Text(text);
  return LOWORD(selection) <= shown.size() ? shown.substr(LOWORD(selection)) : std::string();
}

TEST_F(EndToEndTest, F1OpensTheHelpAtTheContextOfTheWindowInFront) {
  Start();
  MenuCommand(main, MAIN_MEN_CONFIG_PORT);
  MenuCommand(main, MAIN_MEN_CONFIG_FILTER);
  const struct {
    HWND Window;
    char Menu;
    const char* Section;
  } cases[] = {
      {main, 0, "Das Hauptfenster"},
      {main, 'D', "Men\xFC Datei"},
      {main, 'K', "Men\xFC Konfiguration"},
      {main, 'H', "Men\xFC Hilfe"},
      {Window(L"TserOptionForm"), 0, "Schnittstelle konfigurieren"},
      {Window(L"TprgOptionForm"), 0, "Filter konfigurieren"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Section);
    ASSERT_TRUE(PressF1(c.Window, c.Menu));
    HWND help = Window(L"TfrmHelp");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(PollFor([&] { return HelpShown(help).rfind(c.Section, 0) == 0; }))
        << HelpShown(help).substr(0, 60);
    EXPECT_EQ(Text(help), "Tarvolin: Hilfe");
    if (c.Menu != 0) CloseMenus();
  }
}

TEST_F(EndToEndTest, IqRunsItsChecksPreviewsOnePageAndPrintsIt) {
  wingui_test::TestPrinter();
  Start();
  MenuCommand(main, MAIN_MEN_FILE_IQ);
  HWND preview = WaitForWindow(program.Pid(), REPPREV_WINDOW_CLASS, "Preview");
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(PollFor([&] { return Text(Control(preview, REPPREV_PANEL_PAGE)) == "1/1"; }))
      << Text(Control(preview, REPPREV_PANEL_PAGE));
  Screenshot(preview, "win-preview");

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"tarvolin-e2e-iq.ps";
  DeleteFileW(file.c_str());
  COPYDATASTRUCT data{REPPREV_COPYDATA_PRINT_TO_FILE,
                      static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)),
                      const_cast<wchar_t*>(file.c_str())};
  DWORD_PTR printed = 0;
  ASSERT_TRUE(SendMessageTimeoutW(preview, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                  SMTO_ABORTIFHUNG, 60000, &printed));
  ASSERT_EQ(printed, TRUE);
  const std::string ps = ReadFileBytes(std::string(file.begin(), file.end()));
  size_t pages = 0;
  for (size_t at = ps.find("%%Page:"); at != std::string::npos; at = ps.find("%%Page:", at + 1))
    ++pages;
  EXPECT_EQ(pages, 1u);

  // The system's six rows, the program's seven and the six checks, all passed.
  const std::string text = wingui_test::PostScriptText(file);
  const char* const rows[] = {
      "Computername:",
      "IP-Adresse:",
      "IP-Hostname:",
      "Betriebssystem:",
      "Verf\xFCgbare COM-Ports:",
      "Angemeldeter Benutzer:",
      "Produktname: +Tarvolin",
      "Produktversion: +V1\\.1 \\(Freeware\\)",
      "Buildnummer: +1\\.1\\.1\\.76",
      "Hersteller:",
      "Copyright:",
      "Programmdatei: +.*Tarvolin\\.exe",
      "Installationspfad:",
      "Ja +Direkte Anzeige des Fenster zur Filterkonfiguration",
      "Ja +Direktes Schlie\xDF"
      "en des Fenster zur Filterkonfiguration",
      "Ja +Klick auf Men\xFC"
      "eintrag zur Portkonfiguration",
      "Ja +Klick auf Button zum Schlie\xDF"
      "en der Portkonfiguration",
      "Ja +Hilfedatei \"Tarvolin\\.hlp\" vorhanden",
      "Ja +Klick auf Men\xFC"
      "eintrag zur Anzeige der Hilfe",
      "Tests bestanden: 6 von 6",
  };
  for (const char* row : rows) EXPECT_TRUE(std::regex_search(text, std::regex(row))) << row;
  DeleteFileW(file.c_str());
}

TEST_F(EndToEndTest, ClosingTheMainWindowEndsTheProgramWithItsOtherWindowsOpen) {
  Start();
  MenuCommand(main, MAIN_MEN_CONFIG_PORT);
  MenuCommand(main, MAIN_MEN_CONFIG_FILTER);
  MenuCommand(main, MAIN_MEN_HELP_ABOUT);
  ASSERT_NE(Window(L"TserOptionForm"), nullptr);
  ASSERT_NE(Window(L"TprgOptionForm"), nullptr);
  ASSERT_NE(Window(L"TfrmAbout"), nullptr);
  Screenshot(Window(L"TfrmAbout"), "win-about");
  MenuCommand(main, MAIN_MEN_HELP_APP);
  ASSERT_NE(Window(L"TfrmHelp"), nullptr);
  MenuCommand(main, MAIN_MEN_FILE_IQ);
  ASSERT_NE(Window(REPPREV_WINDOW_CLASS), nullptr);
  Close(main);
  EXPECT_TRUE(program.WaitForExit(kTimeout));
}

}  // namespace
}  // namespace e2e
