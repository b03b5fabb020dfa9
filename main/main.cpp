// The tarvolin program: creates the windows, evaluates the command line, loads the
// configuration and runs until the main window is closed.
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTimer>

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
#include "main/Desktop.h"
#include "main/EndOnSignal.h"
#include "main/Program.h"
#include "main/StateDump.h"
#include "resources/icon/ProgramIcon.h"

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
  InstallProgramSerialContext(programDir);
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

  TProgramParts parts(TProgramWindows{frmMain, frmMain.Controller(), serOptionForm,
                                      serOptionForm.port(), prgOptionForm, boxes, errors,
                                      [&frmMain](std::function<void()> call) {
                                        QTimer::singleShot(0, &frmMain, std::move(call));
                                      }},
                      *desktop, pump, programDir);
  serOptionForm.SetErrorDisplay(errors);
  serOptionForm.SetResultFilter(&parts.results());

  TfrmMain::TServices services;
  static_cast<TMainServices&>(services) =
      parts.Services([&frmIqReport] { frmIqReport.generate(); });
  services.activeWindow = [] { return QApplication::activeWindow(); };
  services.serOptionForm = &serOptionForm;
  services.prgOptionForm = &prgOptionForm;
  services.frmAbout = &frmAbout;
  frmMain.SetServices(services);
  frmIqReport.SetServices({&frmMain, &serOptionForm, &prgOptionForm, &desktop->Sound(), {}});

  std::vector<std::string> params;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) params.push_back(ToCp1252(arguments[i]));
  parts.capture().startUp(params);
  SetApplicationHelpFile(QFile::decodeName(parts.capture().helpFile().c_str()));
  InstallStateDump(frmMain);
  EndOnSignals(frmMain);

  frmMain.show();
  return QApplication::exec();
}
