#include "platform/posix/PortProbe.h"

#include "platform/posix/SerialDevice.h"
#include "platform/posix/SerialPortMap.h"
#include "serial/AdOsText.h"

bool PortExists(int comNumber, const TPortOpenProbe& probe) {
  if (comNumber <= 0) return false;
  uint32_t result;
  try {
    result = probe(comNumber);
  } catch (...) {
    return false;
  }
  return result == 0 || result == kWin32AccessDenied || result == kWin32PermissionDenied;
}

TPortOpenProbe ExclusiveOpenProbe(std::shared_ptr<const TSerialPortMap> map) {
  return [map = std::move(map)](int comNumber) -> uint32_t {
    TSerialDevice device;
    return device.Open(map->Lookup(comNumber).Path);
  };
}
