#include "main/DeviceLayer.h"

#include "serial/AwPosix.h"

IDeviceLayer& NativeDeviceLayer(const std::string& programDir) {
  static TPosixDeviceLayer layer(TPortMapSources::System(programDir));
  return layer;
}
