// Key injection on wlroots compositors through a virtual keyboard of the program's own, with the
// program's own keymap (TOwnKeymap): the user's layout does not matter. One keyboard lives as
// long as the injector, because a compositor can lose the first key of a fresh one.
//
// Writing at full speed overruns a compositor (it drops the receiving client), so every few key
// events the injector waits for the compositor's round trip; each event is sent at once.
// GUI thread only.
#pragma once

#include <memory>

#include "platform/KeyInjector.h"
#include "platform/wayland/OwnKeymap.h"

class TWaylandConnection;

class TWaylandKeyInjector : public IKeyInjector {
 public:
  // Key events between two round trips.
  static constexpr int kEventsPerRoundTrip = 8;

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
