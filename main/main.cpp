// The tarvolin program: creates the windows, evaluates the command line, loads the
// configuration and runs until the main window is closed.
#include <QApplication>
#include <QFile>

#include "app/CaptureApp.h"
#include "gui/app/Mainform.h"
#include "gui/app/Placeholders.h"
#include "gui/app/QtServices.h"
#include "gui/dialogs/prgOptions.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(FromCp1252(ApplicationTitle));
  QApplication::setQuitOnLastWindowClosed(true);

  // Created in this order, all hidden; closing the main window ends the program.
  TfrmMain frmMain;
  placeholder::TserOptionForm serOptionForm(&frmMain);
  TprgOptionForm prgOptionForm(&frmMain);
  QDialog* frmAbout = placeholder::NamedDialog("frmAbout", &frmMain);
  QDialog* frmPreview = placeholder::NamedDialog("frmPreview", &frmMain);
  QDialog* frmIqReport = placeholder::NamedDialog("frmIqReport", &frmMain);
  frmAbout->hide();
  frmPreview->hide();
  frmIqReport->hide();
  placeholder::TComms comms;
  TQtMessageBoxes boxes;
  TQtErrorDisplay errors(&frmMain);

  const std::string programDir =
      QFile::encodeName(QApplication::applicationDirPath()).toStdString();
  TCaptureApp capture(TCaptureParts{frmMain, serOptionForm, prgOptionForm, comms, boxes, errors},
                      programDir);
  std::vector<std::string> params;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) params.push_back(ToCp1252(arguments[i]));
  capture.startUp(params);

  frmMain.show();
  return QApplication::exec();
}
