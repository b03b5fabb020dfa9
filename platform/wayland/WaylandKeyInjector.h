// Key injection on wlroots compositors through a virtual keyboard of the program's own, with the
// program's own keymap (TOwnKeymap): the user's layout does not matter. One keyboard lives as
// long as the injector, because a compositor can lose the first key of a fresh one.
//
// Writing at full speed overruns a compositor: it drops the receiving client when that client
// reads more slowly than the keys come (measured under load: 43,000 characters per second lost a
// terminal after 5,000). So the injector sends each event at once, waits for the compositor's
// round trip after every batch of events, and holds each batch to a pace the receivers can
// follow. GUI thread only.
#pragma once

#include <chrono>
#include <memory>

#include "platform/KeyInjector.h"
#include "platform/wayland/OwnKeymap.h"

class TWaylandConnection;

class TWaylandKeyInjector : public IKeyInjector {
 public:
  // Key events between two round trips: few flushes towards the receiver, each far below the
  // compositor's buffer for it.
  static constexpr int kEventsPerRoundTrip = 32;
  // The shortest time a key press takes, about 4,000 characters per second.
  static constexpr std::chrono::microseconds kPressPace{250};

  TWaylandKeyInjector(TWaylandConnection& connection, const TOwnKeymap& keymap);
  ~TWaylandKeyInjector() override;

  enum class TReadiness { Ready, NoDisplay, ConnectionLost, NoVirtualKeyboard, NoKeymap };
  TReadiness Readiness() const;

  void KeyEvent(uint8_t virtualKey, bool keyUp) override;
  uint16_t VkKeyScan(char ch) override;
  // The virtual keyboard's own Caps Lock, which only this injector switches.
  bool CapsLockOn() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
