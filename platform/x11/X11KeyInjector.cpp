#include "platform/x11/X11KeyInjector.h"

// The publishing group holds the typographic characters of CP1252 (dashes, quotes, dagger).
#define XK_PUBLISHING

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <bit>
#include <cstdio>

#include "base/Cp1252.h"
#include "base/VirtualKeys.h"
#include "platform/x11/X11Display.h"

namespace {

constexpr uint16_t kNoKey = 0xFFFF;
constexpr uint16_t kShiftBits = 0x0100;
constexpr uint16_t kCtrlBits = 0x0200;
constexpr uint16_t kAltGrBits = 0x0600;

// Keys with a fixed virtual key, found by the keysym at their first level.
struct FixedKey {
  KeySym keysym;
  uint8_t virtualKey;
};
constexpr FixedKey kFixedKeys[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_ISO_Left_Tab, VK_TAB},
    {XK_Return, VK_RETURN},
    {XK_Pause, VK_PAUSE},
    {XK_Caps_Lock, VK_CAPITAL},
    {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},
    {XK_Prior, VK_PRIOR},
    {XK_Next, VK_NEXT},
    {XK_End, VK_END},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Insert, VK_INSERT},
    {XK_Delete, VK_DELETE},
    {XK_F1, VK_F1},
    {XK_F2, VK_F1 + 1},
    {XK_F3, VK_F1 + 2},
    {XK_F4, VK_F1 + 3},
    {XK_F5, VK_F1 + 4},
    {XK_F6, VK_F1 + 5},
    {XK_F7, VK_F1 + 6},
    {XK_F8, VK_F1 + 7},
    {XK_F9, VK_F1 + 8},
    {XK_F10, VK_F1 + 9},
    {XK_F11, VK_F1 + 10},
    {XK_F12, VK_F1 + 11},
    {XK_Shift_L, VK_SHIFT},
    {XK_Shift_L, VK_LSHIFT},
    {XK_Shift_R, VK_RSHIFT},
    {XK_Control_L, VK_CONTROL},
    {XK_Control_L, VK_LCONTROL},
    {XK_Control_R, VK_RCONTROL},
    {XK_Alt_L, VK_MENU},
    {XK_Alt_L, VK_LMENU},
    {XK_Alt_R, VK_RMENU},
    {XK_ISO_Level3_Shift, VK_RMENU},
};

bool IsModifier(uint8_t virtualKey) {
  return virtualKey == VK_SHIFT || virtualKey == VK_CONTROL || virtualKey == VK_MENU ||
         (virtualKey >= VK_LSHIFT && virtualKey <= VK_RMENU);
}

// Server-side wait before a press of the key released last. One millisecond makes the server
// stamp it with a later time than the release.
constexpr unsigned long kSameKeyDelayMs = 1;

// Codes handed out to the other character keys, the first four as the usual punctuation keys.
constexpr uint8_t kOemPool[] = {0xBA, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE2, 0xE1,
                                0xE3, 0xE4, 0xE6, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
                                0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0x92, 0x93, 0x94, 0x95,
                                0x96, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F};

// Keysyms of the CP1252 characters outside Latin-1 that layouts carry under their old names.
struct LegacyKeysym {
  KeySym keysym;
  char32_t unicode;
};
constexpr LegacyKeysym kLegacyKeysyms[] = {
    {XK_EuroSign, 0x20AC},
    {XK_singlelowquotemark, 0x201A},
    {XK_doublelowquotemark, 0x201E},
    {XK_ellipsis, 0x2026},
    {XK_dagger, 0x2020},
    {XK_doubledagger, 0x2021},
    {XK_permille, 0x2030},
    {XK_Scaron, 0x0160},
    {XK_OE, 0x0152},
    {XK_Zcaron, 0x017D},
    {XK_leftsinglequotemark, 0x2018},
    {XK_rightsinglequotemark, 0x2019},
    {XK_leftdoublequotemark, 0x201C},
    {XK_rightdoublequotemark, 0x201D},
    {XK_enfilledcircbullet, 0x2022},
    {XK_endash, 0x2013},
    {XK_emdash, 0x2014},
    {XK_trademark, 0x2122},
    {XK_scaron, 0x0161},
    {XK_oe, 0x0153},
    {XK_zcaron, 0x017E},
    {XK_Ydiaeresis, 0x0178},
};

