#include "main/DesktopLinux.h"

// A build without the Wayland backend types through X11 in every session.
std::unique_ptr<TDesktop> OpenWaylandDesktop(bool) {
  return nullptr;
}

bool WaylandReachable() {
  return false;
}
