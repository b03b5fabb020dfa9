// The serial subsystem's message facility as the Win32 pump reaches it. Kept apart because the
// facility's portable window types and <windows.h> cannot meet in one translation unit.
#pragma once

#include <cstddef>
#include <functional>

namespace wingui::serialqueue {

// Makes the calling thread the facility's GUI thread and sets its wake and idle hooks; empty
// functions remove them.
void Attach(std::function<void()> wake, std::function<void()> idle);
void Detach();
size_t Pending();
// One message sent or posted by a serial thread; false when none was handled.
bool HandleOne();

}  // namespace wingui::serialqueue
