#include "main/DesktopChoice.h"

#include <cstdlib>

#include "base/SysUtils.h"

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

}  // namespace

TSessionFacts SessionFactsFromEnvironment() {
  return {Env("WAYLAND_DISPLAY"), Env("XDG_SESSION_TYPE"), Env("TARVOLIN_DESKTOP")};
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
