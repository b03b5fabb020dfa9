#include "app/CaptureApp.h"

#include "app/Keystrokes.h"
#include "app/PortSettings.h"
#include "app/RecorderConfig.h"
#include "base/SysUtils.h"
#include "platform/IniFile.h"

namespace {

#ifdef _WIN32
constexpr char kPathDelim = '\\';
bool EndsWithDelim(const std::string& s) {
  return !s.empty() && (s.back() == '\\' || s.back() == '/');
}
#else
constexpr char kPathDelim = '/';
bool EndsWithDelim(const std::string& s) {
  return !s.empty() && s.back() == '/';
}
#endif

std::string WithDelim(std::string s) {
  if (!EndsWithDelim(s)) s += kPathDelim;
  return s;
}

int32_t InList(int32_t index, int32_t count) {
  return index >= 0 && index < count ? index : -1;
}

int32_t DefaultIndex(int32_t TCaptureConfig::*field) {
  return TCaptureConfig().*field;
}

// One port value: how the dialog applies it to the port, and how the dialog goes back to the
// value's default when the file held one that cannot be applied.
struct TPortStep {
  void (*apply)(const IPortOptionsView&, ICommsPort&);
  void (*reset)(IPortOptionsView&);
};

const TPortStep kPortSteps[] = {
    {comboPortChange,
     [](IPortOptionsView& d) { d.SetPortText(DefaultText(&TCaptureConfig::Port)); }},
    {comboBaudChange,
     [](IPortOptionsView& d) { d.SetBaudText(DefaultText(&TCaptureConfig::Baud)); }},
    {comboDatabitsChange,
     [](IPortOptionsView& d) { d.SetDatabitsText(DefaultText(&TCaptureConfig::Databits)); }},
    {comboParityChange,
     [](IPortOptionsView& d) { d.SetParityIndex(DefaultIndex(&TCaptureConfig::Parity)); }},
    {comboStopChange,
     [](IPortOptionsView& d) { d.SetStopText(DefaultText(&TCaptureConfig::Stopbits)); }},
    {comboXonXoffChange,
     [](IPortOptionsView& d) { d.SetXonXoffIndex(DefaultIndex(&TCaptureConfig::XonXoff)); }},
    {setHwHandshake,
     [](IPortOptionsView& d) {
       TCaptureConfig c;
       d.SetUseDTR(c.useDTR);
       d.SetUseRTS(c.useRTS);
       d.SetReqDSR(c.useDSR);
       d.SetReqCTS(c.useCTS);
     }},
};

}  // namespace

void setLED(IMainView& main, TColor color, const std::string& text) {
  const std::string shown = Trim(text).empty() ? std::string("<kein Titel>") : text;
  if (main.LedColor() != color) main.SetLedColor(color);
  if (main.LedText() != shown) main.SetLedText(shown);
}

TCaptureApp::TCaptureApp(TCaptureParts parts, std::string programDir, TGetEnv getEnv)
    : parts_(parts), getEnv_(std::move(getEnv)), programDir_(WithDelim(std::move(programDir))) {}

void TCaptureApp::startUp(const std::vector<std::string>& params) {
  configName_ = "Tarvolin";
  evaluateCommandLine(params);
  iniPath_ = WithDelim(configDirectory()) + configName_ + ".INI";
  load(true);
  parts_.comms.SetAutoOpen(false);
  parts_.comms.SetOpen(false);
  parts_.main.showRunState();
  parts_.serOptions.getComPorts();
  setLED(parts_.main, ledInactive, "<inaktiv>");
  helpFile_ = programDir_ + HelpFileName;
}

