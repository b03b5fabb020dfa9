// A connection of the program's own to the Wayland compositor, with the globals the backends
// use: the seat, the virtual keyboard manager and the foreign toplevel manager. Everything runs
// on the GUI thread; the connection's events are read by RoundTrip and Dispatch, which the
// program calls whenever the connection's descriptor becomes readable, so the compositor never
// finds the connection full.
#pragma once

#include <memory>
#include <string>

struct wl_display;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwp_virtual_keyboard_manager_v1;

class TWaylandConnection {
 public:
  // Connects to the named display, or to $WAYLAND_DISPLAY (wayland-0 when unset) for an empty
  // name, and waits for the compositor's globals.
  explicit TWaylandConnection(const std::string& name = {});
  ~TWaylandConnection();
  TWaylandConnection(const TWaylandConnection&) = delete;
  TWaylandConnection& operator=(const TWaylandConnection&) = delete;

  // The display's name as it was asked for ($WAYLAND_DISPLAY or wayland-0 for the default).
  const std::string& Name() const { return name_; }
  // Whether the connection stands: it was made and the compositor has not closed it.
  bool Connected() const;
  // Whether the connection was made once and has been lost since.
  bool Lost() const;

  // Sends what is queued and waits until the compositor has handled it, handling the events it
  // sent meanwhile. False when the connection is gone.
  bool RoundTrip();
  // Sends what is queued without waiting. False when the connection is gone.
  bool Flush();
  // Handles the events that have arrived, without waiting. False when the connection is gone.
  bool Dispatch();
  // The connection's descriptor, readable when events have arrived; -1 without a connection.
  int Fd() const;

  wl_display* Display() const { return display_; }
  // Null where the compositor does not offer them.
  wl_seat* Seat() const;
  zwp_virtual_keyboard_manager_v1* VirtualKeyboardManager() const;
  zwlr_foreign_toplevel_manager_v1* ToplevelManager() const;

  struct Globals;  // defined where the protocol headers are

 private:
  std::string name_;
  wl_display* display_ = nullptr;
  std::unique_ptr<Globals> globals_;
};
