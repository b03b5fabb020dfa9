#include "app/Mainform.h"

#include <exception>
#include <vector>

#include "app/CaptureApp.h"
#include "app/Help.h"
#include "app/PortControl.h"
#include "base/SysUtils.h"
#include "platform/Sound.h"

namespace {

constexpr TMenuEntry kFileEntries[] = {
    {"menFileIQ", "&IQ", TMainCommand::FileIQ},
    {nullptr, nullptr, TMainCommand::FileIQ},
    {"menFileExit", "&Ende", TMainCommand::FileExit,
     "Schlie\xDF"
     "t das Program"},
};
constexpr TMenuEntry kConfigEntries[] = {
    {"menConfigPort", "&Port", TMainCommand::ConfigPort},
    {"menConfigFilter", "&Filter", TMainCommand::ConfigFilter},
    {nullptr, nullptr, TMainCommand::ConfigPort},
    {"menConfigSave", "&Speichern", TMainCommand::ConfigSave},
    {"menConfigLoad", "&Laden", TMainCommand::ConfigLoad},
};
constexpr TMenuEntry kHelpEntries[] = {
    {"menHelpApp", "&Anwendung", TMainCommand::HelpApp},
    {nullptr, nullptr, TMainCommand::HelpApp},
    {"menHelpAbout",
     "&\xDC"
     "ber",
     TMainCommand::HelpAbout},
};
constexpr TMenuDesign kMenus[] = {
    {"menFile", "&Datei", FileMenuHelpContext, kFileEntries},
    {"menConfig", "&Konfiguration", ConfigMenuHelpContext, kConfigEntries},
    {"menHelp", "&Hilfe", HelpMenuHelpContext, kHelpEntries},
};

}  // namespace

std::span<const TMenuDesign> MainMenus() {
  return kMenus;
}

void TMainController::btnMessClick() {
  if (services_.comms == nullptr) return;
  const bool stopping = services_.comms->Open();
  if (!stopping && RefuseStart()) return;
  try {
    services_.comms->SetOpen(!stopping);
  } catch (const std::exception& e) {
    if (!Stopped(stopping)) ReportStartFailure(e.what());
  } catch (...) {
    if (!Stopped(stopping)) ReportStartFailure(std::string());
  }
  showRunState();
  if (Stopped(stopping)) ReportRecorderFiles();
}

bool TMainController::Stopped(bool stopping) const {
  // A stop that closed the port and failed only at writing the trace or log is reported with
  // the files, not as a port that cannot be opened.
  return stopping && !services_.comms->Open();
}

void TMainController::Warn(const std::string& text) {
  if (services_.sound != nullptr) services_.sound->Beep(440, 100);
  if (services_.boxes != nullptr)
    services_.boxes->ShowMessageBox("Warnung", text, TMessageKind::Warning);
}

void TMainController::ReportStartFailure(const std::string& cause) {
  std::string text = Format(
      "Kann COM%d nicht \xF6"
      "ffnen!\n Falscher Port? In Gebrauch?",
      static_cast<int>(services_.comms->ComNumber()));
  // The port's own reason tells in use from missing, and a missing permission from both.
  if (const std::string reason = Trim(cause); !reason.empty()) text += "\n\n" + reason;
  Warn(text);
}

bool TMainController::RefuseStart() {
  // A capture whose keys go nowhere would show every reading as sent.
  const std::string problem = services_.typingProblem ? services_.typingProblem() : std::string();
  if (problem.empty()) return false;
  Warn(
      "Start nicht m\xF6glich: Tastendr\xFC"
      "cke erreichen kein Programm.\n" +
      problem);
  return true;
}

void TMainController::ReportRecorderFiles() {
  const std::vector<TRecorderFile> files = services_.comms->RecorderFiles();
  if (files.empty()) return;
  std::string text = "Stopp!";
  bool failed = false;
  for (const TRecorderFile& f : files) {
    if (f.written)
      text += " " + f.name + " geschrieben.";
    else if (f.error.empty())
      text += " " + f.name + " leer, nicht geschrieben.";
    else
      text += " " + f.name + " nicht geschrieben: " + Trim(f.error) + ".";
    failed = failed || !f.error.empty();
  }
  view_.SetStatusText(text);
  if (failed && services_.sound != nullptr) services_.sound->Beep(110, 500);
}

