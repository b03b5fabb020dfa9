// The program's own keymap as a compositor compiles it: every character's key gives back that
// character, whatever layout the user has.
#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon.h>

#include "base/Cp1252.h"
#include "platform/wayland/OwnKeymap.h"

namespace {

class OwnKeymapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES);
    ASSERT_NE(context_, nullptr);
    keymap_ = xkb_keymap_new_from_string(context_, own_.KeymapSource().c_str(),
                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ASSERT_NE(keymap_, nullptr) << own_.KeymapSource();
  }
  void TearDown() override {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
  }

  // The character a key produces from a fresh state, with Shift held when asked.
  char32_t Typed(uint8_t vk, bool shift) {
    xkb_state* state = xkb_state_new(keymap_);
    if (shift) xkb_state_update_key(state, 0x10 + 8, XKB_KEY_DOWN);
    const char32_t c = xkb_state_key_get_utf32(state, vk + 8u);
    xkb_state_unref(state);
    return c;
  }

  TOwnKeymap own_;
  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
};

TEST_F(OwnKeymapTest, EveryPrintableCharacterOfTheCodePageHasAKeyThatTypesIt) {
  int keys = 0;
  for (unsigned c = 0x20; c < 0x100; ++c) {
    const char32_t u = Cp1252ToUnicode(static_cast<unsigned char>(c));
    const uint16_t scan = own_.VkKeyScan(static_cast<char>(c));
    if (c == 0x7F || (u >= 0x80 && u < 0xA0)) {
      EXPECT_EQ(scan, 0xFFFF) << "code " << c << " has no character";
      continue;
    }
    ASSERT_NE(scan, 0xFFFF) << "no key for code " << c;
    const auto vk = static_cast<uint8_t>(scan & 0xFF);
    const bool shift = (scan >> 8) == 1;
    EXPECT_TRUE((scan >> 8) == 0 || shift) << "code " << c << " needs Ctrl or Alt";
    EXPECT_EQ(Typed(vk, shift), u) << "code " << c;
    EXPECT_EQ(own_.Keysym(vk, shift), xkb_utf32_to_keysym(u)) << "code " << c;
    ++keys;
  }
  EXPECT_EQ(keys, 218);
}

TEST_F(OwnKeymapTest, ControlCharactersAndCursorKeysAreThoseTheCaptureUses) {
  struct TRow {
    char ch;
    uint16_t scan;
    uint32_t keysym;
  };
  const TRow rows[] = {
      {'\r', 0x000D, XKB_KEY_Return},
      {'\n', 0x020D, XKB_KEY_Return},
      {'\t', 0x0009, XKB_KEY_Tab},
      {'\b', 0x0008, XKB_KEY_BackSpace},
      {'\x1b', 0x001B, XKB_KEY_Escape},
      {'\x03', 0x0243, XKB_KEY_c},
      {'\0', 0xFFFF, 0},
  };
  for (const TRow& r : rows) {
    EXPECT_EQ(own_.VkKeyScan(r.ch), r.scan) << int(r.ch);
    if (r.keysym != 0) {
      EXPECT_EQ(own_.Keysym(r.scan & 0xFF, false), r.keysym) << int(r.ch);
    }
  }
  const std::pair<uint8_t, uint32_t> keys[] = {{0x25, XKB_KEY_Left},    {0x26, XKB_KEY_Up},
                                               {0x27, XKB_KEY_Right},   {0x28, XKB_KEY_Down},
                                               {0x10, XKB_KEY_Shift_L}, {0x14, XKB_KEY_Caps_Lock}};
  for (const auto& [vk, keysym] : keys) {
    EXPECT_EQ(own_.Keysym(vk, false), keysym) << int(vk);
    xkb_state* state = xkb_state_new(keymap_);
    EXPECT_EQ(xkb_state_key_get_one_sym(state, vk + 8u), keysym) << int(vk);
    xkb_state_unref(state);
  }
}

TEST_F(OwnKeymapTest, CapsLockGivesCapitalsAndShiftUndoesIt) {
  xkb_state* state = xkb_state_new(keymap_);
  xkb_state_update_key(state, 0x14 + 8, XKB_KEY_DOWN);
  xkb_state_update_key(state, 0x14 + 8, XKB_KEY_UP);
  EXPECT_EQ(xkb_state_key_get_utf32(state, 'A' + 8u), U'A');
  xkb_state_update_key(state, 0x10 + 8, XKB_KEY_DOWN);
  EXPECT_EQ(xkb_state_key_get_utf32(state, 'A' + 8u), U'a');
  xkb_state_unref(state);
}

}  // namespace
