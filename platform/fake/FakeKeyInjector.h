// A keyboard for tests: records the key events it is given, answers key lookups from a layout
// table and keeps a Caps Lock that a press of the Caps Lock key toggles, as a real keyboard does.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/KeyInjector.h"

class FakeKeyInjector : public IKeyInjector {
 public:
  struct Event {
    uint8_t virtualKey;
    bool keyUp;
    bool operator==(const Event&) const = default;
  };
  using Layout = std::map<unsigned char, uint16_t>;

  // A US layout unless another is given.
  FakeKeyInjector();
  explicit FakeKeyInjector(Layout layout);

  // Roughly the US and German layouts as the key lookup reports them: letters and digits,
  // the common punctuation, Enter, Tab, Backspace and Escape; German has AltGr characters.
  static Layout UsLayout();
  static Layout GermanLayout();

  void KeyEvent(uint8_t virtualKey, bool keyUp) override;
  uint16_t VkKeyScan(char ch) override;
  bool CapsLockOn() override { return capsLock_; }

  void SetKey(unsigned char ch, uint16_t scan) { layout_[ch] = scan; }
  void SetCapsLock(bool on) { capsLock_ = on; }
  const std::vector<Event>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }

  // The characters the recorded events produce on this layout, as the focused window would see
  // them: modifiers that are held select the character, Caps Lock inverts letters. A key press
  // that gives no character of the layout appears as '?'; key presses of modifiers add nothing.
  std::string Typed() const { return typed_; }
  // Whether any key is still held down.
  bool AnyKeyHeld() const { return !held_.empty(); }

 private:
  void ProduceCharacter(uint8_t virtualKey);

  Layout layout_;
  bool capsLock_ = false;
  std::vector<Event> events_;
  std::set<uint8_t> held_;
  std::string typed_;
};
