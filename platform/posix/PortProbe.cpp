#include "platform/posix/PortProbe.h"

#include "platform/posix/SerialDevice.h"
#include "platform/posix/SerialPortMap.h"

TPortOpenProbe ExclusiveOpenProbe(std::shared_ptr<const TSerialPortMap> map) {
  return [map = std::move(map)](int comNumber) -> uint32_t {
    TSerialDevice device;
    return device.Open(map->Lookup(comNumber).Path);
  };
}
