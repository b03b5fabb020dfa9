#include "main/Program.h"

#include "dialogs/serOptionsPort.h"
#include "main/Desktop.h"
#include "main/DeviceLayer.h"
#include "platform/SystemInfo.h"
#include "serial/AwFactory.h"
#include "serial/SerialContext.h"

void InstallProgramSerialContext(const std::string& programDir) {
  TSerialContext serial;
  serial.DeviceLayer = &NativeDeviceLayer(programDir);
  serial.LogHeaderFacts = {OsReleaseText, {}};
  InstallSerialContext(std::move(serial));
}

namespace {

TAuditIdentity ProgramAuditIdentity() {
  TAuditIdentity identity{TARVOLIN_VERSION, "", ""};
  PlatformSystemFacts().ComputerName(identity.computer);
  PlatformSystemFacts().UserName(identity.user);
  return identity;
}

}  // namespace

TProgramParts::TProgramParts(const TProgramWindows& windows, TDesktop& desktop, IEventPump& pump,
                             const std::string& programDir)
    : desktop_(desktop),
      boxes_(windows.boxes),
      port_(MakePortControl(windows.port.comms())),
      keys_(desktop.Keys()),
      capture_(TCaptureParts{windows.main, windows.serOptions, windows.prgOptions, windows.port,
                             windows.boxes, windows.errors, &keys_, ProgramAuditIdentity()},
               programDir),
      comms_(*port_, capture_, windows.boxes,
             [](uint16_t com) {
               return DeviceLayer() ? DeviceLayer()->Ports()->Describe(com) : std::string();
             }),
      resultView_(windows.controller),
      results_(TResultFilterParts{windows.prgOptions, resultView_, windows.port, keys_,
                                  desktop.Sound(), pump, windows.errors,
                                  &capture_.resultRecorder()}) {
  IErrorDisplay& errors = windows.errors;
  SetPortExceptionDisplay([&errors](const std::exception& e) {
    if (const auto* known = dynamic_cast<const Exception*>(&e)) {
      errors.ShowException(*known);
    } else {
      errors.ShowException(Exception(e.what()));
    }
  });
  // A trail that fails during a capture stops it, once the result path has given way.
  capture_.onAuditFailure = [this, &controller = windows.controller,
                             defer = windows.defer](const std::string& cause) {
    if (!comms_.Open()) return;
    defer([this, &controller, cause] {
      if (comms_.Open()) controller.btnMessClick();
      boxes_.ShowMessageBox("Fehler", "Erfassung gestoppt!\n" + cause, TMessageKind::Error);
    });
  };
  IMainView& main = windows.main;
  desktop.SetNotice([&main](const std::string& text) { main.SetStatusText(text); });
}

TMainServices TProgramParts::Services(std::function<void()> generateIqReport) {
  TMainServices services;
  services.comms = &comms_;
  services.sound = &desktop_.Sound();
  services.foreground = &desktop_.Foreground();
  services.typingProblem = [this] { return desktop_.TypingProblem(); };
  services.boxes = &boxes_;
  services.saveConfig = [this] { capture_.saveConfig(); };
  services.loadConfig = [this] { capture_.loadConfig(); };
  services.generateIqReport = std::move(generateIqReport);
  return services;
}
