// What the running program is below its windows, wired alike for both GUIs: the serial
// subsystem's context, the port with its audit trail, the capture application, the result path
// and the main window's services. Each GUI's entry point creates its windows, hands them over
// here and runs its message loop.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/AuditedPort.h"
#include "app/CaptureApp.h"
#include "app/Keystrokes.h"
#include "app/Mainform.h"
#include "app/ResultFilter.h"
#include "dialogs/PortControl.h"

class IEventPump;
class TDesktop;
class TserOptionPort;

// The serial subsystem's context for the program in `programDir`: its platform's device layer
// (with ports.ini beside the INI file) and the operating system the dispatch log's header names.
void InstallProgramSerialContext(const std::string& programDir);

// The program's windows as its parts see them, of either GUI. Everything must outlive the parts.
struct TProgramWindows {
  IMainView& main;
  TMainController& controller;
  IPortOptionsView& serOptions;
  TserOptionPort& port;
  IFilterOptionsView& prgOptions;
  IMessageBoxes& boxes;
  IErrorDisplay& errors;
  // Runs a call once the message being handled is done, from the GUI's message loop.
  std::function<void(std::function<void()>)> defer;
};

class TProgramParts {
 public:
  // Failures in the port's event handlers go to the windows' error display, and the desktop's
  // notices to the main window's status line.
  TProgramParts(const TProgramWindows& windows, TDesktop& desktop, IEventPump& pump,
                const std::string& programDir);

  TCaptureApp& capture() { return capture_; }
  TResultFilter& results() { return results_; }
  // The main window's services that both GUIs share; the GUI adds its windows.
  TMainServices Services(std::function<void()> generateIqReport);

 private:
  TDesktop& desktop_;
  IMessageBoxes& boxes_;
  std::unique_ptr<IPortControl> port_;
  TKeystrokes keys_;
  TCaptureApp capture_;
  TAuditedPort comms_;
  TResultView resultView_;
  TResultFilter results_;
};
