#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/Cp1252.h"
#include "platform/SystemInfo.h"

namespace {

constexpr size_t kMaxLength = 80;

// The value of `key` in os-release syntax (KEY=value, the value optionally quoted), or empty.
std::string OsReleaseValue(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
      continue;
    std::string_view value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return {};
}

// os-release(5): /etc first, the vendor's copy in /usr/lib otherwise; empty when neither exists.
std::string ReadOsRelease() {
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(path);
    if (!in) continue;
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
  }
  return {};
}

// The first IPv4 address of an interface that is up and not a loopback one.
std::string FirstInterfaceAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::string found;
  for (const ifaddrs* i = list; i != nullptr && found.empty(); i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0) continue;
    char address[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, address, sizeof address) != nullptr &&
        !IsLoopbackAddress(address))
      found = address;
  }
  freeifaddrs(list);
  return found;
}

}  // namespace

std::string FormatOsRelease(std::string_view osRelease, std::string_view kernelName,
                            std::string_view kernelRelease, std::string_view machine) {
  std::string distribution = OsReleaseValue(osRelease, "PRETTY_NAME");
  if (distribution.empty()) {
    distribution = OsReleaseValue(osRelease, "NAME");
    const std::string version = OsReleaseValue(osRelease, "VERSION");
    if (!distribution.empty() && !version.empty()) distribution += " " + version;
  }
  std::string kernel(kernelName);
  for (std::string_view part : {kernelRelease, machine})
    if (!part.empty()) (kernel += kernel.empty() ? "" : " ") += part;
  std::string text = distribution;
  if (!kernel.empty()) (text += text.empty() ? "" : ", ") += kernel;
  if (text.size() > kMaxLength) text.resize(kMaxLength);
  return text;
}

std::string OsReleaseText() {
  utsname kernel{};
  if (uname(&kernel) != 0) return FormatOsRelease(ReadOsRelease(), "", "", "");
  return FormatOsRelease(ReadOsRelease(), kernel.sysname, kernel.release, kernel.machine);
}

namespace {

class TPosixSystemFacts : public ISystemFacts {
 public:
  bool ComputerName(std::string& name) const override {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0') return false;
    // The computer's own name, without the domain a fully qualified host name carries.
    name = Utf8ToCp1252(std::string_view(buffer).substr(0, std::string_view(buffer).find('.')));
    return true;
  }

  bool UserName(std::string& name) const override {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_name == nullptr || found->pw_name[0] == '\0')
      return false;
    name = Utf8ToCp1252(found->pw_name);
    return true;
  }

  bool LoginName(std::string& name) const override {
    char buffer[256] = {};
    if (getlogin_r(buffer, sizeof buffer - 1) == 0 && buffer[0] != '\0') {
      name = Utf8ToCp1252(buffer);
      return true;
    }
    // Without a controlling terminal (started from a desktop menu) there is no login record;
    // sudo still names who called it.
    const char* sudoUser = geteuid() == 0 ? std::getenv("SUDO_USER") : nullptr;
    if (sudoUser != nullptr && sudoUser[0] != '\0') {
      name = Utf8ToCp1252(sudoUser);
      return true;
    }
    return false;
  }

  THostLookup LocalHost() const override {
    THostLookup host;
    host.InterfaceAddress = FirstInterfaceAddress();
    char name[101] = {};
    if (gethostname(name, sizeof name - 1) != 0) return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || list == nullptr) return host;
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
      char address[INET_ADDRSTRLEN] = {};
      const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
      if (a->ai_addr == nullptr ||
          inet_ntop(AF_INET, &in->sin_addr, address, sizeof address) == nullptr)
        continue;
      if (!host.Resolved) {
        host.Resolved = true;
        host.FirstAddress = address;
        host.OfficialName = Utf8ToCp1252(list->ai_canonname ? list->ai_canonname : name);
      } else if (IsLoopbackAddress(host.FirstAddress) && !IsLoopbackAddress(address)) {
        host.FirstAddress = address;
        break;
      }
    }
    freeaddrinfo(list);
    return host;
  }

  TOsVersion OsVersion() const override {
    TOsVersion version;
    version.QueryName = "uname";
    utsname kernel{};
    if (uname(&kernel) != 0) {
      version.ErrorNumber = static_cast<uint32_t>(errno);
      return version;
    }
    version.Answered = true;
    version.Description = Utf8ToCp1252(
        FormatOsRelease(ReadOsRelease(), kernel.sysname, kernel.release, kernel.machine));
    return version;
  }

  uint32_t LastErrorNumber() const override { return static_cast<uint32_t>(errno); }

  std::string ErrorText(uint32_t number) const override {
    // In the user's language once the toolkit has set the locale, hence UTF-8.
    return Utf8ToCp1252(std::strerror(static_cast<int>(number)));
  }
};

}  // namespace

ISystemFacts& PlatformSystemFacts() {
  static TPosixSystemFacts facts;
  return facts;
}
