// The Linux desktops the program can type into; DesktopLinux.cpp chooses one from the session.
#pragma once

#include <memory>

#include "main/Desktop.h"
#include "main/DesktopChoice.h"

std::unique_ptr<TDesktop> OpenX11Desktop();
// Null in a build without the Wayland backend.
std::unique_ptr<TDesktop> OpenWaylandDesktop(bool portalOnly);
// Whether the session's Wayland compositor answers; false in a build without the backend.
bool WaylandReachable();
