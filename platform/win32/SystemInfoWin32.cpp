// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>
// After windows.h: the adapter list and the session query.
#include <iphlpapi.h>
#include <wtsapi32.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Cp1252.h"
#include "platform/SystemInfo.h"
#include "platform/win32/SystemInfoWin32.h"

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

std::u16string Utf16(const wchar_t* text) {
  std::u16string out;
  for (; *text != 0; ++text) out += static_cast<char16_t>(*text);
  return out;
}

class TWin32SystemFacts : public ISystemFacts {
 public:
  bool ComputerName(std::string& name) const override {
    // 16 characters and the terminator: longer names are not network names.
    wchar_t buffer[17] = {};
    DWORD size = 17;
    if (!GetComputerNameW(buffer, &size)) return false;
    name = WideBufferText(buffer, 17);
    return true;
  }

  bool UserName(std::string& name) const override {
    wchar_t buffer[128] = {};
    DWORD size = 128;
    if (!GetUserNameW(buffer, &size)) return false;
    name = WideBufferText(buffer, 128);
    return true;
  }

  bool LoginName(std::string& name) const override {
    // The user of the session the program runs in; a program started with "run as" runs under
    // another account than the one logged in.
    wchar_t* buffer = nullptr;
    DWORD size = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSUserName,
                                     &buffer, &size) ||
        buffer == nullptr)
      return false;
    name = WideBufferText(buffer, size / sizeof(wchar_t));
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
    // The host name may hold characters outside the ANSI code page: asked and resolved wide.
    wchar_t name[101] = {};
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    ADDRINFOW* list = nullptr;
    if (GetHostNameW(name, 100) == 0 && GetAddrInfoW(name, nullptr, &hints, &list) == 0 &&
        list != nullptr) {
      host.Resolved = true;
      bool first = true;
      for (const ADDRINFOW* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
        in_addr address;
        std::memcpy(&address, &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr,
                    sizeof address);
        const std::string text = inet_ntoa(address);
        if (first) host.FirstAddress = text;
        first = false;
        if (!IsLoopbackAddress(text)) {
          host.FirstAddress = text;
          break;
        }
      }
      host.OfficialName =
          Utf16ToCp1252(Utf16(list->ai_canonname != nullptr ? list->ai_canonname : name));
      FreeAddrInfoW(list);
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
    version.ServicePack = WideBufferText(v.szCSDVersion, 128);
    return version;
  }

  uint32_t LastErrorNumber() const override { return GetLastError(); }

  std::string ErrorText(uint32_t number) const override {
    // The system's text keeps its own line break.
    wchar_t text[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, number,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 255, nullptr);
    return WideBufferText(text, 256);
  }
};

}  // namespace

ISystemFacts& PlatformSystemFacts() {
  static TWin32SystemFacts facts;
  return facts;
}

std::string WideBufferText(const wchar_t* buffer, size_t capacity) {
  std::u16string text;
  for (size_t i = 0; i < capacity && buffer[i] != 0; ++i) text += static_cast<char16_t>(buffer[i]);
  return Utf16ToCp1252(text);
}

std::string WindowsDescription(uint32_t platformId, uint32_t major, uint32_t minor,
                               const std::string& servicePack) {
  const char* name = "Unknown";
  switch (platformId) {
    case VER_PLATFORM_WIN32s:
      name = "Win32s on Windows ";
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      name = "Win32 on Windows ";
      break;
    case VER_PLATFORM_WIN32_NT:
      name = "Windows NT ";
      break;
    default:
      break;
  }
  std::string text = name + std::to_string(major) + "." + std::to_string(minor) + " " + servicePack;
  if (text.size() > 80) text.resize(80);
  return text;
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    // A full buffer means a cut path: ask again with more room.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string ProgramFileName() {
  const std::u8string utf8 = std::filesystem::path(ProgramPath()).u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::string OsReleaseText() {
  OSVERSIONINFOW v;
  if (!TrueVersion(v)) return "Unknown";
  return WindowsDescription(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion,
                            WideBufferText(v.szCSDVersion, 128));
}
