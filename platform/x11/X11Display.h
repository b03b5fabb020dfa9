// One connection to the X server, shared by the X11 backends of a process (key injection,
// foreground window, bell). Used on the GUI thread only.
//
// A connection that cannot be opened, or that breaks later (the server goes away), does not end
// the program: the loss is reported once on standard error, Lost() becomes true, and the
// backends degrade to doing nothing (no window, no key, no tone).
#pragma once

#include <atomic>
#include <string>

struct _XDisplay;

class TX11Display {
 public:
  // Opens the named display; an empty name means $DISPLAY.
  explicit TX11Display(const std::string& name = {});
  ~TX11Display();
  TX11Display(const TX11Display&) = delete;
  TX11Display& operator=(const TX11Display&) = delete;

  // The Xlib display while the connection is usable, otherwise nullptr.
  _XDisplay* Handle() const { return Usable() ? display_ : nullptr; }
  bool Usable() const { return display_ != nullptr && !lost_.load(); }
  bool Lost() const { return lost_.load(); }
  // The display's name, also when it could not be opened; empty when none was given and
  // $DISPLAY is not set.
  const std::string& Name() const { return name_; }

  // Runs a request that may fail with an X protocol error (a window that vanished between two
  // calls) and tells whether it failed; errors of other displays keep their own handling.
  template <typename F>
  bool Try(F&& request) {
    BeginTrap();
    request();
    return EndTrap();
  }

  // Called by the Xlib handlers.
  bool Owns(const _XDisplay* display) const { return display_ != nullptr && display_ == display; }
  void MarkLost();
  void NoteError(int errorCode) { trappedError_ = errorCode; }

 private:
  void BeginTrap();
  bool EndTrap();

  _XDisplay* display_ = nullptr;
  std::string name_;
  std::atomic<bool> lost_{false};
  int trappedError_ = 0;
};
