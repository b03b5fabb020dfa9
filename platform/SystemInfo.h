// Facts about the computer that logs and reports print. One implementation per platform; none of
// them throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The operating system as the reader of a dispatch log or an audit report needs it: the
// distribution's name and version, then the kernel's name, release and machine, at most 80
// characters, for example "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86_64".
std::string OsReleaseText();

// OsReleaseText from its parts: the contents of an os-release file (empty when there is none)
// and what the kernel reports of itself.
std::string FormatOsRelease(std::string_view osRelease, std::string_view kernelName,
                            std::string_view kernelRelease, std::string_view machine);

// The local host name looked up as the network sees it.
struct THostLookup {
  // False when the system's socket library could not be started (there is nothing to ask).
  bool SocketsStarted = true;
  // Whether the local host name resolved; then its official name and its first IPv4 address
  // (dotted decimal) that is not a loopback address, or its first one when all are.
  bool Resolved = false;
  std::string OfficialName;
  std::string FirstAddress;
  // The first IPv4 address of a network interface that is up and not a loopback one, empty
  // when there is none: the computer's address when its name maps only to loopback (as
  // 127.0.1.1 in many Linux installations).
  std::string InterfaceAddress;
};

// Whether a dotted IPv4 address lies in 127.0.0.0/8.
bool IsLoopbackAddress(std::string_view address);

// What the system says of its version.
struct TOsVersion {
  // The system call asked, for the error sentence when it refuses.
  std::string QueryName;
  bool Answered = false;
  // The system's error number when it refused.
  uint32_t ErrorNumber = 0;
  // Windows: the numbers and the service-pack text of the version query.
  int Major = 0;
  int Minor = 0;
  uint32_t Build = 0;
  std::string ServicePack;
  // Other systems: their description of themselves (OsReleaseText); empty on Windows.
  std::string Description;
};

// The running system's identity and error texts. Texts are CP1252. One implementation per
// platform (posix/, win32/); PlatformSystemFacts gives it.
class ISystemFacts {
 public:
  virtual ~ISystemFacts() = default;
  // The computer's network name; false when it cannot be read.
  virtual bool ComputerName(std::string& name) const = 0;
  // The name of the user the program runs as; false when it cannot be read.
  virtual bool UserName(std::string& name) const = 0;
  // The name of the user logged in at the session the program runs in, which differs from
  // UserName under sudo or "run as"; false when it cannot be read.
  virtual bool LoginName(std::string& name) const = 0;
  virtual THostLookup LocalHost() const = 0;
  virtual TOsVersion OsVersion() const = 0;
  // The calling thread's last system error number, and the system's text for a number.
  virtual uint32_t LastErrorNumber() const = 0;
  virtual std::string ErrorText(uint32_t number) const = 0;
};

ISystemFacts& PlatformSystemFacts();
