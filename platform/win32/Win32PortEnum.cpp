#include "platform/win32/Win32PortEnum.h"

#include <windows.h>
// After <windows.h>.
#include <devpropdef.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>

#include "base/SysUtils.h"
#include "platform/win32/Win32Comm.h"

namespace {

// GUID_DEVCLASS_PORTS, GUID_DEVINTERFACE_COMPORT and DEVPKEY_Device_BusReportedDeviceDesc, here
// rather than through the headers' DEFINE_GUID, which needs an import library of its own.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const DEVPROPKEY kBusReportedDescription = {
    {0x540B947E, 0x8B40, 0x45BC, {0xA8, 0xA2, 0x6A, 0x0B, 0x89, 0x4C, 0xBD, 0xA2}}, 4};

// Wide text in CP1252; what it cannot hold becomes "?".
std::string ToCp1252(const wchar_t* text) {
  if (text == nullptr || *text == 0) return {};
  int size = WideCharToMultiByte(1252, 0, text, -1, nullptr, 0, "?", nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(1252, 0, text, -1, out.data(), size, "?", nullptr);
  out.resize(static_cast<size_t>(size - 1));
  return out;
}

std::string RegistryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[512] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(text), sizeof text - 2, nullptr) ||
      type != REG_SZ) {
    return {};
  }
  return ToCp1252(text);
}

std::string BusDescription(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t text[512] = {};
  DEVPROPTYPE type = 0;
  if (!SetupDiGetDevicePropertyW(set, &device, &kBusReportedDescription, &type,
                                 reinterpret_cast<BYTE*>(text), sizeof text - 2, nullptr, 0) ||
      type != DEVPROP_TYPE_STRING) {
    return {};
  }
  return ToCp1252(text);
}

// "COM<n>" of the device's "PortName", 0 for other ports (LPT) or none.
int PortNumber(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return 0;
  wchar_t name[64] = {};
  DWORD size = sizeof name - 2;
  DWORD type = 0;
  LONG rc =
      RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ || _wcsnicmp(name, L"COM", 3) != 0) return 0;
  return static_cast<int>(std::wcstol(name + 3, nullptr, 10));
}

void AddDevices(const GUID& guid, DWORD flags, std::vector<TWin32SystemPort>& ports) {
  HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags | DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    TWin32SystemPort port;
    port.ComNumber = PortNumber(set, device);
    if (port.ComNumber <= 0) continue;
    wchar_t id[512] = {};
    if (SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr)) port.InstanceId = ToCp1252(id);
    port.Maker = RegistryText(set, device, SPDRP_MFG);
    port.Model = BusDescription(set, device);
    if (port.Model.empty()) {
      // The friendly name ends in the port's own " (COM<n>)".
      port.Model = RegistryText(set, device, SPDRP_FRIENDLYNAME);
      const std::string suffix = Format(" (COM%d)", port.ComNumber);
      if (port.Model.ends_with(suffix)) port.Model.resize(port.Model.size() - suffix.size());
    }
    if (port.Model.empty()) port.Model = RegistryText(set, device, SPDRP_DEVICEDESC);
    ports.push_back(std::move(port));
  }
  SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

std::vector<TWin32SystemPort> MergeSystemPorts(const std::map<int, std::string>& deviceMap,
                                               const std::vector<TWin32SystemPort>& devices) {
  std::map<int, TWin32SystemPort> merged;
  for (const TWin32SystemPort& d : devices) {
    // The same device may come through both the class and the interface: the first one counts.
    if (d.ComNumber > 0) merged.try_emplace(d.ComNumber, d);
  }
  for (const auto& [number, device] : deviceMap) {
    TWin32SystemPort& port = merged[number];
    port.ComNumber = number;
    port.Device = device;
  }
  std::vector<TWin32SystemPort> ports;
  for (auto& [number, port] : merged) ports.push_back(std::move(port));
  return ports;
}

std::vector<TWin32SystemPort> DeviceManagerPorts() {
  std::vector<TWin32SystemPort> ports;
  AddDevices(kPortsClass, 0, ports);
  AddDevices(kComPortInterface, DIGCF_DEVICEINTERFACE, ports);
  return ports;
}

std::vector<TWin32SystemPort> SystemSerialPorts() {
  return MergeSystemPorts(SerialDeviceMap(), DeviceManagerPorts());
}

std::string AdapterName(const TWin32SystemPort& port) {
  // Built-in ports' makers are placeholders, not makers.
  const bool placeholder = port.Maker.empty() || port.Maker.front() == '(';
  if (placeholder || port.Model.rfind(port.Maker, 0) == 0) return Trim(port.Model);
  return Trim(port.Maker + " " + port.Model);
}
