#include "platform/wayland/WaylandConnection.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

struct TWaylandConnection::Globals {
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
  zwlr_foreign_toplevel_manager_v1* toplevels = nullptr;
};

namespace {

using TGlobals = TWaylandConnection::Globals;

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered,
        uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

// The first seat is the desktop's; the versions are those the protocol files describe.
void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto& g = *static_cast<TGlobals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && g.seat == nullptr) {
    g.seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 1);
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    g.keyboards = Bind<zwp_virtual_keyboard_manager_v1>(
        registry, name, &zwp_virtual_keyboard_manager_v1_interface, version, 1);
  } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
    g.toplevels = Bind<zwlr_foreign_toplevel_manager_v1>(
        registry, name, &zwlr_foreign_toplevel_manager_v1_interface, version, 3);
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

TWaylandConnection::TWaylandConnection(const std::string& name)
    : globals_(std::make_unique<Globals>()) {
  const char* env = std::getenv("WAYLAND_DISPLAY");
  name_ = !name.empty() ? name : (env != nullptr && *env != '\0' ? env : "wayland-0");
  display_ = wl_display_connect(name_.c_str());
  if (display_ == nullptr) return;
  globals_->registry = wl_display_get_registry(display_);
  wl_registry_add_listener(globals_->registry, &kRegistryListener, globals_.get());
  RoundTrip();
}

TWaylandConnection::~TWaylandConnection() {
  if (display_ == nullptr) return;
  if (globals_->toplevels != nullptr) zwlr_foreign_toplevel_manager_v1_destroy(globals_->toplevels);
  if (globals_->keyboards != nullptr) zwp_virtual_keyboard_manager_v1_destroy(globals_->keyboards);
  if (globals_->seat != nullptr) wl_seat_destroy(globals_->seat);
  if (globals_->registry != nullptr) wl_registry_destroy(globals_->registry);
  wl_display_disconnect(display_);
}

bool TWaylandConnection::Connected() const {
  return display_ != nullptr && wl_display_get_error(display_) == 0;
}

bool TWaylandConnection::Lost() const {
  return display_ != nullptr && wl_display_get_error(display_) != 0;
}

bool TWaylandConnection::RoundTrip() {
  return Connected() && wl_display_roundtrip(display_) >= 0;
}

bool TWaylandConnection::Flush() {
  if (!Connected()) return false;
  // A full socket keeps the rest queued; the next round trip sends it.
  return wl_display_flush(display_) >= 0 || errno == EAGAIN;
}

bool TWaylandConnection::Dispatch() {
  if (!Connected()) return false;
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) return false;
  }
  wl_display_flush(display_);
  // Called when the descriptor is readable or to catch up; reading never blocks here because
  // the descriptor is polled first.
  pollfd p{wl_display_get_fd(display_), POLLIN, 0};
  if (poll(&p, 1, 0) > 0) {
    if (wl_display_read_events(display_) < 0) return false;
  } else {
    wl_display_cancel_read(display_);
  }
  return wl_display_dispatch_pending(display_) >= 0;
}

int TWaylandConnection::Fd() const {
  return display_ != nullptr ? wl_display_get_fd(display_) : -1;
}

wl_seat* TWaylandConnection::Seat() const {
  return globals_->seat;
}

zwp_virtual_keyboard_manager_v1* TWaylandConnection::VirtualKeyboardManager() const {
  return globals_->keyboards;
}

zwlr_foreign_toplevel_manager_v1* TWaylandConnection::ToplevelManager() const {
  return globals_->toplevels;
}
