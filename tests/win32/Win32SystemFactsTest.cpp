// The system facts on Windows, in the formats of the qualification report.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/win32/Win32SystemFacts.h"

namespace {

TEST(Win32SystemFacts, OsDescriptionHasTheReportsFormatAndTheTrueVersion) {
  const std::string text = Win32OsDescription();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m, std::regex(R"(M\$ Windows (\d+)\.(\d+) Build \d+ \(.*\))")))
      << text;
  // 6.2 is what the plain query tells every program without a manifest on the systems of today.
  EXPECT_NE(m[1].str() + "." + m[2].str(), "6.2") << text;
}

TEST(Win32SystemFacts, LastErrorTextNamesTheNumberAndKeepsTheSystemsLineBreak) {
  SetLastError(ERROR_ACCESS_DENIED);
  const std::string text = Win32LastErrorText();
  EXPECT_EQ(text.rfind("Fehlernummer: #5\r\n", 0), 0u) << text;
  ASSERT_GT(text.size(), 20u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(Win32SystemFacts, ComputerUserAndHost) {
  const std::string computer = Win32ComputerName();
  EXPECT_NE(computer, "?");
  EXPECT_LE(computer.size(), 16u);
  EXPECT_NE(Win32LoggedInUser(), "?");
  EXPECT_FALSE(Win32IpHostName().empty());
  EXPECT_TRUE(std::regex_match(Win32IpAddress(), std::regex(R"(\d+\.\d+\.\d+\.\d+)")))
      << Win32IpAddress();
}

}  // namespace