// The CP1252 character a keysym types, or -1.
int Cp1252OfKeysym(KeySym keysym) {
  char32_t unicode = 0;
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
    unicode = static_cast<char32_t>(keysym);
  } else if ((keysym & 0xFF000000UL) == 0x01000000UL) {
    unicode = static_cast<char32_t>(keysym & 0x00FFFFFFUL);
  } else {
    for (const LegacyKeysym& legacy : kLegacyKeysyms) {
      if (legacy.keysym == keysym) unicode = legacy.unicode;
    }
  }
  if (unicode < 0x20 || (unicode >= 0x7F && unicode < 0xA0)) return -1;
  return UnicodeToCp1252(unicode);
}

}  // namespace

struct TX11KeyInjector::Impl {
  explicit Impl(TX11Display& d) : display(d) {}

  void Init();
  // Reads pending keyboard notifications and rebuilds the tables when the layout changed.
  Display* Refresh();
  void Build(Display* dpy);
  void MapKeycode(XkbDescPtr xkb, KeyCode code, int group, unsigned level3Mask);

  TX11Display& display;
  bool xtest = false;
  int xkbEventBase = -1;
  Atom capsLockAtom = 0;
  bool dirty = true;
  std::array<uint16_t, 256> scan{};     // CP1252 character -> virtual key and modifier bits
  std::array<KeyCode, 256> keycodes{};  // virtual key -> X keycode, 0 if none
  std::array<bool, 256> oemUsed{};
  size_t nextOem = 0;
  // The key released last, while only modifiers have moved since; 0 when another key came.
  KeyCode lastReleased = 0;
};

void TX11KeyInjector::Impl::Init() {
  Display* dpy = display.Handle();
  if (dpy == nullptr) return;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  xtest = XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) != False;
  if (!xtest) std::fprintf(stderr, "Tarvolin: the X server has no XTest; keystrokes are off\n");
  int opcode = 0;
  major = XkbMajorVersion;
  minor = XkbMinorVersion;
  if (XkbQueryExtension(dpy, &opcode, &xkbEventBase, &errorBase, &major, &minor) != False) {
    const unsigned long mapEvents = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    XkbSelectEvents(dpy, XkbUseCoreKbd, mapEvents, mapEvents);
    XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask, XkbGroupStateMask);
  } else {
    xkbEventBase = -1;
  }
  capsLockAtom = XInternAtom(dpy, "Caps Lock", False);
}

Display* TX11KeyInjector::Impl::Refresh() {
  Display* dpy = display.Handle();
  if (dpy == nullptr) return nullptr;
  // Reads what the server sent without sending what waits in the output buffer: a press waits
  // there for its release (see KeyEvent).
  while (XEventsQueued(dpy, QueuedAfterReading) > 0) {
    XEvent event;
    XNextEvent(dpy, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      dirty = true;
    } else if (xkbEventBase >= 0 && event.type == xkbEventBase) {
      dirty = true;
    }
  }
  dpy = display.Handle();  // the read may have found the connection gone
  if (dpy != nullptr && dirty) Build(dpy);
  return dpy;
}

void TX11KeyInjector::Impl::Build(Display* dpy) {
  dirty = false;
  scan.fill(kNoKey);
  keycodes.fill(0);
  oemUsed.fill(false);
  nextOem = 0;
  if (xkbEventBase < 0) return;

  XkbDescPtr xkb = XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
  if (xkb == nullptr) return;
  XkbStateRec state{};
  XkbGetState(dpy, XkbUseCoreKbd, &state);
  const unsigned level3Mask = XkbKeysymToModifiers(dpy, XK_ISO_Level3_Shift);

  for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
    const int groups = XkbKeyNumGroups(xkb, code);
    if (groups == 0) continue;
    MapKeycode(xkb, static_cast<KeyCode>(code), state.group % groups, level3Mask);
  }
  // AltGr is only usable when its key exists and sets a modifier.
  if (level3Mask == 0) keycodes[VK_RMENU] = 0;
  XkbFreeKeyboard(xkb, 0, True);
}

