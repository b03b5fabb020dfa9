#include "platform/wayland/WaylandKeyInjector.h"

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/wayland/WaylandConnection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace {

uint32_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The keymap in a memory file for the compositor to map; -1 on failure.
int KeymapFile(const std::string& text) {
  const int fd = memfd_create("tarvolin-keymap", MFD_CLOEXEC);
  if (fd < 0) return -1;
  // The compositor reads the text with its terminating NUL.
  const size_t size = text.size() + 1;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, text.c_str() + done, size - done);
    if (n <= 0) {
      close(fd);
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return fd;
}

}  // namespace

struct TWaylandKeyInjector::Impl {
  TWaylandConnection& connection;
  const TOwnKeymap& keymap;
  xkb_context* context = nullptr;
  xkb_keymap* xkbKeymap = nullptr;
  xkb_state* state = nullptr;
  zwp_virtual_keyboard_v1* keyboard = nullptr;
  bool keymapSent = false;
  int sinceRoundTrip = 0;
  int pressesInBatch = 0;
  std::chrono::steady_clock::time_point batchStart;
  uint32_t depressed = 0, latched = 0, locked = 0, group = 0;

  Impl(TWaylandConnection& c, const TOwnKeymap& k) : connection(c), keymap(k) {}

  ~Impl() {
    if (keyboard != nullptr) {
      zwp_virtual_keyboard_v1_destroy(keyboard);
      connection.Flush();
    }
    if (state != nullptr) xkb_state_unref(state);
    if (xkbKeymap != nullptr) xkb_keymap_unref(xkbKeymap);
    if (context != nullptr) xkb_context_unref(context);
  }

  void Open() {
    if (!connection.Connected() || connection.VirtualKeyboardManager() == nullptr ||
        connection.Seat() == nullptr) {
      return;
    }
    context = xkb_context_new(static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES |
                                                             XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (context == nullptr) return;
    const std::string source = keymap.KeymapSource();
    xkbKeymap = xkb_keymap_new_from_string(context, source.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                           XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (xkbKeymap == nullptr) return;
    state = xkb_state_new(xkbKeymap);
    char* text = xkb_keymap_get_as_string(xkbKeymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (state == nullptr || text == nullptr) {
      free(text);
      return;
    }
    const int fd = KeymapFile(text);
    const size_t size = std::char_traits<char>::length(text) + 1;
    free(text);
    if (fd < 0) return;
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        connection.VirtualKeyboardManager(), connection.Seat());
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<uint32_t>(size));
    // The request carries a copy of the descriptor.
    close(fd);
    keymapSent = connection.RoundTrip();
  }

  void SendModifiersIfChanged() {
    const auto d = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
    const auto la = xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED);
    const auto lo = xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED);
    const auto g = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
    if (d == depressed && la == latched && lo == locked && g == group) return;
    depressed = d;
    latched = la;
    locked = lo;
    group = g;
    // The compositor keeps no modifier state for a virtual keyboard: it is told.
    zwp_virtual_keyboard_v1_modifiers(keyboard, d, la, lo, g);
  }
};

TWaylandKeyInjector::TWaylandKeyInjector(TWaylandConnection& connection, const TOwnKeymap& keymap)
    : impl_(std::make_unique<Impl>(connection, keymap)) {
  impl_->Open();
}

TWaylandKeyInjector::~TWaylandKeyInjector() = default;

TWaylandKeyInjector::TReadiness TWaylandKeyInjector::Readiness() const {
  const TWaylandConnection& c = impl_->connection;
  if (c.Lost()) return TReadiness::ConnectionLost;
  if (!c.Connected()) return TReadiness::NoDisplay;
  if (c.VirtualKeyboardManager() == nullptr || c.Seat() == nullptr)
    return TReadiness::NoVirtualKeyboard;
  if (!impl_->keymapSent) return TReadiness::NoKeymap;
  return TReadiness::Ready;
}

void TWaylandKeyInjector::KeyEvent(uint8_t virtualKey, bool keyUp) {
  Impl& i = *impl_;
  if (Readiness() != TReadiness::Ready) return;
  // A key the layout lacks would reach the receiver as some other key.
  if (i.keymap.Keysym(virtualKey, false) == 0) return;
  const uint32_t code = virtualKey;  // XKB key code minus 8
  xkb_state_update_key(i.state, code + 8, keyUp ? XKB_KEY_UP : XKB_KEY_DOWN);
  zwp_virtual_keyboard_v1_key(
      i.keyboard, NowMs(), code,
      keyUp ? WL_KEYBOARD_KEY_STATE_RELEASED : WL_KEYBOARD_KEY_STATE_PRESSED);
  i.SendModifiersIfChanged();
  const auto now = std::chrono::steady_clock::now();
  if (i.sinceRoundTrip == 0) i.batchStart = now;
  if (!keyUp) ++i.pressesInBatch;
  if (++i.sinceRoundTrip < kEventsPerRoundTrip) {
    i.connection.Flush();
    return;
  }
  i.connection.RoundTrip();
  const auto due = i.batchStart + i.pressesInBatch * kPressPace;
  i.sinceRoundTrip = 0;
  i.pressesInBatch = 0;
  std::this_thread::sleep_until(due);
}

uint16_t TWaylandKeyInjector::VkKeyScan(char ch) {
  return impl_->keymap.VkKeyScan(ch);
}

bool TWaylandKeyInjector::CapsLockOn() {
  return impl_->state != nullptr &&
         xkb_state_mod_name_is_active(impl_->state, XKB_MOD_NAME_CAPS, XKB_STATE_MODS_LOCKED) > 0;
}
