#include "platform/win32/Win32SystemFacts.h"

// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <cstring>

#include "base/Cp1252.h"

namespace {

// The local host as the socket library resolves it; `use` takes the resolved entry (null when
// the name does not resolve). Empty when the library does not start.
template <typename Use>
std::string WithLocalHost(Use use) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return {};
  char name[101] = {};
  const hostent* host = nullptr;
  if (gethostname(name, sizeof name - 1) == 0) host = gethostbyname(name);
  std::string result = use(host);
  WSACleanup();
  return result;
}

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

}  // namespace

std::string Win32ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "?";
  return std::string(name, strnlen(name, sizeof name));
}

std::string Win32IpHostName() {
  return WithLocalHost([](const hostent* host) -> std::string {
    return host != nullptr && host->h_name != nullptr ? host->h_name : "localhost";
  });
}

std::string Win32IpAddress() {
  return WithLocalHost([](const hostent* host) -> std::string {
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr)
      return "127.0.0.1";
    in_addr address;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    return inet_ntoa(address);
  });
}

std::string Win32OsDescription() {
  // The system's own version call tells the truth whatever the program's manifest says.
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion == nullptr || rtlGetVersion(&v) != 0) {
    v = OSVERSIONINFOW{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExW(&v)) return "ERROR calling \"GetVersionEx\" - " + Win32LastErrorText();
  }
  std::u16string servicePack;
  for (size_t i = 0; i < 128 && v.szCSDVersion[i] != 0; ++i)
    servicePack += static_cast<char16_t>(v.szCSDVersion[i]);
  char text[256];
  std::snprintf(text, sizeof text, "M$ Windows %lu.%lu Build %lu (%s)", v.dwMajorVersion,
                v.dwMinorVersion, v.dwBuildNumber, Utf16ToCp1252(servicePack).c_str());
  return text;
}

std::string Win32LoggedInUser() {
  char name[128] = {};
  DWORD size = sizeof name;
  if (!GetUserNameA(name, &size)) return "?";
  return std::string(name, strnlen(name, sizeof name));
}

std::string Win32LastErrorText() {
  const DWORD error = GetLastError();
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 255, nullptr);
  return "Fehlernummer: #" + std::to_string(error) + "\r\n" + text;
}
