#include "main/DeviceLayer.h"

#include "serial/AwPosix.h"

IDeviceLayer& NativeDeviceLayer() {
  return PosixDeviceLayer();
}
