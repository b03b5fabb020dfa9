#include "wingui/qualification/winIqReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/wingui/report/TestPrinter.h"
#include "wingui/WinUi.h"
#include "wingui/app/HelpViewer.h"
#include "wingui/app/MainformIds.h"
#include "wingui/dialogs/serOptionsIds.h"
#include "wingui/report/repPreview.h"
#include "wingui/report/repPreviewIds.h"

namespace {

// Stand-ins for the program's windows, as far as the checks drive them: the main window's two
// menu entries, the port settings window's close button, the filter settings window.
class TStubWindows {
 public:
  explicit TStubWindows(const std::string& helpFile) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarvolinIqStub";
    RegisterClassW(&wc);
    main_ = Window(L"Main");
    HMENU bar = CreateMenu();
    HMENU config = CreatePopupMenu();
    AppendMenuW(config, MF_STRING, MAIN_MEN_CONFIG_PORT, L"&Port");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(config), L"&Konfiguration");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, MAIN_MEN_HELP_APP, L"&Anwendung");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Hilfe");
    SetMenu(main_, bar);
    ports_ = Window(L"Port");
    CreateWindowW(L"BUTTON", L"Schlie\u00DFen", WS_CHILD | WS_VISIBLE, 0, 0, 80, 25, ports_,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(SEROPT_BTN_CLOSE)),
                  GetModuleHandleW(nullptr), nullptr);
    filter_ = Window(L"Filter");
    SetApplicationHelpFile(helpFile);
  }
  ~TStubWindows() {
    for (HWND w : {main_, ports_, filter_}) DestroyWindow(w);
  }
  TfrmIqReport::TServices Services(const std::string& programFile) const {
    return {main_, ports_, filter_, nullptr, programFile};
  }
  HWND Main() const { return main_; }
  HWND Ports() const { return ports_; }
  HWND Filter() const { return filter_; }

 private:
  static HWND Window(const wchar_t* caption) {
    return CreateWindowW(L"TarvolinIqStub", caption, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  static LRESULT CALLBACK Procedure(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
      switch (LOWORD(wParam)) {
        case MAIN_MEN_CONFIG_PORT:
          ShowWindow(FindWindowW(L"TarvolinIqStub", L"Port"), SW_SHOW);
          return 0;
        case MAIN_MEN_HELP_APP:
          ApplicationHelpViewer().ShowTopic("overview");
          return 0;
        case SEROPT_BTN_CLOSE:
          ShowWindow(wnd, SW_HIDE);
          return 0;
        default:
          break;
      }
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
  }

  HWND main_;
  HWND ports_;
  HWND filter_;
};

std::wstring TempDirectory() {
  wchar_t directory[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  return directory;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  int n = 0;
  for (const std::string& line : lines) n += line.rfind(prefix, 0) == 0;
  return n;
}

// File > IQ against the Win32 windows: the checks open and close them, the preview shows page
// 1/1, and its printed page holds the six computer rows, the seven software rows and the six
// checks with the result the windows earned.
TEST(IqReportForm, RunsTheChecksOnTheWindowsAndPrintsTheReport) {
  struct {
    const char* Name;
    bool HelpFile;
    bool PortMenuEnabled;
    int Passed;
    const char* Result;
  } cases[] = {
      {"all pass", true, true, 6, "Bestanden"},
      {"no help file", false, true, 4, "Nicht bestanden"},
      // A greyed entry takes no click, so the port settings never open.
      {"port menu greyed", true, false, 5, "Nicht bestanden"},
  };
  wingui_test::TestPrinter();
  const std::wstring directory = TempDirectory() + L"tarvolin-iq\\";
  CreateDirectoryW(directory.c_str(), nullptr);
  const std::wstring helpFile = directory + L"Tarvolin.hlp";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    DeleteFileW(helpFile.c_str());
    if (c.HelpFile)
      std::ofstream(std::filesystem::path(helpFile))
          << "<html><body><h1 id=\"overview\">Tarvolin</h1><p>Hilfe</p></body></html>";
    TStubWindows windows(wingui::Cp1252(helpFile));
    EnableMenuItem(GetMenu(windows.Main()), MAIN_MEN_CONFIG_PORT,
                   MF_BYCOMMAND | (c.PortMenuEnabled ? MF_ENABLED : MF_GRAYED));
    TfrmIqReport form;
    form.SetServices(windows.Services(wingui::Cp1252(directory + L"Tarvolin.exe")));
    form.SetPause([](int) {});
    form.generate();

    wingui::TfrmPreview* preview = form.LastPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(IsWindowVisible(preview->Handle()));
    EXPECT_EQ(wingui::WindowText(GetDlgItem(preview->Handle(), REPPREV_PANEL_PAGE)), "1/1");
    EXPECT_FALSE(IsWindowVisible(windows.Ports()));
    EXPECT_FALSE(IsWindowVisible(windows.Filter()));
    EXPECT_FALSE(IsWindowVisible(ApplicationHelpViewer().Handle()));

    const std::wstring printed = directory + L"report.ps";
    DeleteFileW(printed.c_str());
    COPYDATASTRUCT data{REPPREV_COPYDATA_PRINT_TO_FILE,
                        static_cast<DWORD>((printed.size() + 1) * sizeof(wchar_t)),
                        const_cast<wchar_t*>(printed.c_str())};
    EXPECT_EQ(SendMessageW(preview->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)),
              TRUE);
    const std::vector<std::string> lines = Lines(wingui_test::PostScriptText(printed));
    for (const char* label :
         {"Computername:", "IP-Adresse:", "IP-Hostname:", "Betriebssystem:",
          "Verf\xFC"
          "gbare COM-Ports:",
          "Angemeldeter Benutzer:", "Produktname:", "Produktversion:", "Buildnummer:",
          "Hersteller:", "Copyright:", "Installationspfad:", "Programmdatei:"})
      EXPECT_EQ(CountStartingWith(lines, label), 1) << label;
    EXPECT_EQ(CountStartingWith(lines, "Ja ") + CountStartingWith(lines, "Nein "), 6);
    EXPECT_EQ(CountStartingWith(lines, "Ja "), c.Passed);
    EXPECT_EQ(CountStartingWith(lines, "Tests bestanden: " + std::to_string(c.Passed) + " von 6"),
              1);
    // The overall result follows the failed count.
    const auto failed = std::find(lines.begin(), lines.end(),
                                  "Nicht bestanden: " + std::to_string(6 - c.Passed) + " von 6");
    ASSERT_NE(failed, lines.end());
    ASSERT_NE(failed + 1, lines.end());
    EXPECT_EQ(failed[1], c.Result);
    SendMessageW(preview->Handle(), WM_CLOSE, 0, 0);
  }
}

}  // namespace
