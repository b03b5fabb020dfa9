// Where a port gets its dispatcher from, and which ports the system has.
//
// The serial core names the interface; each platform's device layer implements it (POSIX: the
// termios layer in AwPosix, Windows: the Win32 layer in AwWin32), and the program installs its
// platform's one in the serial context (SerialContext.h) at start. Tests install a dispatcher
// factory there instead, so that a port runs on a simulated device.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/SerialContext.h"

// The serial ports as one look at the system finds them. Not thread-safe; GUI thread.
class IPortList {
 public:
  virtual ~IPortList() = default;
  // Opens port `comNumber` the way the device layer does (64-byte queues where the device has
  // queues) and closes it again at once: 0, or the Win32 error number of the failed open.
  virtual uint32_t ProbePort(int comNumber) = 0;
  // What the number stands for, for a tooltip (CP1252), for example "COM3 = /dev/ttyUSB0
  // (ports.ini)"; may be empty.
  virtual std::string Describe(int comNumber) = 0;
  // The name of the adapter behind the number (CP1252); may be empty.
  virtual std::string Name(int comNumber) = 0;
};

class IDeviceLayer {
 public:
  virtual ~IDeviceLayer() = default;
  // The dispatcher of a port that is being opened.
  virtual std::unique_ptr<TApdBaseDispatcher> CreateDispatcher(TApdCustomComPort* owner) = 0;
  // A fresh look at the ports.
  virtual std::unique_ptr<IPortList> Ports() = 0;
};

// A device layer whose dispatchers are made of their owner alone and whose port lists of nothing.
template <typename Dispatcher, typename PortList>
class TDeviceLayerOf : public IDeviceLayer {
 public:
  std::unique_ptr<TApdBaseDispatcher> CreateDispatcher(TApdCustomComPort* owner) override {
    return std::make_unique<Dispatcher>(owner);
  }
  std::unique_ptr<IPortList> Ports() override { return std::make_unique<PortList>(); }
};

// The existence test of the port selection: port 0 is never present; otherwise present when the
// probe opens it or finds it held by another program (5). Missing permission
// (kWin32PermissionDenied) counts as held too: on POSIX it is the other half of what Windows
// reports as access denied, and listing the port lets the open explain the dialout group. A
// probe that throws marks the port absent.
bool PortExists(int comNumber, const std::function<uint32_t(int comNumber)>& probe);

// The context's dispatcher factory's dispatcher when it has one, otherwise its device layer's;
// null without both. GUI thread.
std::unique_ptr<TApdBaseDispatcher> CreateDispatcherFor(TApdCustomComPort* owner);
