// Which device path a COM number stands for on POSIX. In order of precedence: the environment
// variable TARVOLIN_COM<n>, the [Ports] section (COM<n>=path) of ports.ini in the configuration
// directory (ConfigDirectory, where the INI files are), then the serial adapters found in /dev
// (ttyUSB*, ttyACM* and the ttyS* that have a UART). An adapter keeps its number: the first time it
// is seen it gets the lowest free one, which the [Adapters] section of ports.ini keeps under its
// stable identity (its /dev/serial/by-id name, else its USB serial number), so that replugging,
// another plug order or a restart finds it under the same number. A missing adapter keeps its
// number and is reported as not present.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ConfigDirectory.h"

// Where the map looks; tests point it at temporary directories and a scripted environment.
struct TPortMapSources {
  // Value of an environment variable, or nothing when it is not set; empty: no environment.
  TGetEnv GetEnv;
  // The program's directory: the configuration directory's last resort (ConfigDirectory).
  std::string ProgramDir;
  // The device directory (with serial/by-id below it) and the kernel's tty class directory.
  std::string DevDir = "/dev";
  std::string SysTtyDir = "/sys/class/tty";

  // The running process's environment, /dev and /sys, and the program's directory.
  static TPortMapSources System(std::string programDir = {});
};

enum class TPortSource { None, Environment, PortsIni, Detected };

struct TPortMapping {
  std::string Path;  // empty when the number stands for no device present now
  TPortSource Source = TPortSource::None;
  // A detected adapter: maker and model as far as known (CP1252), and its identity.
  std::string Name;
  std::string Identity;
};

// A serial device of the device directory and what identifies it across replugging.
struct TSerialAdapter {
  std::string Path;      // the device, e.g. /dev/ttyUSB0
  std::string Identity;  // by-id link name, "usb:<vendor>:<product>:<serial>:<interface>", or
                         // the device's own name (ttyS0) when it has neither
  std::string Name;      // maker, model and serial number (CP1252); empty when unknown
};

// An adapter number as ports.ini keeps it.
struct TAdapterNumber {
  int Number = 0;
  std::string Identity;
  std::string Name;
  friend bool operator==(const TAdapterNumber&, const TAdapterNumber&) = default;
};

class TSerialPortMap {
 public:
  // Reads ports.ini; environment variables are read on each lookup. The adapters are scanned by
  // the first lookup that needs them, which also gives new adapters their numbers and writes
  // those to ports.ini. Thread-safe.
  explicit TSerialPortMap(TPortMapSources sources = TPortMapSources::System());

  TPortMapping Lookup(int comNumber) const;

  // The path of a device name: "\\.\COM<n>" and "COM<n>" (any case) through the map, absolute
  // paths unchanged. Empty when the name stands for no device present now.
  std::string ResolveDeviceName(std::string_view name) const;

  // For a tooltip, in CP1252: "COM3 = /dev/ttyUSB0 (FTDI FT232R USB UART A50285BI)",
  // "COM3 = /dev/pts/7 (TARVOLIN_COM3)", "COM3: FTDI FT232R USB UART A50285BI, not present" or
  // "COM3: no device".
  std::string Describe(int comNumber) const;

  // Every numbered adapter, present or not, by number.
  std::vector<TAdapterNumber> AdapterNumbers() const;

 private:
  struct TScan {
    std::vector<TAdapterNumber> numbers;
    std::map<std::string, std::string> pathOf;  // identity -> device path, adapters present now
  };
  const TScan& Scan() const;

  TPortMapSources sources_;
  std::string iniPath_;
  std::map<int, std::string> ini_;
  mutable std::once_flag scanned_;
  mutable TScan scan_;
};

// COM<n>=path entries of the [Ports] section of an INI text (CP1252, CR LF or LF line ends,
// keys and section names in any case). Paths are returned in UTF-8.
std::map<int, std::string> ParsePortsIni(std::string_view text);

// The serial devices of `devDir` in detection order: ttyUSB<k>, ttyACM<k>, then ttyS<k> whose
// UART type in `sysTtyDir`/ttyS<k>/type is not 0 (PORT_UNKNOWN); by k ascending within each
// kind. The sysfs type is the same answer TIOCGSERIAL gives, read without opening (and so
// without raising DTR on) the port.
std::vector<std::string> DetectSerialDevices(const std::string& devDir,
                                             const std::string& sysTtyDir);

// DetectSerialDevices with each device's identity and name: the name of its link in
// `devDir`/serial/by-id, else the USB device's vendor, product, serial number and interface
// from `sysTtyDir`/<tty>/device; the name from the USB device's manufacturer and product
// strings, else from the by-id name.
std::vector<TSerialAdapter> ScanAdapters(const std::string& devDir, const std::string& sysTtyDir);

// The [Adapters] section of an INI text: COM<n>=<identity> and Name<n>=<name>, by number.
std::vector<TAdapterNumber> ParseAdapterNumbers(std::string_view text);

// `text` with its [Adapters] section replaced by `numbers` (appended when it has none); the rest
// of the text is kept as it is. CR LF line ends.
std::string WithAdapterNumbers(std::string_view text, const std::vector<TAdapterNumber>& numbers);

// Gives every adapter whose identity `numbers` lacks the lowest number that neither `numbers`
// nor `taken` uses, in the order of `adapters`; a known adapter whose name was unknown gets its
// name. Returns whether `numbers` changed.
bool AssignAdapterNumbers(std::vector<TAdapterNumber>& numbers,
                          const std::vector<TSerialAdapter>& adapters, const std::set<int>& taken);

// The n of "COM<n>" or "\\.\COM<n>" (any case, n from 1 to 65535), or 0 for anything else.
int ComNumberOfName(std::string_view name);
