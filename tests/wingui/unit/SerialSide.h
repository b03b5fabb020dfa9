// The serial thread's side of the pump tests, apart from <windows.h> whose names clash with the
// facility's.
#pragma once

#include <cstdint>
#include <functional>

namespace serialside {

// A serial thread sends one blocking message (time-out 5 s) to a facility window.
void StartSend();
bool SendFinished();
// Whether the send was answered by its procedure, which ran on the GUI thread.
bool SendAnswered();
void JoinSend();

// The facility's pump on the GUI thread, until `done` or `limitMs` passed.
void PumpUntil(const std::function<bool()>& done, uint32_t limitMs);

}  // namespace serialside
