#include "platform/posix/SerialPortMap.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "platform/ConfigDirectory.h"
#include "platform/FileReplace.h"
#include "platform/IniFile.h"

namespace {

bool IsBlank(const std::optional<std::string>& v) {
  return !v || Trim(*v).empty();
}

// Sources without an environment have no variables set.
std::optional<std::string> Env(const TPortMapSources& sources, const std::string& name) {
  if (!sources.GetEnv) return std::nullopt;
  return sources.GetEnv(name);
}

// Decimal digits only, 1..65535; 0 otherwise.
int PortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= 65535 ? n : 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The k of "<prefix><k>", or -1.
long SuffixNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return -1;
  std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 9) return -1;
  long k = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    k = k * 10 + (c - '0');
  }
  return k;
}

bool HasUart(const std::string& sysTtyDir, const std::string& name) {
  std::string type = Trim(ReadFile(sysTtyDir + "/" + name + "/type"));
  int32_t value = 0;
  return TryStrToInt(type, value) && value != 0;
}

// The n of "<prefix><n>" (prefix in any case, n from 1 to 65535), or 0.
int KeyNumber(std::string_view key, std::string_view prefix) {
  if (key.size() <= prefix.size() || !SameText(key.substr(0, prefix.size()), prefix)) return 0;
  return PortNumber(key.substr(prefix.size()));
}

}  // namespace

TPortMapSources TPortMapSources::System(std::string programDir) {
  TPortMapSources s;
  s.GetEnv = SystemEnvironment;
  s.ProgramDir = std::move(programDir);
  return s;
}

std::map<int, std::string> ParsePortsIni(std::string_view text) {
  std::map<int, std::string> ports;
  for (const auto& [key, value] : TIniFile("", text).ReadSectionValues("Ports")) {
    int n = KeyNumber(key, "COM");
    // The first entry wins, as a profile reader finds the first matching key.
    if (n > 0 && !value.empty() && !ports.contains(n)) ports[n] = Cp1252ToUtf8(value);
  }
  return ports;
}

std::vector<std::string> DetectSerialDevices(const std::string& devDir,
                                             const std::string& sysTtyDir) {
  static constexpr std::string_view kinds[] = {"ttyUSB", "ttyACM", "ttyS"};
  std::vector<std::pair<long, std::string>> found[std::size(kinds)];
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(devDir, ec)) {
    std::string name = entry.path().filename().string();
    for (size_t kind = 0; kind < std::size(kinds); ++kind) {
      long k = SuffixNumber(name, kinds[kind]);
      if (k < 0) continue;
      if (kinds[kind] == "ttyS" && !HasUart(sysTtyDir, name)) continue;
      found[kind].emplace_back(k, devDir + "/" + name);
    }
  }
  std::vector<std::string> devices;
  for (auto& list : found) {
    std::sort(list.begin(), list.end());
    for (auto& [k, path] : list) devices.push_back(std::move(path));
  }
  return devices;
}

int ComNumberOfName(std::string_view name) {
  if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
  if (name.size() < 4 || !SameText(name.substr(0, 3), "COM")) return 0;
  return PortNumber(name.substr(3));
}

// ---------------------------------------------------------------------------------------------
// Adapters and their numbers

namespace {

namespace fs = std::filesystem;

std::string Canonical(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::canonical(path, ec);
  return ec ? path : p.string();
}

// The name of a by-id link without its bus prefix and interface suffix, blanks for the
// underscores udev puts in: "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" gives
// "FTDI FT232R USB UART A50285BI".
std::string NameOfById(std::string_view link) {
  if (size_t dash = link.find('-'); dash != std::string_view::npos && dash <= 4)
    link.remove_prefix(dash + 1);
  if (size_t ifPart = link.rfind("-if"); ifPart != std::string_view::npos)
    link = link.substr(0, ifPart);
  std::string name(link);
  std::replace(name.begin(), name.end(), '_', ' ');
  return Utf8ToCp1252(Trim(name));
}

// What sysfs tells of the USB device above a tty.
struct TUsbFacts {
  std::string vendor, product, serial, interface, maker, model;
};

std::optional<TUsbFacts> UsbFactsOf(const std::string& sysTtyDir, const std::string& tty) {
  std::error_code ec;
  fs::path dir = fs::canonical(fs::path(sysTtyDir) / tty / "device", ec);
  if (ec) return std::nullopt;
  // ttyACM: device is the USB interface; ttyUSB: the serial port below the interface.
  fs::path interface;
  for (int depth = 0; depth < 4 && dir.has_relative_path(); ++depth, dir = dir.parent_path()) {
    if (fs::exists(dir / "idVendor", ec)) {
      TUsbFacts facts;
      auto read = [&dir](const char* file) { return Trim(ReadFile((dir / file).string())); };
      facts.vendor = read("idVendor");
      facts.product = read("idProduct");
      facts.serial = read("serial");
      facts.maker = read("manufacturer");
      facts.model = read("product");
      std::string name = interface.filename().string();
      facts.interface = name.substr(name.rfind(':') + 1);
      return facts;
    }
    interface = dir;
  }
  return std::nullopt;
}

}  // namespace

