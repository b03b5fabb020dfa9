#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <regex>

#include "qualification/zanUtilities.h"
#include "tests/qualification/ScriptedFacts.h"

namespace {

using TFacts = TScriptedFacts;

TEST(SystemFacts, TextsAndFallbacks) {
  TFacts f;
  f.computer = "SIXTEEN-CHARS-16";
  EXPECT_EQ(ComputerName(f), "SIXTEEN-CHARS-16");
  EXPECT_EQ(LoggedInUser(f), "mueller");
  EXPECT_EQ(IpHostName(f), "labor-pc.example");
  EXPECT_EQ(IpAddress(f), "192.0.2.7");
  EXPECT_EQ(OsDescription(f), "M$ Windows 5.1 Build 2600 (Service Pack 3)");
  EXPECT_EQ(LastErrorText(f), "Fehlernummer: #5\r\nText 5\r\n");
  f.version = {"uname", true, 0, 0, 0, 0, "", "Debian GNU/Linux 12 (bookworm), Linux 6.1.0 x86_64"};
  EXPECT_EQ(OsDescription(f), "Debian GNU/Linux 12 (bookworm), Linux 6.1.0 x86_64");

  f.computerRead = f.userRead = f.loginRead = false;
  EXPECT_EQ(ComputerName(f), "?");
  EXPECT_EQ(LoggedInUser(f), "?");
  f.host = {true, false, "", "", ""};
  EXPECT_EQ(IpHostName(f), "localhost");
  EXPECT_EQ(IpAddress(f), "127.0.0.1");
  f.host = {false, false, "", "", ""};
  EXPECT_EQ(IpHostName(f), "");
  EXPECT_EQ(IpAddress(f), "");
  // The error of the refused query, not whatever failed since.
  f.version = {"GetVersionEx", false, 87, 0, 0, 0, "", ""};
  EXPECT_EQ(OsDescription(f), "ERROR calling \"GetVersionEx\" - Fehlernummer: #87\r\nText 87\r\n");
}

// The name may map to loopback only (127.0.1.1 in many Linux installations); that is no
// address of the computer while an interface has one.
TEST(SystemFacts, AddressIsTheNetworksNotLoopback) {
  struct Case {
    THostLookup host;
    const char* address;
  } const cases[] = {
      {{true, true, "pc", "192.0.2.7", "198.51.100.1"}, "192.0.2.7"},
      {{true, true, "pc", "127.0.1.1", "192.0.2.2"}, "192.0.2.2"},
      {{true, false, "", "", "192.0.2.2"}, "192.0.2.2"},
      {{true, true, "pc", "127.0.1.1", ""}, "127.0.1.1"},
      {{true, false, "", "", ""}, "127.0.0.1"},
      {{false, false, "", "", "192.0.2.2"}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IpAddress(c.host), c.address)
        << c.host.FirstAddress << " " << c.host.InterfaceAddress;
  EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
  EXPECT_FALSE(IsLoopbackAddress("12.7.0.1"));
  EXPECT_FALSE(IsLoopbackAddress("1270.0.0.1"));
}

TEST(SystemFacts, LoggedInUserNamesTheEffectiveOneWhenItDiffers) {
  struct Case {
    const char* login;
    bool loginRead;
    const char* user;
    bool userRead;
    const char* shown;
  } const cases[] = {
      {"anna", true, "anna", true, "anna"}, {"anna", true, "root", true, "anna (effektiv: root)"},
      {"", false, "root", true, "root"},    {"anna", true, "", false, "anna"},
      {"", false, "", false, "?"},
  };
  for (const Case& c : cases) {
    TFacts f;
    f.login = c.login, f.loginRead = c.loginRead, f.user = c.user, f.userRead = c.userRead;
    EXPECT_EQ(LoggedInUser(f), c.shown) << c.login << "/" << c.user;
  }
}

#ifdef _WIN32
TEST(SystemFacts, RunningSystem) {
  std::smatch m;
  const std::string os = OsDescription();
  ASSERT_TRUE(std::regex_match(os, m, std::regex(R"(M\$ Windows (\d+)\.(\d+) Build \d+ \(.*\))")))
      << os;
  // 6.2 is what the plain version query tells every program without a manifest today.
  EXPECT_NE(m[1].str() + "." + m[2].str(), "6.2") << os;
  const std::string computer = ComputerName();
  EXPECT_NE(computer, "?");
  EXPECT_LE(computer.size(), 16u);
  EXPECT_NE(LoggedInUser(), "?");
  EXPECT_TRUE(std::regex_match(IpAddress(), std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << IpAddress();
  EXPECT_FALSE(IpHostName().empty());
  SetLastError(ERROR_ACCESS_DENIED);
  const std::string error = LastErrorText();
  EXPECT_EQ(error.rfind("Fehlernummer: #5\r\n", 0), 0u) << error;
  EXPECT_EQ(error.substr(error.size() - 2), "\r\n");
}
#else
TEST(SystemFacts, RunningSystem) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  const std::string hostName = host;
  EXPECT_EQ(ComputerName(), hostName.substr(0, hostName.find('.')));
  const std::string effective = getpwuid(geteuid())->pw_name;
  const std::string user = LoggedInUser();
  const std::string beside = " (effektiv: " + effective + ")";
  EXPECT_TRUE(user == effective ||
              (user.size() > beside.size() &&
               user.compare(user.size() - beside.size(), beside.size(), beside) == 0))
      << user;
  EXPECT_TRUE(std::regex_match(IpAddress(), std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << IpAddress();
  // With a network interface up, the report names its address, never a loopback one.
  if (!PlatformSystemFacts().LocalHost().InterfaceAddress.empty()) {
    EXPECT_FALSE(IsLoopbackAddress(IpAddress())) << IpAddress();
  }
  EXPECT_FALSE(IpHostName().empty());
  EXPECT_EQ(OsDescription(), OsReleaseText());
  errno = ENOENT;
  EXPECT_EQ(LastErrorText().rfind("Fehlernummer: #2\r\n", 0), 0u) << LastErrorText();
}
#endif

}  // namespace
