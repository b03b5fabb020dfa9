// The installation qualification report form: never shown itself, it carries the report. Each
// generate runs the checks live against the program's windows, records the pages with the real
// fonts and opens them in a new preview window.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "gui/report/QtCanvas.h"
#include "qualification/IqChecks.h"
#include "qualification/IqReport.h"

class ISound;
class TfrmPreview;

class TfrmIqReport : public QWidget {
  Q_OBJECT

 public:
  // The windows the checks drive. Every pointer must outlive the form.
  struct TServices {
    // Carries the menu entries menConfigPort and menHelpApp.
    QWidget* frmMain = nullptr;
    // Carries the port list comboPort and the button btnClose.
    QWidget* serOptionForm = nullptr;
    QWidget* prgOptionForm = nullptr;
    // The preview's warning beep; the toolkit's without.
    ISound* sound = nullptr;
    // The program file the software rows describe; the running program's when empty.
    QString programFile;
  };

  explicit TfrmIqReport(QWidget* parent = nullptr);
  ~TfrmIqReport() override;

  void SetServices(TServices services) { services_ = std::move(services); }
  // How a check holds the program still so that the user sees it; the user-interface thread
  // sleeps unless replaced.
  void SetPause(std::function<void(int milliseconds)> pause) { pause_ = std::move(pause); }

  // Fills the report, runs the checks, generates the pages into a new preview window and shows
  // it on its first page without waiting for it. Does nothing while a run is under way.
  void generate();

  TIqReport& Report() { return report_; }
  // The preview window of the latest run (nullptr once it has been closed).
  TfrmPreview* LastPreview() const;

 private:
  class TLiveProgram;

  TIqReport report_;
  TIqRun run_{report_};
  // The form is laid out in 96 dpi design pixels whatever the screen's resolution.
  TQtReferenceDevice device_{96};
  TServices services_;
  std::function<void(int)> pause_;
};
