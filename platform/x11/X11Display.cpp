#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// Xlib's error handlers are process-wide; they look up which of our connections failed.
std::mutex registryMutex;
std::vector<TX11Display*> registry;
XErrorHandler previousErrorHandler = nullptr;
XIOErrorHandler previousIoErrorHandler = nullptr;

TX11Display* Find(Display* display) {
  for (TX11Display* d : registry) {
    if (d->Owns(display)) return d;
  }
  return nullptr;
}

int OnError(Display* display, XErrorEvent* error) {
  TX11Display* owner = nullptr;
  {
    std::lock_guard lock(registryMutex);
    owner = Find(display);
  }
  if (owner != nullptr) {
    owner->NoteError(error->error_code);
    return 0;
  }
  return previousErrorHandler != nullptr ? previousErrorHandler(display, error) : 0;
}

int OnIoError(Display* display) {
  {
    std::lock_guard lock(registryMutex);
    if (TX11Display* owner = Find(display)) {
      owner->MarkLost();
      return 0;
    }
  }
  return previousIoErrorHandler != nullptr ? previousIoErrorHandler(display) : 0;
}

// Without this, Xlib ends the process after the IO error handler returns.
void OnIoErrorExit(Display*, void* owner) {
  static_cast<TX11Display*>(owner)->MarkLost();
}

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    previousErrorHandler = XSetErrorHandler(OnError);
    previousIoErrorHandler = XSetIOErrorHandler(OnIoError);
  });
}

}  // namespace

TX11Display::TX11Display(const std::string& name) {
  InstallHandlers();
  display_ = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (display_ == nullptr) {
    name_ = XDisplayName(name.c_str());  // $DISPLAY for an empty name; empty when that is unset
    std::fprintf(stderr, "Tarvolin: cannot open X display \"%s\"\n", name_.c_str());
    return;
  }
  name_ = DisplayString(display_);
  XSetIOErrorExitHandler(display_, OnIoErrorExit, this);
  std::lock_guard lock(registryMutex);
  registry.push_back(this);
}

TX11Display::~TX11Display() {
  if (display_ == nullptr) return;
  {
    std::lock_guard lock(registryMutex);
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
  }
  if (lost_.load()) {
    // The connection is gone; XCloseDisplay would talk to it again. Xlib keeps the memory,
    // which is a one-time leak per lost server.
    return;
  }
  XCloseDisplay(display_);
}

void TX11Display::MarkLost() {
  if (lost_.exchange(true)) return;
  std::fprintf(stderr, "Tarvolin: connection to X display \"%s\" lost; keystrokes are off\n",
               name_.c_str());
}

namespace {

// Whether the server may still owe an answer (an error) for a request sent: requests with a
// reply are answered when the reply is read, so after one of them nothing is outstanding and a
// round trip to make sure would only wake both sides for nothing.
bool Outstanding(Display* display) {
  return NextRequest(display) - 1 != LastKnownRequestProcessed(display);
}

}  // namespace

void TX11Display::BeginTrap() {
  trappedError_ = 0;
  if (display_ != nullptr && Outstanding(display_)) XSync(display_, False);
}

bool TX11Display::EndTrap() {
  if (display_ != nullptr && !lost_.load() && Outstanding(display_)) XSync(display_, False);
  return trappedError_ == 0 && !lost_.load();
}