std::vector<TSerialAdapter> ScanAdapters(const std::string& devDir, const std::string& sysTtyDir) {
  std::map<std::string, std::string> byId;  // device -> link name
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(devDir) / "serial" / "by-id", ec))
    byId.emplace(Canonical(entry.path().string()), entry.path().filename().string());

  std::vector<TSerialAdapter> adapters;
  for (std::string& path : DetectSerialDevices(devDir, sysTtyDir)) {
    TSerialAdapter a;
    std::string tty = fs::path(path).filename().string();
    auto usb = UsbFactsOf(sysTtyDir, tty);
    if (usb && !(usb->maker.empty() && usb->model.empty())) {
      a.Name = Utf8ToCp1252(Trim(usb->maker + " " + usb->model));
      if (!usb->serial.empty()) a.Name += " (" + Utf8ToCp1252(usb->serial) + ")";
    }
    if (auto it = byId.find(Canonical(path)); it != byId.end()) {
      a.Identity = it->second;
      if (a.Name.empty()) a.Name = NameOfById(it->second);
    } else if (usb && !usb->serial.empty()) {
      a.Identity =
          "usb:" + usb->vendor + ":" + usb->product + ":" + usb->serial + ":" + usb->interface;
    } else {
      // Nothing outlives a replug; a built-in UART's name is stable anyway.
      a.Identity = tty;
    }
    a.Path = std::move(path);
    adapters.push_back(std::move(a));
  }
  return adapters;
}

std::vector<TAdapterNumber> ParseAdapterNumbers(std::string_view text) {
  std::map<int, TAdapterNumber> numbers;
  std::map<int, std::string> names;
  for (const auto& [key, value] : TIniFile("", text).ReadSectionValues("Adapters")) {
    if (int n = KeyNumber(key, "COM"); n > 0 && !value.empty() && !numbers.contains(n))
      numbers[n] = TAdapterNumber{n, Cp1252ToUtf8(value), ""};
    else if (int m = KeyNumber(key, "NAME"); m > 0 && !names.contains(m))
      names[m] = value;
  }
  std::vector<TAdapterNumber> result;
  std::set<std::string> seen;
  for (auto& [n, a] : numbers) {
    // An identity listed twice keeps its first number.
    if (!seen.insert(a.Identity).second) continue;
    if (auto it = names.find(n); it != names.end()) a.Name = it->second;
    result.push_back(std::move(a));
  }
  return result;
}

std::string WithAdapterNumbers(std::string_view text, const std::vector<TAdapterNumber>& numbers) {
  TIniFile ini("", text);
  ini.ClearSection("Adapters");
  for (const TAdapterNumber& a : numbers) {
    ini.WriteString("Adapters", Format("COM%d", a.Number), Utf8ToCp1252(a.Identity));
    if (!a.Name.empty()) ini.WriteString("Adapters", Format("Name%d", a.Number), a.Name);
  }
  return ini.Text();
}

bool AssignAdapterNumbers(std::vector<TAdapterNumber>& numbers,
                          const std::vector<TSerialAdapter>& adapters, const std::set<int>& taken) {
  bool changed = false;
  std::set<int> used = taken;
  for (const TAdapterNumber& a : numbers) used.insert(a.Number);
  for (const TSerialAdapter& adapter : adapters) {
    auto known = std::find_if(numbers.begin(), numbers.end(), [&](const TAdapterNumber& a) {
      return a.Identity == adapter.Identity;
    });
    if (known != numbers.end()) {
      if (known->Name.empty() && !adapter.Name.empty()) {
        known->Name = adapter.Name;
        changed = true;
      }
      continue;
    }
    int n = 1;
    while (used.contains(n)) ++n;
    if (n > 65535) break;
    used.insert(n);
    numbers.push_back(TAdapterNumber{n, adapter.Identity, adapter.Name});
    changed = true;
  }
  std::sort(numbers.begin(), numbers.end(),
            [](const TAdapterNumber& a, const TAdapterNumber& b) { return a.Number < b.Number; });
  return changed;
}

