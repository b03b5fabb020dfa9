#include "main/DeviceLayer.h"

#include "serial/AwWin32.h"

IDeviceLayer& NativeDeviceLayer(const std::string&) {
  return Win32DeviceLayer();
}
