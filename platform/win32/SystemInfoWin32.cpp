// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <cstdio>
#include <cstring>

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

  THostLookup LocalHost() const override {
    THostLookup host;
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
      host.SocketsStarted = false;
      return host;
    }
    char name[101] = {};
    const hostent* entry = nullptr;
    if (gethostname(name, sizeof name - 1) == 0) entry = gethostbyname(name);
    if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_addr_list[0] != nullptr) {
      in_addr address;
      std::memcpy(&address, entry->h_addr_list[0], sizeof address);
      host.Resolved = true;
      host.FirstAddress = inet_ntoa(address);
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
