// The serial device layer of the platform the program is built for.
#pragma once

class IDeviceLayer;

IDeviceLayer& NativeDeviceLayer();
