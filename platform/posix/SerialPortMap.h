// Which device path a COM number stands for on POSIX. In order of precedence: the environment
// variable TARVOLIN_COM<n>, the [Ports] section (COM<n>=path) of ports.ini in the configuration
// directory, then the serial devices found in /dev (ttyUSB*, ttyACM*, then the ttyS* that have a
// UART), numbered from COM1 in that order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the map looks; tests point it at temporary directories and a scripted environment.
struct TPortMapSources {
  // Value of an environment variable, or nothing when it is not set; empty: no environment.
  std::function<std::optional<std::string>(const std::string&)> GetEnv;
  std::string DevDir = "/dev";
  std::string SysTtyDir = "/sys/class/tty";

  // The running process's environment, /dev and /sys.
  static TPortMapSources System();
};

enum class TPortSource { None, Environment, PortsIni, Detected };

struct TPortMapping {
  std::string Path;  // empty when the number stands for nothing
  TPortSource Source = TPortSource::None;
};

class TSerialPortMap {
 public:
  // Reads ports.ini and scans the devices once; environment variables are read on each lookup.
  explicit TSerialPortMap(TPortMapSources sources = TPortMapSources::System());

  TPortMapping Lookup(int comNumber) const;

  // The path of a device name: "\\.\COM<n>" and "COM<n>" (any case) through the map, absolute
  // paths unchanged. Empty when the name stands for no device.
  std::string ResolveDeviceName(std::string_view name) const;

  // For a tooltip, in CP1252: "COM3 = /dev/ttyUSB0 (ports.ini)", or "COM3: no device".
  std::string Describe(int comNumber) const;

  const std::vector<std::string>& DetectedDevices() const { return detected_; }

 private:
  TPortMapSources sources_;
  std::map<int, std::string> ini_;
  std::vector<std::string> detected_;
};

// The configuration directory: USERPROFILE when set and not blank, else $XDG_CONFIG_HOME/tarvolin,
// else ~/.config/tarvolin. Empty when none of these can be formed.
std::string ConfigDirectory(const TPortMapSources& sources);

// COM<n>=path entries of the [Ports] section of an INI text (CP1252, CR LF or LF line ends,
// keys and section names in any case). Paths are returned in UTF-8.
std::map<int, std::string> ParsePortsIni(std::string_view text);

// The serial devices of `devDir` in COM order: ttyUSB<k>, ttyACM<k>, then ttyS<k> whose UART type
// in `sysTtyDir`/ttyS<k>/type is not 0 (PORT_UNKNOWN); by k ascending within each kind. The
// sysfs type is the same answer TIOCGSERIAL gives, read without opening (and so without
// raising DTR on) the port.
std::vector<std::string> DetectSerialDevices(const std::string& devDir,
                                             const std::string& sysTtyDir);

// The n of "COM<n>" or "\\.\COM<n>" (any case, n from 1 to 65535), or 0 for anything else.
int ComNumberOfName(std::string_view name);
