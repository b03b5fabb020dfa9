// The serial ports the system knows of, from its serial-device map and from its device
// manager (the devices of the ports class and of the COM port interface), without opening any.
// <windows.h> stays in the .cpp.
#pragma once

#include <map>
#include <string>
#include <vector>

// One port, texts in CP1252.
struct TWin32SystemPort {
  int ComNumber = 0;
  std::string Device;      // the serial-device map's device, for example "\Device\VCP0"
  std::string InstanceId;  // the device instance path, stable across unplugging where the
                           // adapter has a serial number, for example "USB\VID_0403&PID_6001\A1"
  std::string Maker;       // the device's manufacturer
  std::string Model;       // what the bus reports it to be, else its friendly name

  friend bool operator==(const TWin32SystemPort&, const TWin32SystemPort&) = default;
};

// The two sources merged by COM number, in ascending order: a device-manager entry gives the
// identity and the names, the map the device; a port named by either is listed.
std::vector<TWin32SystemPort> MergeSystemPorts(const std::map<int, std::string>& deviceMap,
                                               const std::vector<TWin32SystemPort>& devices);

// The devices of the ports class and of the COM port interface that are present and carry a
// "COM<n>" port name.
std::vector<TWin32SystemPort> DeviceManagerPorts();

// Both sources of this system, merged.
std::vector<TWin32SystemPort> SystemSerialPorts();

// "Maker Model" without repeating a maker the model already names; empty when neither is known.
std::string AdapterName(const TWin32SystemPort& port);
