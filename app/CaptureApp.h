// Start-up of the capture application: the command line, the configuration's name and file,
// and loading and saving the configuration into the windows and the port.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AuditTrail.h"
#include "app/CaptureConfig.h"
#include "app/CaptureViews.h"
#include "app/Help.h"
#include "platform/ConfigDirectory.h"

class TIniFile;
class TKeystrokes;

// The windows and services the start-up works on. They outlive the TCaptureApp.
struct TCaptureParts {
  IMainView& main;
  IPortOptionsView& serOptions;
  IFilterOptionsView& prgOptions;
  ICommsPort& comms;
  IMessageBoxes& boxes;
  IErrorDisplay& errors;
  // Takes the pause between keystrokes of each configuration loaded; none where nothing types.
  TKeystrokes* keystrokes = nullptr;
  // Who writes the audit trail, and its clock, for when the configuration switches it on.
  TAuditIdentity auditIdentity = {};
  TAuditTrail::TClock auditClock = AuditTimeNow;
};

inline constexpr const char* ApplicationTitle =
    "Erfassung serieller Daten in jede Windows-Anwendung";

// Sets the indicator: a blank text becomes "<kein Titel>"; colour and text are assigned only
// when they differ from what the panel shows, so the panel does not flicker.
void setLED(IMainView& main, TColor color, const std::string& text);

class TCaptureApp {
 public:
  // `programDir` is the directory of the executable; a path separator is appended when missing.
  TCaptureApp(TCaptureParts parts, std::string programDir, TGetEnv getEnv = SystemEnvironment);
  // The trail and the recorder refer to the application by its address.
  TCaptureApp(const TCaptureApp&) = delete;
  TCaptureApp& operator=(const TCaptureApp&) = delete;

  // Evaluates the command line (the parameters after the program name), forms the INI path,
  // loads the configuration and brings the windows into the stopped state. A damaged port value
  // in the file is reported by the general error display and replaced by its default, so that
  // the program always starts.
  void startUp(const std::vector<std::string>& params);

  // Re-reads the INI file into the windows and the port, the optional trace and log keys too
  // (their relative file names taken in the configuration directory). A port value that cannot be
  // applied is reported by the general error display and ends the load there: the values after it
  // keep their contents and the status line keeps "Lade Konfiguration...".
  void loadConfig();

  // Writes the configuration as the windows show it. A failure is reported by the general error
  // display; the file is then unchanged and the status line keeps "Speichere Konfiguration...".
  void saveConfig();

  // The configuration as the windows show it now.
  TCaptureConfig currentConfig() const;

  const std::string& programDir() const { return programDir_; }
  const std::string& configName() const { return configName_; }
  const std::string& iniPath() const { return iniPath_; }
  const std::string& helpFile() const { return helpFile_; }

  // The audit trail as the configuration last loaded it; none while it is off.
  TAuditTrail* auditTrail() const { return audit_.get(); }
  // What the result path records to: the trail while it is on. While it is off every result
  // passes unrecorded.
  IResultRecorder& resultRecorder() { return recorder_; }
  // Called once each time the trail fails while it is on, with the cause for the user; capture
  // must then stop.
  std::function<void(const std::string& cause)> onAuditFailure;

  // Before the port opens: empty when capture may start, else why not (for the user). The trail's
  // file is made ready here, so that a capture never begins with a trail that cannot be written.
  std::string auditStartProblem();
  // After the port opened: records the start with the line settings the port dialog shows. Empty
  // when recorded, else why not; the port must then close again.
  std::string auditCaptureStarted(uint16_t com, const std::string& adapter);
  void auditCaptureStopped();
  void auditDeviceLost();
  void auditDeviceBack();

 private:
  void evaluateCommandLine(const std::vector<std::string>& params);
  std::string configDirectory() const;
  void load(bool atStartUp);
  void apply(const TCaptureConfig& c, bool atStartUp);
  void loadAudit(const TIniFile& ini);
  std::string configLetter() const;

  // Forwards results to the trail while there is one.
  class TRecorder : public IResultRecorder {
   public:
    explicit TRecorder(TCaptureApp& app) : app_(app) {}
    bool Record(const TResultRecord& record) override;
    void BatchDone() override;

   private:
    TCaptureApp& app_;
  };

  TCaptureParts parts_;
  TGetEnv getEnv_;
  std::string programDir_;
  std::string configName_ = "Tarvolin";
  std::string iniPath_;
  std::string helpFile_;
  // Has no window to show it: kept from the last load for the next save.
  std::optional<int32_t> keyPause_;
  std::unique_ptr<TAuditTrail> audit_;
  TRecorder recorder_{*this};
};