void TMainController::showRunState() {
  const bool capturing = services_.comms != nullptr && services_.comms->Open();
  view_.ShowRunButton(capturing);
  view_.SetTimerEnabled(capturing);
  if (capturing) {
    deviceLostReported_ = false;
    deviceReturns_ = services_.comms->DeviceReturns();
    setLED(view_, ledNoTarget, "***Morvisk***");
    view_.SetStatusText("Start!");
  } else {
    view_.SetStatusText("Stopp!");
    setLED(view_, ledInactive, "<inaktiv>");
  }
  // While capturing no settings can be saved or loaded and no dialog opened from the menu.
  view_.SetMenusEnabled(!capturing);
}

void TMainController::timerTimer() {
  if (services_.foreground == nullptr) return;
  IForegroundWindow& desktop = *services_.foreground;
  const WindowId window = desktop.Foreground();
  TColor color = ledNoTarget;
  std::string text;
  if (view_.OwnWindowActive()) {
    text = "***Morvisk***";
  } else if (window == 0 || !desktop.IsWindow(window)) {
    text = "<Kein Fenster>";
  } else if (view_.OwnWindowInFront(window)) {
    text = "***Morvisk***";
  } else {
    const std::string title = desktop.Title(window, TMainDesign::TitleChars);
    text = title.empty() ? std::string("<Fenster ohne Titel>") : Trim(title);
    color = ledTarget;
  }
  setLED(view_, color, text);
  ReportLostDevice();
}

void TMainController::ReportLostDevice() {
  // An unplugged adapter sends nothing until it is back, and capture then goes on by itself:
  // say both once, instead of letting readings go missing without a word.
  if (services_.comms == nullptr) return;
  const uint32_t returns = services_.comms->DeviceReturns();
  if (returns != deviceReturns_) {
    deviceReturns_ = returns;
    deviceLostReported_ = false;
    view_.SetStatusText(
        Format("Verbindung zu COM%d wiederhergestellt.", services_.comms->ComNumber()));
    return;
  }
  if (deviceLostReported_ || !services_.comms->DeviceLost()) return;
  deviceLostReported_ = true;
  view_.SetStatusText(
      Format("Verbindung zu COM%d unterbrochen! Warte, bis das Ger\xE4t wieder angeschlossen "
             "ist.",
             services_.comms->ComNumber()));
  if (services_.sound != nullptr) services_.sound->Beep(110, 500);
}

void TMainController::Command(TMainCommand command) {
  const auto run = [](const std::function<void()>& f) {
    if (f) f();
  };
  switch (command) {
    case TMainCommand::FileIQ:
      run(services_.generateIqReport);
      break;
    case TMainCommand::FileExit:
      view_.CloseWindow();
      break;
    case TMainCommand::ConfigPort:
      view_.ShowPortSettings();
      break;
    case TMainCommand::ConfigFilter:
      view_.ShowFilterSettings();
      break;
    case TMainCommand::ConfigSave:
      run(services_.saveConfig);
      break;
    case TMainCommand::ConfigLoad:
      run(services_.loadConfig);
      break;
    case TMainCommand::HelpApp:
      view_.ShowHelpTopic(HelpOverviewTopic);
      break;
    case TMainCommand::HelpAbout:
      view_.ShowAbout();
      break;
  }
}

void TMainController::FormClose() {
  view_.SetTimerEnabled(false);
  if (services_.comms == nullptr || !services_.comms->Open()) return;
  try {
    services_.comms->SetOpen(false);
  } catch (...) {
    // The port component closes the device when it goes away at the end of the program.
  }
}

TColor TResultView::LedColor() const {
  if (view_.LedColor() == ledTarget) main_.timerTimer();
  return view_.LedColor();
}
