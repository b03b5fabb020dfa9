// Which desktop backend serves a Linux session, from the session's environment. Kept apart from
// the backends so that the rule is tested without a display.
#pragma once

#include <string>

enum class TDesktopKind {
  X11,            // XTest into X windows; Qt's windows shown through the X server
  Wayland,        // a virtual keyboard where the compositor offers one, else the portal
  WaylandPortal,  // the remote-desktop portal only
};

struct TSessionFacts {
  std::string waylandDisplay;  // $WAYLAND_DISPLAY
  std::string sessionType;     // $XDG_SESSION_TYPE
  std::string forced;          // $TARVOLIN_DESKTOP: x11, wayland or portal
};

TSessionFacts SessionFactsFromEnvironment();

// A forced choice wins; otherwise a session with a Wayland display, or one that calls itself a
// Wayland session, is served by the Wayland backend, and every other by X11.
TDesktopKind ChooseDesktop(const TSessionFacts& facts);
