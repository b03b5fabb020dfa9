// Whether a COM number belongs to a serial device: the test behind the port selection list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TSerialPortMap;

// Tries to open port `comNumber` (with 64-byte queues where the device layer has queues) and
// closes it again at once. Returns 0 or the Win32 error number of the failed open.
using TPortOpenProbe = std::function<uint32_t(int comNumber)>;

// Port 0 is never present; otherwise present when the probe opens it or finds it held by another
// program (5). Missing permission (kWin32PermissionDenied) counts as held too: on POSIX it is the
// other half of what the native layer reports as access denied, and listing the port lets the
// open explain the dialout group. A probe that throws marks the port absent.
bool PortExists(int comNumber, const TPortOpenProbe& probe);

// A probe that resolves the number through `map` and opens the path exclusively.
TPortOpenProbe ExclusiveOpenProbe(std::shared_ptr<const TSerialPortMap> map);
