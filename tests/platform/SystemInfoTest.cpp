#include <gtest/gtest.h>

#include "platform/SystemInfo.h"

namespace {

struct OsReleaseCase {
  const char* why;
  const char* osRelease;
  const char* expected;
};

TEST(SystemInfo, OsReleaseTextFromItsParts) {
  const OsReleaseCase cases[] = {
      {"the pretty name wins",
       "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
       "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86_64"},
      {"name and version without a pretty name, unquoted values", "NAME=Fedora\nVERSION=39\n",
       "Fedora 39, Linux 6.1.0-18-amd64 x86_64"},
      {"a key that only begins like PRETTY_NAME is not it", "PRETTY_NAME_X=no\nNAME='Arch'\n",
       "Arch, Linux 6.1.0-18-amd64 x86_64"},
      {"no os-release file: the kernel alone", "", "Linux 6.1.0-18-amd64 x86_64"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatOsRelease(c.osRelease, "Linux", "6.1.0-18-amd64", "x86_64"), c.expected)
        << c.why;
}

TEST(SystemInfo, OsReleaseTextIsCutAtEightyCharacters) {
  const std::string longName(100, 'n');
  EXPECT_EQ(FormatOsRelease("PRETTY_NAME=" + longName, "Linux", "6", "x86_64"),
            std::string(80, 'n'));
}

TEST(SystemInfo, RunningSystemNamesItsKernel) {
  const std::string text = OsReleaseText();
  EXPECT_LE(text.size(), 80u);
  EXPECT_NE(text.find("Linux"), std::string::npos) << text;
}

}  // namespace