// ---------------------------------------------------------------------------------------------
// The map

namespace {

// Serialises the read-assign-write of ports.ini between the maps of this process.
std::mutex& PortsIniLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

TSerialPortMap::TSerialPortMap(TPortMapSources sources) : sources_(std::move(sources)) {
  std::string dir = ConfigDirectory(sources_.GetEnv, sources_.ProgramDir);
  if (!dir.empty()) {
    iniPath_ = dir.ends_with('/') ? dir + "ports.ini" : dir + "/ports.ini";
    ini_ = ParsePortsIni(ReadFile(iniPath_));
  }
}

const TSerialPortMap::TScan& TSerialPortMap::Scan() const {
  std::call_once(scanned_, [this] {
    std::vector<TSerialAdapter> adapters = ScanAdapters(sources_.DevDir, sources_.SysTtyDir);
    // A device that ports.ini names itself keeps that number only.
    std::set<std::string> named;
    std::set<int> taken;
    for (const auto& [n, path] : ini_) {
      named.insert(Canonical(path));
      taken.insert(n);
    }
    std::erase_if(adapters,
                  [&named](const TSerialAdapter& a) { return named.contains(Canonical(a.Path)); });
    for (const TSerialAdapter& a : adapters) scan_.pathOf[a.Identity] = a.Path;

    std::lock_guard lock(PortsIniLock());
    std::string text = iniPath_.empty() ? std::string() : ReadFile(iniPath_);
    scan_.numbers = ParseAdapterNumbers(text);
    if (AssignAdapterNumbers(scan_.numbers, adapters, taken) && !iniPath_.empty())
      ReplaceFileContents(iniPath_, WithAdapterNumbers(text, scan_.numbers));
  });
  return scan_;
}

TPortMapping TSerialPortMap::Lookup(int comNumber) const {
  if (comNumber <= 0) return {};
  auto env = Env(sources_, Format("TARVOLIN_COM%d", comNumber));
  if (!IsBlank(env)) return {Trim(*env), TPortSource::Environment, "", ""};
  if (auto it = ini_.find(comNumber); it != ini_.end())
    return {it->second, TPortSource::PortsIni, "", ""};
  const TScan& scan = Scan();
  for (const TAdapterNumber& a : scan.numbers) {
    if (a.Number != comNumber) continue;
    auto present = scan.pathOf.find(a.Identity);
    return {present == scan.pathOf.end() ? std::string() : present->second, TPortSource::Detected,
            a.Name, a.Identity};
  }
  return {};
}

std::string TSerialPortMap::ResolveDeviceName(std::string_view name) const {
  if (!name.empty() && name[0] == '/') return std::string(name);
  return Lookup(ComNumberOfName(name)).Path;
}

std::string TSerialPortMap::Describe(int comNumber) const {
  TPortMapping m = Lookup(comNumber);
  switch (m.Source) {
    case TPortSource::Environment:
      return Format("COM%d = %s (TARVOLIN_COM%d)", comNumber, Utf8ToCp1252(m.Path), comNumber);
    case TPortSource::PortsIni:
      return Format("COM%d = %s (ports.ini)", comNumber, Utf8ToCp1252(m.Path));
    case TPortSource::Detected:
      if (m.Path.empty())
        return Format("COM%d: %s, not present", comNumber,
                      m.Name.empty() ? Utf8ToCp1252(m.Identity) : m.Name);
      if (m.Name.empty()) return Format("COM%d = %s", comNumber, Utf8ToCp1252(m.Path));
      return Format("COM%d = %s (%s)", comNumber, Utf8ToCp1252(m.Path), m.Name);
    case TPortSource::None:
      break;
  }
  return Format("COM%d: no device", comNumber);
}

std::vector<TAdapterNumber> TSerialPortMap::AdapterNumbers() const {
  return Scan().numbers;
}
