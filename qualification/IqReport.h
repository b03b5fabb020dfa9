// The installation qualification report without its windows: the report form with its bands and
// controls, and the filling of its data fields with the computer's and the program's facts and
// the outcome of six checks run live against the program's own windows. The windows side
// (TfrmIqReport) drives the program through IIqSubject and shows the pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/SystemInfo.h"
#include "qualification/zanExeinfo.h"
#include "report/Alrep.h"

// The running program file: its path for reading (a platform file name, platform/FileName.h), and
// for the report its directory, ending in a path separator, and its name (CP1252).
struct TIqProgramFile {
  std::string Path;
  std::string Directory;
  std::string Name;
};

// A serial port present when the report runs, as the port selection finds it.
struct TIqComPort {
  enum TState { Free, InUse, NoAccess };
  int Number = 0;
  TState State = Free;
};

// The report's text of the ports: "1,3 (belegt),12 (kein Zugriff)".
std::string ComPortsText(const std::vector<TIqComPort>& ports);

// The program as the checks see and drive it. Actions return at once; the checks process the
// pending window messages themselves.
class IIqSubject {
 public:
  virtual ~IIqSubject() = default;
  // The ports present now: a port held by another program or one the user may not open is
  // present too.
  virtual std::vector<TIqComPort> ComPorts() const = 0;
  virtual TIqProgramFile ProgramFile() const = 0;

  virtual void ShowFilterSettings() = 0;
  virtual void HideFilterSettings() = 0;
  virtual bool FilterSettingsVisible() const = 0;
  // Konfiguration > Port, as if clicked.
  virtual void ClickPortMenu() = 0;
  // The port settings window's "Schließen".
  virtual void ClickPortClose() = 0;
  virtual bool PortSettingsVisible() const = 0;
  // Whether "Tarvolin.hlp" lies in the program's directory.
  virtual bool HelpFileExists() const = 0;
  // Hilfe > Anwendung, as if clicked.
  virtual void ClickHelpMenu() = 0;
  // Whether the help window is shown at the overview of the help file.
  virtual bool HelpShown() const = 0;
  virtual void CloseHelp() = 0;

  virtual void ProcessMessages() = 0;
  // Holds the program still so that the user sees what a check did.
  virtual void Pause(int milliseconds) = 0;
};

class TIqReport {
 public:
  static constexpr int kCheckPauseMs = 300;

  // Builds the report form frmIqReport with its report component alrIQ.
  TIqReport();
  ~TIqReport();

  TAlForm& Form() { return *form_; }
  TAlReport& alrIQ() { return *alrIQ_; }
  TZanExeInfo& zanExeInfo() { return *zanExeInfo_; }

  // Steps 1 to 6 of a report run: empties the data fields, appends the six computer rows and the
  // nine software rows (the seven of the version block and the installation, then the SHA-256
  // of the program file and of its help file), runs the six checks against `subject` and appends
  // the result texts. The computer rows come from `facts`. The pages are the caller's to generate.
  void FillData(IIqSubject& subject, const ISystemFacts& facts = PlatformSystemFacts());

  // Appends a check's text and "Ja" or "Nein", and counts it.
  void addCheckRow(const std::string& text, bool passed);
  int FailedCount() const { return failed_; }

 private:
  void Row(const char* labelField, const char* valueField, const std::string& label,
           const std::string& value);

  std::unique_ptr<TAlForm> form_;
  TAlReport* alrIQ_;
  TZanExeInfo* zanExeInfo_;
  int checks_ = 0;
  int failed_ = 0;
};
