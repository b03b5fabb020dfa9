#include "platform/x11/X11ForegroundWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <optional>
#include <string_view>

#include "base/Cp1252.h"
#include "platform/x11/X11Display.h"

namespace {

// A property of up to `length` 32-bit units, or nothing if the window or property is missing.
std::optional<std::string> GetProperty(TX11Display& x, Window window, Atom property, Atom type,
                                       long length = 1) {
  Display* dpy = x.Handle();
  if (dpy == nullptr) return std::nullopt;
  Atom actualType = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  int status = BadImplementation;
  const bool ok = x.Try([&] {
    status = XGetWindowProperty(dpy, window, property, 0, length, False, type, &actualType, &format,
                                &items, &after, &data);
  });
  std::optional<std::string> result;
  if (ok && status == Success && data != nullptr && actualType == type) {
    // 32-bit items come back as longs.
    const size_t unit = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
    result.emplace(reinterpret_cast<const char*>(data), items * unit);
  }
  if (data != nullptr) XFree(data);
  return result;
}

std::optional<Window> GetWindowProperty(TX11Display& x, Window window, const char* name) {
  Display* dpy = x.Handle();
  if (dpy == nullptr) return std::nullopt;
  const auto value = GetProperty(x, window, XInternAtom(dpy, name, False), XA_WINDOW);
  if (!value || value->size() < sizeof(long)) return std::nullopt;
  long id = 0;
  value->copy(reinterpret_cast<char*>(&id), sizeof(long));
  return static_cast<Window>(id);
}

// A window manager that follows the desktop conventions names a window of its own on the root,
// and that window names itself; after the manager exits the root's value is stale.
bool WindowManagerRunning(TX11Display& x, Window root) {
  const auto check = GetWindowProperty(x, root, "_NET_SUPPORTING_WM_CHECK");
  if (!check || *check == 0) return false;
  const auto self = GetWindowProperty(x, *check, "_NET_SUPPORTING_WM_CHECK");
  return self && *self == *check;
}

bool HasWmState(TX11Display& x, Window window) {
  Display* dpy = x.Handle();
  if (dpy == nullptr) return false;
  const Atom wmState = XInternAtom(dpy, "WM_STATE", False);
  return GetProperty(x, window, wmState, wmState).has_value();
}

// The client window inside a top-level frame: the first descendant with WM_STATE.
Window FindClient(TX11Display& x, Window window, int depth) {
  if (HasWmState(x, window)) return window;
  Display* dpy = x.Handle();
  if (dpy == nullptr || depth == 0) return 0;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!x.Try([&] { XQueryTree(dpy, window, &root, &parent, &children, &count); })) count = 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) found = FindClient(x, children[i], depth - 1);
  if (children != nullptr) XFree(children);
  return found;
}

std::string Latin1ToCp1252(std::string_view text) {
  std::u16string wide(text.begin(), text.end());
  for (size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
  return Utf16ToCp1252(wide);
}

}  // namespace

WindowId TX11ForegroundWindow::Foreground() {
  Display* dpy = display_.Handle();
  if (dpy == nullptr) return 0;
  const Window root = DefaultRootWindow(dpy);
  if (WindowManagerRunning(display_, root)) {
    if (const auto active = GetWindowProperty(display_, root, "_NET_ACTIVE_WINDOW")) {
      return *active;
    }
  }

  Window focus = 0;
  int revert = 0;
  XGetInputFocus(dpy, &focus, &revert);
  if (display_.Handle() == nullptr || focus == None) return 0;
  if (focus == PointerRoot) {
    // Keys go to the window under the pointer.
    Window rootReturn = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
    focus = child;
    if (focus == None) return 0;
  }
  // Walk up to the root's child: the focus may be a sub-window of an application window.
  Window window = focus;
  while (window != root) {
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Status status = 0;
    if (!display_.Try(
            [&] { status = XQueryTree(dpy, window, &rootReturn, &parent, &children, &count); }) ||
        status == 0) {
      return 0;
    }
    if (children != nullptr) XFree(children);
    if (parent == root || parent == 0) break;
    window = parent;
  }
  if (window == root) return 0;
  const Window client = FindClient(display_, window, 3);
  return client != 0 ? client : window;
}

bool TX11ForegroundWindow::IsWindow(WindowId window) {
  Display* dpy = display_.Handle();
  if (dpy == nullptr || window == 0) return false;
  XWindowAttributes attributes;
  Status status = 0;
  const bool ok = display_.Try(
      [&] { status = XGetWindowAttributes(dpy, static_cast<Window>(window), &attributes); });
  return ok && status != 0;
}

std::string TX11ForegroundWindow::Title(WindowId window, int maxChars) {
  Display* dpy = display_.Handle();
  if (dpy == nullptr || window == 0 || maxChars <= 0) return {};
  const auto w = static_cast<Window>(window);
  // Titles are short; 4096 bytes is more than any window bar shows.
  constexpr long kLength = 1024;
  std::string title;
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  if (const auto name =
          GetProperty(display_, w, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, kLength)) {
    title = Utf8ToCp1252(*name);
  } else if (const auto latin1 = GetProperty(display_, w, XA_WM_NAME, XA_STRING, kLength)) {
    title = Latin1ToCp1252(*latin1);
  } else {
    XTextProperty property{};
    Status status = 0;
    if (display_.Try([&] { status = XGetWMName(dpy, w, &property); }) && status != 0 &&
        property.value != nullptr) {
      char** list = nullptr;
      int count = 0;
      if (Xutf8TextPropertyToTextList(dpy, &property, &list, &count) >= Success && count > 0) {
        title = Utf8ToCp1252(list[0]);
      } else {
        // COMPOUND_TEXT without escapes is Latin-1.
        title = Latin1ToCp1252(
            std::string_view(reinterpret_cast<const char*>(property.value), property.nitems));
      }
      if (list != nullptr) XFreeStringList(list);
      XFree(property.value);
    }
  }
  if (title.size() > static_cast<size_t>(maxChars)) title.resize(static_cast<size_t>(maxChars));
  return title;
}
