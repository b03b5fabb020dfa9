#include "platform/fake/FakeKeyInjector.h"

#include <cctype>
#include <utility>

namespace {

constexpr uint8_t kVkShift = 0x10;
constexpr uint8_t kVkControl = 0x11;
constexpr uint8_t kVkMenu = 0x12;
constexpr uint8_t kVkCapital = 0x14;
constexpr uint8_t kVkRMenu = 0xA5;

constexpr uint16_t kShift = 0x100;
constexpr uint16_t kCtrl = 0x200;
constexpr uint16_t kAltGr = 0x600;

bool IsModifier(uint8_t vk) {
  return vk == kVkShift || vk == kVkControl || vk == kVkMenu || vk == kVkRMenu ||
         (vk >= 0xA0 && vk <= 0xA4);
}

void AddLettersAndDigits(FakeKeyInjector::Layout& layout) {
  for (char c = 'a'; c <= 'z'; ++c) {
    const auto vk = static_cast<uint16_t>(std::toupper(c));
    layout[static_cast<unsigned char>(c)] = vk;
    layout[static_cast<unsigned char>(std::toupper(c))] = kShift | vk;
  }
  for (char c = '0'; c <= '9'; ++c) layout[static_cast<unsigned char>(c)] = static_cast<uint8_t>(c);
  layout[' '] = 0x20;
  layout['\b'] = 0x08;
  layout['\t'] = 0x09;
  layout['\r'] = 0x0D;
  layout['\n'] = kCtrl | 0x0D;
  layout[0x1B] = 0x1B;
}

void AddRow(FakeKeyInjector::Layout& layout, const char* chars, const uint8_t* keys,
            uint16_t modifiers) {
  for (int i = 0; chars[i] != '\0'; ++i) {
    layout[static_cast<unsigned char>(chars[i])] = static_cast<uint16_t>(modifiers | keys[i]);
  }
}

}  // namespace

FakeKeyInjector::FakeKeyInjector() : FakeKeyInjector(UsLayout()) {}

FakeKeyInjector::FakeKeyInjector(Layout layout) : layout_(std::move(layout)) {}

FakeKeyInjector::Layout FakeKeyInjector::UsLayout() {
  Layout layout;
  AddLettersAndDigits(layout);
  static const uint8_t kKeys[] = {0xC0, 0xBD, 0xBB, 0xDB, 0xDD, 0xDC, 0xBA, 0xDE, 0xBC, 0xBE, 0xBF};
  AddRow(layout, "`-=[]\\;',./", kKeys, 0);
  AddRow(layout, "~_+{}|:\"<>?", kKeys, kShift);
  static const uint8_t kDigits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
  AddRow(layout, "!@#$%^&*()", kDigits, kShift);
  return layout;
}

FakeKeyInjector::Layout FakeKeyInjector::GermanLayout() {
  Layout layout;
  AddLettersAndDigits(layout);
  static const uint8_t kKeys[] = {0xBB, 0xBC, 0xBE, 0xBD, 0xE2, 0xDB, 0xDE, 0xC0, 0xBA, 0xBF};
  AddRow(layout, "+,.-<\xDF\xE4\xF6\xFC#", kKeys, 0);
  AddRow(layout, "*;:_>?\xC4\xD6\xDC'", kKeys, kShift);
  static const uint8_t kDigits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
  AddRow(layout, "!\"\xA7$%&/()=", kDigits, kShift);
  static const uint8_t kAltGrKeys[] = {'Q', 'E', '7', '8', '9', '0', 0xDB, 0xBB, 0xE2, '2', 'M'};
  AddRow(layout, "@\x80{[]}\\~|\xB2\xB5", kAltGrKeys, kAltGr);
  return layout;
}

uint16_t FakeKeyInjector::VkKeyScan(char ch) {
  const auto it = layout_.find(static_cast<unsigned char>(ch));
  return it == layout_.end() ? 0xFFFF : it->second;
}

void FakeKeyInjector::KeyEvent(uint8_t virtualKey, bool keyUp) {
  events_.push_back({virtualKey, keyUp});
  if (keyUp) {
    held_.erase(virtualKey);
    return;
  }
  held_.insert(virtualKey);
  if (virtualKey == kVkCapital) {
    capsLock_ = !capsLock_;
  } else if (!IsModifier(virtualKey)) {
    ProduceCharacter(virtualKey);
  }
}

void FakeKeyInjector::ProduceCharacter(uint8_t virtualKey) {
  uint16_t modifiers = 0;
  if (held_.contains(kVkShift)) modifiers |= kShift;
  if (held_.contains(kVkControl)) modifiers |= kCtrl;
  if (held_.contains(kVkMenu)) modifiers |= 0x400;
  if (held_.contains(kVkRMenu)) modifiers |= kAltGr;
  const uint16_t wanted = modifiers | virtualKey;
  for (const auto& [ch, scan] : layout_) {
    if (scan != wanted) continue;
    char out = static_cast<char>(ch);
    if (capsLock_ && std::isalpha(ch) != 0) {
      out = static_cast<char>(std::isupper(ch) != 0 ? std::tolower(ch) : std::toupper(ch));
    }
    typed_ += out;
    return;
  }
  typed_ += '?';
}
