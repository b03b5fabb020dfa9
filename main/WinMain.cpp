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

#include "app/AuditedPort.h"
#include "app/CaptureApp.h"
#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "dialogs/PortControl.h"
#include "main/Desktop.h"
#include "main/DeviceLayer.h"
#include "platform/SystemInfo.h"
#include "serial/AwFactory.h"
#include "serial/SerialContext.h"
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
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
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
  // What the serial subsystem takes from this program: its platform's device layer and the
  // operating system the dispatch log's header names.
  TSerialContext serial;
  serial.DeviceLayer = &NativeDeviceLayer(programDir);
  serial.LogHeaderFacts = {OsReleaseText, {}};
  InstallSerialContext(std::move(serial));
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

  // Failures in the port's event handlers go to the general error display as well.
  SetPortExceptionDisplay([&errors](const std::exception& e) {
    if (const auto* known = dynamic_cast<const Exception*>(&e)) {
      errors.ShowException(*known);
    } else {
      errors.ShowException(Exception(e.what()));
    }
  });
  serOptionForm.SetErrorDisplay(errors);

  std::unique_ptr<IPortControl> port = MakePortControl(serOptionForm.comms());
  TKeystrokes keys(desktop->Keys());
  TAuditIdentity auditIdentity{TARVOLIN_VERSION, "", ""};
  PlatformSystemFacts().ComputerName(auditIdentity.computer);
  PlatformSystemFacts().UserName(auditIdentity.user);
  TCaptureApp capture(TCaptureParts{frmMain, serOptionForm, prgOptionForm, serOptionForm.port(),
                                    boxes, errors, &keys, auditIdentity},
                      programDir);

  TAuditedPort comms(*port, capture, boxes, [](uint16_t com) {
    return DeviceLayer() ? DeviceLayer()->Ports()->Describe(com) : std::string();
  });
  // A trail that fails during a capture stops it, once the result path has given way.
  capture.onAuditFailure = [&comms, &frmMain, &boxes](const std::string& cause) {
    if (!comms.Open()) return;
    Defer([&comms, &frmMain, &boxes, cause] {
      if (comms.Open()) frmMain.Controller().btnMessClick();
      boxes.ShowMessageBox("Fehler", "Erfassung gestoppt!\n" + cause, TMessageKind::Error);
    });
  };

  TResultView resultView(frmMain.Controller());
  TResultFilter results(TResultFilterParts{prgOptionForm, resultView, serOptionForm.port(), keys,
                                           desktop->Sound(), pump, errors,
                                           &capture.resultRecorder()});
  serOptionForm.SetResultFilter(&results);

  TfrmMain::TServices services;
  services.comms = &comms;
  services.sound = &desktop->Sound();
  services.foreground = &desktop->Foreground();
  services.typingProblem = [&desktop] { return desktop->TypingProblem(); };
  services.boxes = &boxes;
  services.serOptionForm = serOptionForm.Handle();
  services.prgOptionForm = prgOptionForm.Handle();
  services.frmAbout = frmAbout.Handle();
  services.saveConfig = [&capture] { capture.saveConfig(); };
  services.loadConfig = [&capture] { capture.loadConfig(); };
  services.generateIqReport = [&frmIqReport] { frmIqReport.generate(); };
  frmMain.SetServices(services);
  desktop->SetNotice([&frmMain](const std::string& text) { frmMain.SetStatusText(text); });
  frmIqReport.SetServices(
      {frmMain.Handle(), serOptionForm.Handle(), prgOptionForm.Handle(), &desktop->Sound(), {}});

  capture.startUp(CommandLineParams());
  SetApplicationHelpFile(capture.helpFile());
  wingui::SetHelpKeyHandler(&ShowHelpFor);

  frmMain.Show();
  const int exitCode = wingui::RunMessageLoop();
  UninstallWinWndMsgPump();
  return exitCode;
}
