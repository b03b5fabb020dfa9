#include "serial/SerialContext.h"

#include <deque>
#include <iostream>
#include <mutex>

#include "base/Exception.h"
#include "serial/AwWndMsg.h"

TSerialContext& SerialContext() {
  static TSerialContext context;
  return context;
}

TSerialContext InstallSerialContext(TSerialContext context) {
  return std::exchange(SerialContext(), std::move(context));
}

TExceptionDisplay SetApplicationExceptionDisplay(TExceptionDisplay display) {
  return std::exchange(SerialContext().ExceptionDisplay, std::move(display));
}

TPortPrompt SetPortPrompt(TPortPrompt prompt) {
  return std::exchange(SerialContext().PortPrompt, std::move(prompt));
}

IDeviceLayer* SetDeviceLayer(IDeviceLayer* layer) {
  return std::exchange(SerialContext().DeviceLayer, layer);
}

TDispatcherFactory SetDispatcherFactory(TDispatcherFactory factory) {
  return std::exchange(SerialContext().DispatcherFactory, std::move(factory));
}

IDeviceLayer* DeviceLayer() {
  return SerialContext().DeviceLayer;
}

void ShowApplicationException(const std::exception& e) {
  if (const TExceptionDisplay& display = SerialContext().ExceptionDisplay)
    display(e);
  else
    std::cerr << e.what() << std::endl;
}

namespace {

// The texts of exceptions from other threads, waiting for the GUI thread.
struct TLaterExceptions {
  std::mutex lock;
  std::deque<std::string> messages;
  HWND window = 0;

  LRESULT Proc(HWND, UINT, WPARAM, LPARAM) {
    for (;;) {
      std::string message;
      {
        std::lock_guard guard(lock);
        if (messages.empty()) return 0;
        message = std::move(messages.front());
        messages.pop_front();
      }
      ShowApplicationException(Exception(message));
    }
  }
};

TLaterExceptions& LaterExceptions() {
  static TLaterExceptions later;
  return later;
}

}  // namespace

void ShowApplicationExceptionLater(const std::exception& e) {
  TLaterExceptions& later = LaterExceptions();
  HWND window;
  {
    std::lock_guard guard(later.lock);
    later.messages.emplace_back(e.what());
    // A window of the process's lifetime: the posted message is handled whenever the GUI thread
    // pumps, whichever port is open then.
    if (later.window == 0)
      later.window = WndMsg().CreateWindow(TWndProc::Bind<&TLaterExceptions::Proc>(&later));
    window = later.window;
  }
  WndMsg().PostMessage(window, WM_USER, 0, 0);
}
