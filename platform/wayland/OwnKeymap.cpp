#include "platform/wayland/OwnKeymap.h"

#include <xkbcommon/xkbcommon.h>

#include "base/Cp1252.h"
#include "base/SysUtils.h"

namespace {

constexpr uint16_t kNoKey = 0xFFFF;
constexpr uint16_t kShift = 0x0100;
constexpr uint16_t kCtrl = 0x0200;

// The keys the core names by their Windows code.
struct TFixedKey {
  uint8_t vk;
  uint32_t keysym;
};
constexpr TFixedKey kFixedKeys[] = {
    {0x08, XKB_KEY_BackSpace}, {0x09, XKB_KEY_Tab},       {0x0D, XKB_KEY_Return},
    {0x10, XKB_KEY_Shift_L},   {0x11, XKB_KEY_Control_L}, {0x12, XKB_KEY_Alt_L},
    {0x14, XKB_KEY_Caps_Lock}, {0x1B, XKB_KEY_Escape},    {0x20, XKB_KEY_space},
    {0x21, XKB_KEY_Prior},     {0x22, XKB_KEY_Next},      {0x23, XKB_KEY_End},
    {0x24, XKB_KEY_Home},      {0x25, XKB_KEY_Left},      {0x26, XKB_KEY_Up},
    {0x27, XKB_KEY_Right},     {0x28, XKB_KEY_Down},      {0x2D, XKB_KEY_Insert},
    {0x2E, XKB_KEY_Delete},
};
constexpr uint8_t kVkF1 = 0x70;
constexpr int kFunctionKeys = 12;
// The highest virtual key whose XKB key code (vk + 8) still fits the keymap's range.
constexpr unsigned kLastVk = 247;

// The keysym that produces a CP1252 character; 0 for none.
uint32_t CharKeysym(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return 0;
  const char32_t u = Cp1252ToUnicode(c);
  // The five undefined codes come back as C1 controls.
  if (u >= 0x80 && u < 0xA0) return 0;
  const uint32_t sym = xkb_utf32_to_keysym(u);
  return sym == XKB_KEY_NoSymbol ? 0 : sym;
}

std::string KeysymName(uint32_t sym) {
  char name[64];
  if (xkb_keysym_get_name(sym, name, sizeof name) <= 0) return Format("0x%x", sym);
  return name;
}

}  // namespace

TOwnKeymap::TOwnKeymap() {
  for (uint16_t& s : scan_) s = kNoKey;
  for (const TFixedKey& k : kFixedKeys) keysym_[k.vk] = k.keysym;
  for (int i = 0; i < kFunctionKeys; ++i) keysym_[kVkF1 + i] = XKB_KEY_F1 + i;
  for (unsigned char d = '0'; d <= '9'; ++d) {
    keysym_[d] = d;
    scan_[d] = d;
  }
  for (unsigned char l = 'A'; l <= 'Z'; ++l) {
    keysym_[l] = l;  // the capital is its Shift level
    scan_[l] = kShift | l;
    scan_[l - 'A' + 'a'] = l;
  }
  scan_[' '] = 0x20;
  scan_['\b'] = 0x08;
  scan_['\t'] = 0x09;
  scan_['\r'] = 0x0D;
  scan_['\n'] = kCtrl | 0x0D;
  scan_[0x1B] = 0x1B;
  for (unsigned char c = 1; c <= 26; ++c) {
    if (scan_[c] == kNoKey) scan_[c] = static_cast<uint16_t>(kCtrl | ('A' + c - 1));
  }
  // Every other character on the next free code.
  unsigned vk = 1;
  for (unsigned c = 0x21; c < 0x100; ++c) {
    if (scan_[c] != kNoKey) continue;
    const uint32_t sym = CharKeysym(static_cast<unsigned char>(c));
    if (sym == 0) continue;
    while (vk <= kLastVk && keysym_[vk] != 0) ++vk;
    if (vk > kLastVk) break;
    keysym_[vk] = sym;
    scan_[c] = static_cast<uint16_t>(vk);
  }
}

uint16_t TOwnKeymap::VkKeyScan(char ch) const {
  return scan_[static_cast<unsigned char>(ch)];
}

uint32_t TOwnKeymap::Keysym(uint8_t virtualKey, bool shifted) const {
  const uint32_t sym = keysym_[virtualKey];
  if (shifted && virtualKey >= 'A' && virtualKey <= 'Z') return sym;
  if (virtualKey >= 'A' && virtualKey <= 'Z') return sym - 'A' + 'a';
  return sym;
}

bool TOwnKeymap::IsModifier(uint8_t virtualKey) {
  return virtualKey == 0x10 || virtualKey == 0x11 || virtualKey == 0x12 || virtualKey == 0x14;
}

std::string TOwnKeymap::KeymapSource() const {
  std::string keycodes;
  std::string symbols;
  for (unsigned vk = 0; vk <= kLastVk; ++vk) {
    const uint32_t sym = keysym_[vk];
    if (sym == 0) continue;
    keycodes += Format("    <V%u> = %u;\n", vk, vk + 8);
    if (vk >= 'A' && vk <= 'Z') {
      symbols += Format("    key <V%u> { type = \"ALPHABETIC\", [ %s, %s ] };\n", vk,
                        KeysymName(sym - 'A' + 'a'), KeysymName(sym));
    } else {
      symbols += Format("    key <V%u> { [ %s ] };\n", vk, KeysymName(sym));
    }
  }
  return "xkb_keymap {\n"
         "  xkb_keycodes \"tarvolin\" {\n"
         "    minimum = 8;\n"
         "    maximum = 255;\n" +
         keycodes +
         "    indicator 1 = \"Caps Lock\";\n"
         "  };\n"
         "  xkb_types \"tarvolin\" {\n"
         "    type \"ONE_LEVEL\" { modifiers = none; level_name[Level1] = \"Any\"; };\n"
         "    type \"TWO_LEVEL\" { modifiers = Shift; map[Shift] = Level2;\n"
         "      level_name[Level1] = \"Base\"; level_name[Level2] = \"Shift\"; };\n"
         "    type \"ALPHABETIC\" { modifiers = Shift + Lock; map[Shift] = Level2;\n"
         "      map[Lock] = Level2; level_name[Level1] = \"Base\"; level_name[Level2] = \"Caps\"; "
         "};\n"
         "  };\n"
         "  xkb_compat \"tarvolin\" {\n"
         "    interpret Shift_L { action = SetMods(modifiers = Shift); };\n"
         "    interpret Control_L { action = SetMods(modifiers = Control); };\n"
         "    interpret Alt_L { action = SetMods(modifiers = Mod1); };\n"
         "    interpret Caps_Lock { action = LockMods(modifiers = Lock); };\n"
         "    indicator \"Caps Lock\" { whichModState = Locked; modifiers = Lock; };\n"
         "  };\n"
         "  xkb_symbols \"tarvolin\" {\n" +
         symbols +
         "    modifier_map Shift { <V16> };\n"
         "    modifier_map Control { <V17> };\n"
         "    modifier_map Mod1 { <V18> };\n"
         "    modifier_map Lock { <V20> };\n"
         "  };\n"
         "};\n";
}