void TX11KeyInjector::Impl::MapKeycode(XkbDescPtr xkb, KeyCode code, int group,
                                       unsigned level3Mask) {
  const XkbKeyTypePtr type = XkbKeyKeyType(xkb, code, group);
  const int levels = std::min<int>(type->num_levels, 4);
  const KeySym first = XkbKeySymEntry(xkb, code, 0, group);
  const KeySym second = levels > 1 ? XkbKeySymEntry(xkb, code, 1, group) : NoSymbol;

  uint8_t virtualKey = 0;
  for (const FixedKey& fixed : kFixedKeys) {
    if (fixed.keysym == first && keycodes[fixed.virtualKey] == 0) {
      keycodes[fixed.virtualKey] = code;
      virtualKey = fixed.virtualKey;
    }
  }
  if (virtualKey == VK_RMENU && first == XK_Alt_R && level3Mask != 0) {
    // Alt_R stands in for AltGr only until the level-3 key turns up.
    virtualKey = 0;
    keycodes[VK_RMENU] = 0;
  }
  if (virtualKey != 0 && virtualKey != VK_SPACE) return;

  for (KeySym ks : {first, second}) {
    if (virtualKey != 0) break;
    if (ks >= XK_a && ks <= XK_z) virtualKey = static_cast<uint8_t>('A' + (ks - XK_a));
    if (ks >= XK_A && ks <= XK_Z) virtualKey = static_cast<uint8_t>(ks);
    if (ks >= XK_0 && ks <= XK_9) virtualKey = static_cast<uint8_t>(ks);
    if (virtualKey != 0 && keycodes[virtualKey] != 0) virtualKey = 0;  // keep the first key
  }

  // Which modifiers select each level, and the character there.
  std::array<int, 4> chars{-1, -1, -1, -1};
  std::array<uint16_t, 4> bits{};
  for (int level = 0; level < levels; ++level) {
    chars[level] = Cp1252OfKeysym(XkbKeySymEntry(xkb, code, level, group));
    if (level == 0 || chars[level] < 0) continue;
    int best = -1;
    for (int i = 0; i < type->map_count; ++i) {
      const XkbKTMapEntryRec& entry = type->map[i];
      const unsigned mask = entry.mods.mask;
      if (!entry.active || entry.level != level || (mask & ~(ShiftMask | level3Mask)) != 0) {
        continue;
      }
      if (mask == 0 ||
          (best >= 0 && std::popcount(mask) >= std::popcount(type->map[best].mods.mask))) {
        continue;
      }
      best = i;
    }
    if (best < 0) {
      chars[level] = -1;
      continue;
    }
    const unsigned mask = type->map[best].mods.mask;
    bits[level] = static_cast<uint16_t>(((mask & ShiftMask) != 0 ? kShiftBits : 0) |
                                        ((mask & level3Mask) != 0 ? kAltGrBits : 0));
  }
  if (chars == std::array<int, 4>{-1, -1, -1, -1}) return;

  if (virtualKey == 0) {
    const int plain = chars[0];
    const uint8_t preferred = plain == '+'   ? VK_OEM_PLUS
                              : plain == ',' ? VK_OEM_COMMA
                              : plain == '-' ? VK_OEM_MINUS
                              : plain == '.' ? VK_OEM_PERIOD
                                             : 0;
    if (preferred != 0 && !oemUsed[preferred] && keycodes[preferred] == 0) {
      virtualKey = preferred;
    }
    while (virtualKey == 0 && nextOem < std::size(kOemPool)) {
      const uint8_t candidate = kOemPool[nextOem++];
      if (!oemUsed[candidate] && keycodes[candidate] == 0) virtualKey = candidate;
    }
    if (virtualKey == 0) return;  // more character keys than codes; should not happen
    oemUsed[virtualKey] = true;
  }
  if (keycodes[virtualKey] == 0) keycodes[virtualKey] = code;
  if (keycodes[virtualKey] != code) return;

  for (int level = 0; level < 4; ++level) {
    if (chars[level] < 0) continue;
    uint16_t& entry = scan[static_cast<size_t>(chars[level])];
    const uint16_t candidate = static_cast<uint16_t>(bits[level] | virtualKey);
    // Fewer modifiers win; among equals the first key found.
    if (entry == kNoKey || std::popcount(static_cast<unsigned>(candidate >> 8)) <
                               std::popcount(static_cast<unsigned>(entry >> 8))) {
      entry = candidate;
    }
  }
}