void TCaptureApp::evaluateCommandLine(const std::vector<std::string>& params) {
  static const std::string kPrefix = "/CONFIG=";
  for (size_t i = 0; i < params.size(); ++i) {
    const std::string& p = params[i];
    const std::string upper = UpperCase(p);
    if (upper.starts_with(kPrefix)) {
      const char c = upper.size() == kPrefix.size() + 1 ? upper.back() : '\0';
      if ((c >= '1' && c <= '9') || (c >= 'A' && c <= 'Z')) {
        configName_ = std::string("Tarvolin") + c;
      } else {
        parts_.boxes.ShowMessageBox("Fehler",
                                    "Parameter \"/CONFIG=\" erwartet genau 1 Zeichen als Wert!",
                                    TMessageKind::Error);
      }
    } else {
      parts_.boxes.ShowMessageBox(
          "Warnung", Format("Parameter %d (%s) nicht auswertbar!", static_cast<int>(i + 1), p),
          TMessageKind::Warning);
    }
  }
}

std::string TCaptureApp::configDirectory() const {
  return ConfigDirectory(getEnv_, programDir_);
}

void TCaptureApp::loadConfig() {
  load(false);
}

void TCaptureApp::load(bool atStartUp) {
  parts_.main.SetStatusText("Lade Konfiguration...");
  const TIniFile ini(iniPath_);
  TCaptureConfig c;
  c.Read(ini);
  TRecorderConfig recorders;
  recorders.Read(ini);
  try {
    apply(c, atStartUp);
    // A desktop menu may start the program in "/" or a read-only directory: the files go
    // beside the configuration.
    parts_.comms.SetRecorders(recorders.ResolvedIn(WithDelim(configDirectory())));
  } catch (const Exception& e) {
    parts_.errors.ShowException(e);
    return;
  }
  loadAudit(ini);
  parts_.main.SetStatusText("Konfiguration geladen");
}

std::string TCaptureApp::configLetter() const {
  return configName_.substr(std::string("Tarvolin").size());
}

void TCaptureApp::loadAudit(const TIniFile& ini) {
  TAuditConfig config;
  config.Read(ini);
  if (!config.Auditing) {
    audit_.reset();
    return;
  }
  const std::string dir = config.DirectoryIn(WithDelim(configDirectory()));
  if (!audit_ || audit_->Directory() != dir) {
    audit_ = std::make_unique<TAuditTrail>(dir, parts_.auditIdentity, parts_.auditClock);
    audit_->OnFailure = [this](const std::string& cause) {
      if (onAuditFailure) onAuditFailure(cause);
    };
  }
  audit_->SetContext(configLetter(), 0, std::string());
  // A trail that cannot be written now is left to Start, which refuses with its cause.
  if (audit_->Open()) audit_->ConfigLoaded(iniPath_);
}

std::string TCaptureApp::auditStartProblem() {
  if (!audit_ || audit_->Open()) return std::string();
  return audit_->Error();
}

std::string TCaptureApp::auditCaptureStarted(uint16_t com, const std::string& adapter) {
  if (!audit_) return std::string();
  static const char* const kXonXoff[] = {"none", "receive", "transmit", "both"};
  const IPortOptionsView& d = parts_.serOptions;
  TAuditLineSettings line{d.BaudText(), d.DatabitsText(), "", d.StopText(), "", ""};
  if (const int32_t p = d.ParityIndex(); p >= 0 && p < ParityItemCount)
    line.parity = ParityItems[p];
  if (const int32_t x = d.XonXoffIndex(); x >= 0 && x < XonXoffItemCount)
    line.xonxoff = kXonXoff[x];
  for (const auto& [on, name] : {std::pair{d.UseDTR(), "DTR"}, std::pair{d.UseRTS(), "RTS"},
                                 std::pair{d.ReqDSR(), "DSR"}, std::pair{d.ReqCTS(), "CTS"}})
    if (on) line.handshake += (line.handshake.empty() ? "" : " ") + std::string(name);
  audit_->SetContext(configLetter(), com, adapter);
  return audit_->CaptureStarted(line) ? std::string() : audit_->Error();
}

void TCaptureApp::auditCaptureStopped() {
  if (audit_) audit_->CaptureStopped();
}

void TCaptureApp::auditDeviceLost() {
  if (audit_) audit_->DeviceLost();
}

void TCaptureApp::auditDeviceBack() {
  if (audit_) audit_->DeviceBack();
}

