#include "main/DeviceLayer.h"

#include "serial/AwWin32.h"

IDeviceLayer& NativeDeviceLayer() {
  return Win32DeviceLayer();
}