TX11KeyInjector::TX11KeyInjector(TX11Display& display) : impl_(std::make_unique<Impl>(display)) {
  impl_->Init();
}

TX11KeyInjector::~TX11KeyInjector() = default;

TX11KeyInjector::TReadiness TX11KeyInjector::Readiness() const {
  if (impl_->display.Lost()) return TReadiness::ConnectionLost;
  if (!impl_->display.Usable()) return TReadiness::NoDisplay;
  return impl_->xtest ? TReadiness::Ready : TReadiness::NoXTest;
}

void TX11KeyInjector::KeyEvent(uint8_t virtualKey, bool keyUp) {
  if (!impl_->xtest) return;
  Display* dpy = impl_->Refresh();
  if (dpy == nullptr) return;
  const KeyCode code = impl_->keycodes[virtualKey];
  if (code == 0) return;
  // Several toolkits take a release followed by a press of the same key with the same server
  // time for auto-repeat and drop both, which loses the second of two equal characters. Such a
  // press waits 1 ms in the server, so it gets a time of its own; the rest goes at full speed.
  // Modifiers do not part the two (the Shift of "1!"), and their own release and press, which
  // type nothing, need no wait.
  unsigned long delay = CurrentTime;
  if (!IsModifier(virtualKey)) {
    if (!keyUp && code == impl_->lastReleased) delay = kSameKeyDelayMs;
    impl_->lastReleased = keyUp ? code : 0;
  }
  XTestFakeKeyEvent(dpy, code, keyUp ? False : True, delay);
  // The server repeats a key it sees held down. A press sent alone, with the program losing the
  // processor before the release, would type its character many times; so a press goes out
  // together with the release that follows it.
  if (keyUp) XFlush(dpy);
}

uint16_t TX11KeyInjector::VkKeyScan(char ch) {
  if (impl_->Refresh() == nullptr) return kNoKey;
  const auto c = static_cast<unsigned char>(ch);
  uint16_t result = kNoKey;
  switch (c) {
    case '\b':
      result = VK_BACK;
      break;
    case '\t':
      result = VK_TAB;
      break;
    case '\r':
      result = VK_RETURN;
      break;
    case '\n':
      result = kCtrlBits | VK_RETURN;
      break;
    case 0x1B:
      result = VK_ESCAPE;
      break;
    default:
      if (c >= 1 && c <= 26) {
        result = static_cast<uint16_t>(kCtrlBits | ('A' + c - 1));
      } else {
        return impl_->scan[c];
      }
  }
  // Control characters need their key to exist on this keyboard.
  return impl_->keycodes[result & 0xFF] != 0 ? result : kNoKey;
}

bool TX11KeyInjector::CapsLockOn() {
  Display* dpy = impl_->Refresh();
  if (dpy == nullptr) return false;
  Bool on = False;
  if (impl_->xkbEventBase >= 0 &&
      XkbGetNamedIndicator(dpy, impl_->capsLockAtom, nullptr, &on, nullptr, nullptr) != False) {
    return on != False;
  }
  XkbStateRec state{};
  if (impl_->xkbEventBase >= 0 && XkbGetState(dpy, XkbUseCoreKbd, &state) == Success) {
    return (state.locked_mods & LockMask) != 0;
  }
  return false;
}
