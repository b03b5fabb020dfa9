// The serial device layer of the platform the program is built for.
#pragma once

class IDeviceLayer;

#include <string>

// Made by the first call; `programDir` is the configuration directory's last resort, where the
// device layer keeps its own settings (ports.ini on POSIX).
IDeviceLayer& NativeDeviceLayer(const std::string& programDir);
