#include "main/DesktopLinux.h"

#include <cstdlib>
#include <string_view>

#include "base/SysUtils.h"

namespace {

TDesktopKind SessionDesktop() {
  static const TDesktopKind kind = [] {
    const TSessionFacts facts = SessionFactsFromEnvironment();
    const TDesktopKind chosen = ChooseDesktop(facts);
    // A session that names a compositor which does not answer, beside a working X display,
    // types through X11 rather than not at all. A forced choice stays.
    const char* display = std::getenv("DISPLAY");
    if (chosen == TDesktopKind::Wayland && Trim(facts.forced).empty() && display != nullptr &&
        *display != '\0' && !WaylandReachable()) {
      return TDesktopKind::X11;
    }
    return chosen;
  }();
  return kind;
}

}  // namespace

void PrepareDesktop() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const bool unset = platform == nullptr || *platform == '\0';
  if (SessionDesktop() != TDesktopKind::X11) {
    // A native Wayland client, so that the toolkit knows when one of its windows is active.
    if (unset) setenv("QT_QPA_PLATFORM", "wayland;xcb", 1);
    return;
  }
  // Keys go to X windows, and the program's own windows are recognised by their X ids: Qt must
  // show them through the X server as well, or readings could be typed into the program's own
  // dialogs. Without a display the X11 backend cannot type at all, and Start says so.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return;
  if (unset || std::string_view(platform).starts_with("wayland"))
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

std::unique_ptr<TDesktop> OpenDesktop() {
  const TDesktopKind kind = SessionDesktop();
  if (kind != TDesktopKind::X11) {
    if (auto wayland = OpenWaylandDesktop(kind == TDesktopKind::WaylandPortal)) return wayland;
  }
  return OpenX11Desktop();
}
