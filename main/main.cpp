// The tarvolin program: creates the windows, evaluates the command line, loads the
// configuration and runs until the main window is closed.
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTimer>

#include "app/CaptureApp.h"
#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "dialogs/PortControl.h"
#include "gui/QtText.h"
#include "gui/app/Fonts.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "gui/app/QtServices.h"
#include "gui/dialogs/prgOptions.h"
#include "gui/dialogs/serOptions.h"
#include "gui/qualification/winAbout.h"
#include "gui/qualification/winIqReport.h"
#include "gui/serial/QtWndMsg.h"
#include "app/AuditedPort.h"
#include "main/Desktop.h"
#include "main/DeviceLayer.h"
#include "main/EndOnSignal.h"
#include "main/StateDump.h"
#include "platform/SystemInfo.h"
#include "resources/icon/ProgramIcon.h"
#include "serial/SerialContext.h"

namespace {

class TQtEventPump : public IEventPump {
 public:
  void ProcessMessages() override { QApplication::processEvents(); }
};

}  // namespace

int main(int argc, char** argv) {
  PrepareDesktop();
  QApplication application(argc, argv);
  InstallFontStandIns();
  QApplication::setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  QApplication::setApplicationName(FromCp1252(ApplicationTitle));
  QApplication::setWindowIcon(ProgramIcon());
  // Wayland compositors name the program's windows by it.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
  QApplication::setQuitOnLastWindowClosed(true);
  // Serial threads reach the GUI thread through the message facility, drained by Qt's loop.
  TQtWndMsgPump::Install();
  // Qt takes the directory from the running file itself (/proc/self/exe), with symbolic links
  // resolved: started through /usr/bin/tarvolin, the help is still found beside the real program.
  const std::string programDir =
      QFile::encodeName(QApplication::applicationDirPath()).toStdString();
  // What the serial subsystem takes from this program: its platform's device layer, with
  // ports.ini beside the INI file, and the operating system the dispatch log's header names.
  TSerialContext serial;
  serial.DeviceLayer = &NativeDeviceLayer(programDir);
  serial.LogHeaderFacts = {OsReleaseText, {}};
  InstallSerialContext(std::move(serial));
  InstallQtSerialDialogs();

  std::unique_ptr<TDesktop> desktop = OpenDesktop();
  TQtMessageBoxes boxes;
  TQtEventPump pump;

  // Created in this order, all hidden; closing the main window ends the program. Each report run
  // opens a preview window of its own.
  TfrmMain frmMain;
  TQtErrorDisplay errors(&frmMain);
  TserOptionForm serOptionForm(&frmMain);
  TprgOptionForm prgOptionForm(&frmMain);
  TfrmAbout frmAbout(&frmMain);
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
    QTimer::singleShot(0, &frmMain, [&comms, &frmMain, &boxes, cause] {
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
  services.activeWindow = [] { return QApplication::activeWindow(); };
  services.boxes = &boxes;
  services.serOptionForm = &serOptionForm;
  services.prgOptionForm = &prgOptionForm;
  services.frmAbout = &frmAbout;
  services.saveConfig = [&capture] { capture.saveConfig(); };
  services.loadConfig = [&capture] { capture.loadConfig(); };
  services.generateIqReport = [&frmIqReport] { frmIqReport.generate(); };
  frmMain.SetServices(services);
  desktop->SetNotice([&frmMain](const std::string& text) { frmMain.SetStatusText(text); });
  frmIqReport.SetServices({&frmMain, &serOptionForm, &prgOptionForm, &desktop->Sound(), {}});

  std::vector<std::string> params;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) params.push_back(ToCp1252(arguments[i]));
  capture.startUp(params);
  SetApplicationHelpFile(QFile::decodeName(capture.helpFile().c_str()));
  InstallStateDump(frmMain);
  EndOnSignals(frmMain);

  frmMain.show();
  return QApplication::exec();
}