bool TCaptureApp::TRecorder::Record(const TResultRecord& record) {
  return !app_.audit_ || app_.audit_->Record(record);
}

void TCaptureApp::TRecorder::BatchDone() {
  if (app_.audit_) app_.audit_->BatchDone();
}

void TCaptureApp::apply(const TCaptureConfig& c, bool atStartUp) {
  IPortOptionsView& d = parts_.serOptions;
  d.SetPortText(c.Port);
  d.SetBaudText(c.Baud);
  d.SetDatabitsText(c.Databits);
  d.SetParityIndex(InList(c.Parity, ParityItemCount));
  d.SetStopText(c.Stopbits);
  d.SetXonXoffIndex(InList(c.XonXoff, XonXoffItemCount));
  d.SetUseDTR(c.useDTR);
  d.SetUseRTS(c.useRTS);
  d.SetReqDSR(c.useDSR);
  d.SetReqCTS(c.useCTS);

  for (const TPortStep& step : kPortSteps) {
    try {
      step.apply(d, parts_.comms);
    } catch (const Exception& e) {
      // A hand-edited file must not keep the program from starting: report the value and go
      // on with its default. A load from the menu stops here instead.
      if (!atStartUp) throw;
      parts_.errors.ShowException(e);
      step.reset(d);
      try {
        step.apply(d, parts_.comms);
      } catch (const Exception& again) {
        parts_.errors.ShowException(again);
      }
    }
  }

  IFilterOptionsView& f = parts_.prgOptions;
  f.SetPrefixText(c.begin);
  f.SetEolText(c.end);
  f.SetGoodText(c.goodChars);
  f.SetCheckText(c.checkChars);
  f.SetDecSubstIndex(InList(c.decSubst, DecSubstItemCount));
  f.SetCursMoveIndex(InList(c.cursMove, CursMoveItemCount));

  parts_.main.SetLeft(c.mainLeft);
  parts_.main.SetTop(c.mainTop);
  f.SetLeft(c.prgLeft);
  f.SetTop(c.prgTop);
  d.SetLeft(c.serLeft);
  d.SetTop(c.serTop);
  keyPause_ = c.keyPause;
  if (parts_.keystrokes != nullptr) parts_.keystrokes->SetPause(c.keyPause.value_or(0));
  parts_.main.SetCaption(configName_);
}

TCaptureConfig TCaptureApp::currentConfig() const {
  const IPortOptionsView& d = parts_.serOptions;
  const IFilterOptionsView& f = parts_.prgOptions;
  TCaptureConfig c;
  c.Port = d.PortText();
  c.Baud = d.BaudText();
  c.Databits = d.DatabitsText();
  c.Parity = d.ParityIndex();
  c.Stopbits = d.StopText();
  c.XonXoff = d.XonXoffIndex();
  c.useDTR = d.UseDTR();
  c.useRTS = d.UseRTS();
  c.useDSR = d.ReqDSR();
  c.useCTS = d.ReqCTS();
  c.begin = f.PrefixText();
  c.end = f.EolText();
  c.checkChars = f.CheckText();
  c.goodChars = f.GoodText();
  c.decSubst = f.DecSubstIndex();
  c.cursMove = f.CursMoveIndex();
  c.mainLeft = parts_.main.Left();
  c.mainTop = parts_.main.Top();
  c.prgLeft = f.Left();
  c.prgTop = f.Top();
  c.serLeft = d.Left();
  c.serTop = d.Top();
  c.keyPause = keyPause_;
  return c;
}

void TCaptureApp::saveConfig() {
  parts_.main.SetStatusText("Speichere Konfiguration...");
  TIniFile ini(iniPath_);
  currentConfig().Write(ini);
  try {
    ini.UpdateFile();
  } catch (const EIniFileException& e) {
    parts_.errors.ShowException(e);
    return;
  }
  if (audit_) audit_->ConfigSaved(iniPath_);
  parts_.main.SetStatusText("Konfiguration gespeichert");
}
