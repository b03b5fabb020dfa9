#include "platform/posix/SerialPortMap.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/Cp1252.h"
#include "base/SysUtils.h"

namespace {

bool IsBlank(const std::optional<std::string>& v) {
  return !v || Trim(*v).empty();
}

// Sources without an environment have no variables set.
std::optional<std::string> Env(const TPortMapSources& sources, const std::string& name) {
  if (!sources.GetEnv) return std::nullopt;
  return sources.GetEnv(name);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperCase(a) == UpperCase(b);
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

}  // namespace

TPortMapSources TPortMapSources::System() {
  TPortMapSources s;
  s.GetEnv = [](const std::string& name) -> std::optional<std::string> {
    // Nothing in the program changes its environment, so reading it from any thread is safe.
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
  };
  return s;
}

std::string ConfigDirectory(const TPortMapSources& sources) {
  auto profile = Env(sources, "USERPROFILE");
  if (!IsBlank(profile)) return *profile;
  auto xdg = Env(sources, "XDG_CONFIG_HOME");
  if (!IsBlank(xdg)) return *xdg + "/tarvolin";
  auto home = Env(sources, "HOME");
  if (!IsBlank(home)) return *home + "/.config/tarvolin";
  return {};
}

std::map<int, std::string> ParsePortsIni(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::map<int, std::string> ports;
  bool inPorts = false;
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string line = Trim(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inPorts = close != std::string::npos && EqualNoCase(Trim(line.substr(1, close - 1)), "PORTS");
      continue;
    }
    size_t eq = line.find('=');
    if (!inPorts || eq == std::string::npos) continue;
    std::string key = Trim(std::string_view(line).substr(0, eq));
    std::string value = Trim(std::string_view(line).substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    int n = EqualNoCase(std::string_view(key).substr(0, 3), "COM") ? PortNumber(key.substr(3)) : 0;
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
  if (name.size() < 4 || !EqualNoCase(name.substr(0, 3), "COM")) return 0;
  return PortNumber(name.substr(3));
}

TSerialPortMap::TSerialPortMap(TPortMapSources sources) : sources_(std::move(sources)) {
  std::string dir = ConfigDirectory(sources_);
  if (!dir.empty()) ini_ = ParsePortsIni(ReadFile(dir + "/ports.ini"));
  detected_ = DetectSerialDevices(sources_.DevDir, sources_.SysTtyDir);
}

TPortMapping TSerialPortMap::Lookup(int comNumber) const {
  if (comNumber <= 0) return {};
  auto env = Env(sources_, Format("TARVOLIN_COM%d", comNumber));
  if (!IsBlank(env)) return {Trim(*env), TPortSource::Environment};
  if (auto it = ini_.find(comNumber); it != ini_.end()) return {it->second, TPortSource::PortsIni};
  if (static_cast<size_t>(comNumber) <= detected_.size())
    return {detected_[static_cast<size_t>(comNumber) - 1], TPortSource::Detected};
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
      return Format("COM%d = %s", comNumber, Utf8ToCp1252(m.Path));
    case TPortSource::None:
      break;
  }
  return Format("COM%d: no device", comNumber);
}
