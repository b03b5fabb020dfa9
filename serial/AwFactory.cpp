#include "serial/AwFactory.h"

#include <utility>

#include "serial/AdOsText.h"

namespace {

IDeviceLayer*& Installed() {
  static IDeviceLayer* layer = nullptr;
  return layer;
}

}  // namespace

IDeviceLayer* SetDeviceLayer(IDeviceLayer* layer) {
  return std::exchange(Installed(), layer);
}

IDeviceLayer* DeviceLayer() {
  return Installed();
}

bool PortExists(int comNumber, const std::function<uint32_t(int comNumber)>& probe) {
  if (comNumber <= 0) return false;
  uint32_t result;
  try {
    result = probe(comNumber);
  } catch (...) {
    return false;
  }
  return result == 0 || result == kWin32AccessDenied || result == kWin32PermissionDenied;
}
