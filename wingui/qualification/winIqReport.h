// The installation qualification report form on Win32: never shown itself, it carries the
// report. Each generate runs the checks live against the program's windows, records the pages
// with the real fonts and opens them in a new preview window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "qualification/IqChecks.h"
#include "qualification/IqReport.h"
#include "wingui/report/GdiCanvas.h"

class ISound;

namespace wingui {
class TfrmPreview;
}

class TfrmIqReport {
 public:
  // The windows the checks drive. Every window must outlive the form's use of it.
  struct TServices {
    // Takes the menu commands of Konfiguration > Port and Hilfe > Anwendung (MainformIds.h).
    HWND frmMain = nullptr;
    // Carries the port list and the button "Schließen" (serOptionsIds.h).
    HWND serOptionForm = nullptr;
    HWND prgOptionForm = nullptr;
    // The preview's warning beep; the system's without.
    ISound* sound = nullptr;
    // The program file the software rows describe (CP1252); the running program's when empty.
    std::string programFile;
  };

  TfrmIqReport() = default;
  TfrmIqReport(const TfrmIqReport&) = delete;
  TfrmIqReport& operator=(const TfrmIqReport&) = delete;

  void SetServices(TServices services) { services_ = std::move(services); }
  // How a check holds the program still so that the user sees it; the user-interface thread
  // sleeps unless replaced.
  void SetPause(std::function<void(int milliseconds)> pause) { pause_ = std::move(pause); }

  // Fills the report, runs the checks, generates the pages into a new preview window and shows
  // it on its first page without waiting for it. Does nothing while a run is under way.
  void generate();

  TIqReport& Report() { return report_; }
  // The preview window of the latest run (nullptr once it has been closed).
  wingui::TfrmPreview* LastPreview() const;

 private:
  class TLiveProgram;

  TIqReport report_;
  TIqRun run_{report_};
  // The form is laid out in 96 dpi design pixels whatever the screen's resolution.
  wingui::TGdiReferenceDevice device_{96};
  TServices services_;
  std::function<void(int)> pause_;
};
