// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>
// After windows.h: the adapter list and the session query.
#include <iphlpapi.h>
#include <wtsapi32.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/Cp1252.h"
#include "platform/SystemInfo.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

// The version as the system keeps it: the plain version query tells a program without a
// compatibility manifest an older system than it runs on, the system's own call does not.
bool TrueVersion(OSVERSIONINFOW& v) {
  v = OSVERSIONINFOW{};
  v.dwOSVersionInfoSize = sizeof v;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion != nullptr && rtlGetVersion(&v) == 0) return true;
  v = OSVERSIONINFOW{};
  v.dwOSVersionInfoSize = sizeof v;
  return GetVersionExW(&v) != FALSE;
}

// The first IPv4 address of an adapter that is up and not the loopback one.
std::string FirstInterfaceAddress() {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return {};
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
       a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const sockaddr* address = u->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET) continue;
      in_addr in;
      std::memcpy(&in, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, sizeof in);
      const std::string text = inet_ntoa(in);
      if (!IsLoopbackAddress(text)) return text;
    }
  }
  return {};
}

class TWin32SystemFacts : public ISystemFacts {
 public:
  bool ComputerName(std::string& name) const override {
    char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof buffer;
    if (!GetComputerNameA(buffer, &size)) return false;
    name.assign(buffer, strnlen(buffer, sizeof buffer));
    return true;
  }

  bool UserName(std::string& name) const override {
    char buffer[128] = {};
    DWORD size = sizeof buffer;
    if (!GetUserNameA(buffer, &size)) return false;
    name.assign(buffer, strnlen(buffer, sizeof buffer));
    return true;
  }

  bool LoginName(std::string& name) const override {
    // The user of the session the program runs in; a program started with "run as" runs under
    // another account than the one logged in.
    char* buffer = nullptr;
    DWORD size = 0;
    if (!WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSUserName,
                                     &buffer, &size) ||
        buffer == nullptr)
      return false;
    name.assign(buffer, strnlen(buffer, size));
    WTSFreeMemory(buffer);
    return !name.empty();
  }

  THostLookup LocalHost() const override {
    THostLookup host;
    host.InterfaceAddress = FirstInterfaceAddress();
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
      host.SocketsStarted = false;
      return host;
    }
    char name[101] = {};
    const hostent* entry = nullptr;
    if (gethostname(name, sizeof name - 1) == 0) entry = gethostbyname(name);
    if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_addr_list[0] != nullptr) {
      host.Resolved = true;
      for (int i = 0; entry->h_addr_list[i] != nullptr; ++i) {
        in_addr address;
        std::memcpy(&address, entry->h_addr_list[i], sizeof address);
        const std::string text = inet_ntoa(address);
        if (i == 0) host.FirstAddress = text;
        if (!IsLoopbackAddress(text)) {
          host.FirstAddress = text;
          break;
        }
      }
      host.OfficialName = entry->h_name != nullptr ? entry->h_name : name;
    }
    WSACleanup();
    return host;
  }

  TOsVersion OsVersion() const override {
    TOsVersion version;
    version.QueryName = "GetVersionEx";
    OSVERSIONINFOW v;
    if (!TrueVersion(v)) {
      version.ErrorNumber = GetLastError();
      return version;
    }
    version.Answered = true;
    version.Major = static_cast<int>(v.dwMajorVersion);
    version.Minor = static_cast<int>(v.dwMinorVersion);
    version.Build = v.dwBuildNumber;
    std::u16string servicePack;
    for (size_t i = 0; i < 128 && v.szCSDVersion[i] != 0; ++i)
      servicePack += static_cast<char16_t>(v.szCSDVersion[i]);
    version.ServicePack = Utf16ToCp1252(servicePack);
    return version;
  }

  uint32_t LastErrorNumber() const override { return GetLastError(); }

  std::string ErrorText(uint32_t number) const override {
    // The system's text keeps its own line break.
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, number,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 255, nullptr);
    return text;
  }
};

}  // namespace

ISystemFacts& PlatformSystemFacts() {
  static TWin32SystemFacts facts;
  return facts;
}

std::string OsReleaseText() {
  OSVERSIONINFOW v;
  if (!TrueVersion(v)) return "Windows";
  char text[96];
  std::snprintf(text, sizeof text, "Windows %lu.%lu Build %lu", v.dwMajorVersion, v.dwMinorVersion,
                v.dwBuildNumber);
  return text;
}
