// What the serial subsystem takes from the program it runs in: the device layer, the display of
// exceptions that handlers raised, the port prompt and the facts of the log header. The program
// builds one context at start (main) and installs it before a port opens; tests install theirs
// for a scope. Changed only on the GUI thread while no port is open, so any thread may read it.
#pragma once

#include <ctime>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class IDeviceLayer;
class TApdBaseDispatcher;
class TApdCustomComPort;

using TDispatcherFactory = std::function<std::unique_ptr<TApdBaseDispatcher>(TApdCustomComPort*)>;

// Shows an exception that a handler raised on the GUI thread (the hidden window, a failed open
// after loading).
using TExceptionDisplay = std::function<void(const std::exception&)>;

// Asks the user for a port when one is opened without a port number: the chosen number, or
// anything below 1 for Cancel.
using TPortPrompt = std::function<int()>;

// What the log header says about the machine; the serial core itself asks no platform.
struct TLogHeaderFacts {
  // The operating system; at most 80 characters are written. Unset: "Unknown".
  std::function<std::string()> OsDescription;
  // The local time of the "Date/time" line. Unset: the C library's local time.
  std::function<std::tm()> LocalTime;
};

struct TSerialContext {
  // Must outlive every port. Null: ports cannot open (ecNullApi) and no port exists.
  IDeviceLayer* DeviceLayer = nullptr;
  // Set: makes every port's dispatcher in place of the device layer (tests: simulated devices).
  TDispatcherFactory DispatcherFactory;
  // Unset: the message goes to stderr. The GUI installs a message box.
  TExceptionDisplay ExceptionDisplay;
  // Unset: Cancel. The GUI installs the selection dialog.
  TPortPrompt PortPrompt;
  TLogHeaderFacts LogHeaderFacts;
};

// The context in force; empty until one is installed.
TSerialContext& SerialContext();

// Makes `context` the one in force and returns the previous one.
TSerialContext InstallSerialContext(TSerialContext context);

// Installs a context for its lifetime and gives the previous one back when it ends, however the
// scope is left (a failed assertion included).
class TSerialContextScope {
 public:
  explicit TSerialContextScope(TSerialContext context)
      : previous_(InstallSerialContext(std::move(context))) {}
  // The context in force with the changes `edit` makes to it.
  template <typename Edit>
  static TSerialContext Edited(Edit&& edit) {
    TSerialContext c = SerialContext();
    edit(c);
    return c;
  }
  ~TSerialContextScope() { InstallSerialContext(std::move(previous_)); }
  TSerialContextScope(const TSerialContextScope&) = delete;
  TSerialContextScope& operator=(const TSerialContextScope&) = delete;

 private:
  TSerialContext previous_;
};

// Single fields of the context, for the GUI's installation code and its tests: each replaces one
// field and returns what it held.
TExceptionDisplay SetApplicationExceptionDisplay(TExceptionDisplay display);
TPortPrompt SetPortPrompt(TPortPrompt prompt);
IDeviceLayer* SetDeviceLayer(IDeviceLayer* layer);
TDispatcherFactory SetDispatcherFactory(TDispatcherFactory factory);
IDeviceLayer* DeviceLayer();

// Shows `e` through the context's exception display.
void ShowApplicationException(const std::exception& e);
// From any thread: shows the exception's message through ShowApplicationException on the GUI
// thread, when its message pump next runs.
void ShowApplicationExceptionLater(const std::exception& e);
