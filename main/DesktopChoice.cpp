#include "main/DesktopChoice.h"

#include "base/SysUtils.h"
#include "platform/ConfigDirectory.h"

TSessionFacts SessionFactsFromEnvironment() {
  const auto env = [](const char* name) { return SystemEnvironment(name).value_or(""); };
  return {env("WAYLAND_DISPLAY"), env("XDG_SESSION_TYPE"), env("TARVOLIN_DESKTOP")};
}

TDesktopKind ChooseDesktop(const TSessionFacts& facts) {
  const std::string forced = UpperCase(Trim(facts.forced));
  if (forced == "X11") return TDesktopKind::X11;
  if (forced == "WAYLAND") return TDesktopKind::Wayland;
  if (forced == "PORTAL") return TDesktopKind::WaylandPortal;
  if (!Trim(facts.waylandDisplay).empty()) return TDesktopKind::Wayland;
  if (UpperCase(Trim(facts.sessionType)) == "WAYLAND") return TDesktopKind::Wayland;
  return TDesktopKind::X11;
}
