// Tarvolin.exe: creates the windows, evaluates the command line, loads the configuration and
// runs until the main window is closed. The Win32 counterpart of main.cpp, on the same
// controllers.
#include <windows.h>

#include <shellapi.h>

// <windows.h> names the wide desktop-object call so; the program's desktop is its own function.
#undef OpenDesktop

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "main/Desktop.h"
#include "main/Program.h"
#include "platform/win32/SystemInfoWin32.h"
#include "wingui/WinUi.h"
#include "wingui/app/HelpViewer.h"
#include "wingui/app/Mainform.h"
#include "wingui/app/WinServices.h"
#include "wingui/dialogs/prgOptions.h"
#include "wingui/dialogs/serOptions.h"
#include "wingui/qualification/winAbout.h"
#include "wingui/qualification/winIqReport.h"
#include "wingui/serial/WinWndMsg.h"

namespace {

class TWinEventPump : public IEventPump {
 public:
  void ProcessMessages() override { PumpWin32Messages(); }
};

// Calls made once the current message has been handled, from the message loop.
std::deque<std::function<void()>>& Deferred() {
  static std::deque<std::function<void()>> calls;
  return calls;
}

void CALLBACK RunDeferred(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  while (!Deferred().empty()) {
    std::function<void()> call = std::move(Deferred().front());
    Deferred().pop_front();
    call();
  }
}

void Defer(std::function<void()> call) {
  Deferred().push_back(std::move(call));
  SetTimer(nullptr, 0, 0, &RunDeferred);
}

// The running program's directory (CP1252), from its file's full path.
std::string ProgramDirectory() {
  const std::wstring path = ProgramPath();
  const size_t slash = path.find_last_of(L"\\/");
  return wingui::Cp1252(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

// The parameters after the program's name, as the command line's rules split them, in CP1252.
std::vector<std::string> CommandLineParams() {
  std::vector<std::string> params;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return params;
  for (int i = 1; i < count; ++i) params.push_back(wingui::Cp1252(args[i]));
  LocalFree(args);
  return params;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Serial threads reach the GUI thread through the message facility and its hidden window.
  if (!InstallWinWndMsgPump()) {
    // Without it no reading would ever reach the windows.
    MessageBoxW(nullptr, L"Das Nachrichtenfenster kann nicht erstellt werden.",
                wingui::Wide(ApplicationTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
  const std::string programDir = ProgramDirectory();
  InstallProgramSerialContext(programDir);
  InstallWinSerialDialogs();

  std::unique_ptr<TDesktop> desktop = OpenDesktop();
  TWinEventPump pump;

  // Created in this order, all hidden; closing the main window ends the program. Each report run
  // opens a preview window of its own.
  TfrmMain frmMain;
  TWinMessageBoxes boxes(frmMain.Handle());
  TWinErrorDisplay errors(frmMain.Handle());
  TserOptionForm serOptionForm(frmMain.Handle());
  TprgOptionForm prgOptionForm(frmMain.Handle());
  TfrmAbout frmAbout(frmMain.Handle());
  TfrmIqReport frmIqReport;

  TProgramParts parts(TProgramWindows{frmMain, frmMain.Controller(), serOptionForm,
                                      serOptionForm.port(), prgOptionForm, boxes, errors, &Defer},
                      *desktop, pump, programDir);
  serOptionForm.SetErrorDisplay(errors);
  serOptionForm.SetResultFilter(&parts.results());

  TfrmMain::TServices services;
  static_cast<TMainServices&>(services) =
      parts.Services([&frmIqReport] { frmIqReport.generate(); });
  services.serOptionForm = serOptionForm.Handle();
  services.prgOptionForm = prgOptionForm.Handle();
  services.frmAbout = frmAbout.Handle();
  frmMain.SetServices(services);
  frmIqReport.SetServices(
      {frmMain.Handle(), serOptionForm.Handle(), prgOptionForm.Handle(), &desktop->Sound(), {}});

  parts.capture().startUp(CommandLineParams());
  SetApplicationHelpFile(parts.capture().helpFile());
  wingui::SetHelpKeyHandler(&ShowHelpFor);

  frmMain.Show();
  const int exitCode = wingui::RunMessageLoop();
  UninstallWinWndMsgPump();
  return exitCode;
}
