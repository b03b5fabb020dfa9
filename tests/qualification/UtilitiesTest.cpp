#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <regex>

#include "qualification/zanUtilities.h"

namespace {

// Facts as a test sets them.
struct TFacts : ISystemFacts {
  bool ComputerName(std::string& name) const override {
    name = computer;
    return computerRead;
  }
  bool UserName(std::string& name) const override {
    name = user;
    return userRead;
  }
  THostLookup LocalHost() const override { return host; }
  TOsVersion OsVersion() const override { return version; }
  uint32_t LastErrorNumber() const override { return lastError; }
  std::string ErrorText(uint32_t number) const override {
    return "Text " + std::to_string(number) + "\r\n";
  }

  std::string computer = "LABOR-PC";
  bool computerRead = true;
  std::string user = "mueller";
  bool userRead = true;
  THostLookup host{true, true, "labor-pc.example", "192.0.2.7"};
  TOsVersion version{"GetVersionEx", true, 0, 5, 1, 2600, "Service Pack 3", ""};
  uint32_t lastError = 5;
};

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

  f.computerRead = f.userRead = false;
  EXPECT_EQ(ComputerName(f), "?");
  EXPECT_EQ(LoggedInUser(f), "?");
  f.host = {true, false, "", ""};
  EXPECT_EQ(IpHostName(f), "localhost");
  EXPECT_EQ(IpAddress(f), "127.0.0.1");
  f.host = {false, false, "", ""};
  EXPECT_EQ(IpHostName(f), "");
  EXPECT_EQ(IpAddress(f), "");
  // The error of the refused query, not whatever failed since.
  f.version = {"GetVersionEx", false, 87, 0, 0, 0, "", ""};
  EXPECT_EQ(OsDescription(f), "ERROR calling \"GetVersionEx\" - Fehlernummer: #87\r\nText 87\r\n");
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
  EXPECT_EQ(LoggedInUser(), getpwuid(geteuid())->pw_name);
  EXPECT_TRUE(std::regex_match(IpAddress(), std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << IpAddress();
  EXPECT_FALSE(IpHostName().empty());
  EXPECT_EQ(OsDescription(), OsReleaseText());
  errno = ENOENT;
  EXPECT_EQ(LastErrorText().rfind("Fehlernummer: #2\r\n", 0), 0u) << LastErrorText();
}
#endif

}  // namespace
