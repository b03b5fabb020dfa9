// The Windows system facts: wide system texts arrive as CP1252, and the log's description of the
// system. Under Wine for the calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <string>

#include "platform/Sha256.h"
#include "platform/SystemInfo.h"
#include "platform/win32/SystemInfoWin32.h"
#include "qualification/zanExeinfo.h"
#include "serial/AdOsText.h"

namespace {

TEST(Win32SystemText, WideBuffersArriveAsCp1252WithQuestionMarksForTheRest) {
  struct Case {
    const wchar_t* buffer;
    size_t capacity;
    const char* expected;
  };
  const Case cases[] = {
      {L"\u0141ukasz", 128, "?ukasz"},
      {L"Za\u017C\u00F3\u0142\u0107", 128, "Za?\xF3??"},
      {L"M\u00FCller\u20AC", 128, "M\xFCller\x80"},
      // A name of exactly 16 characters, filling the buffer without a terminator.
      {L"ABCDEFGHIJKLMNOPQ", 16, "ABCDEFGHIJKLMNOP"},
      {L"PC\0junk", 17, "PC"},
  };
  for (const Case& c : cases) EXPECT_EQ(WideBufferText(c.buffer, c.capacity), c.expected);
}

TEST(Win32SystemText, LogDescriptionByPlatform) {
  struct Case {
    uint32_t platform, major, minor;
    const char* servicePack;
    const char* expected;
  };
  const Case cases[] = {
      {VER_PLATFORM_WIN32_NT, 10, 0, "", "Windows NT 10.0 "},
      {VER_PLATFORM_WIN32_NT, 6, 1, "Service Pack 1", "Windows NT 6.1 Service Pack 1"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "A", "Win32 on Windows 4.10 A"},
      {VER_PLATFORM_WIN32s, 3, 10, "", "Win32s on Windows 3.10 "},
      {7, 1, 2, "", "Unknown1.2 "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WindowsDescription(c.platform, c.major, c.minor, c.servicePack), c.expected);
  EXPECT_EQ(WindowsDescription(VER_PLATFORM_WIN32_NT, 10, 0, std::string(100, 'x')).size(), 80u);
  EXPECT_EQ(OsReleaseText().rfind("Windows NT ", 0), 0u) << OsReleaseText();
}

// Wine takes the user name from its environment and the computer name from the registry, so
// Polish ones can be set for the test. The computer name has the full 16 characters.
TEST(Win32SystemFacts, PolishUserAndComputerNamesArriveAsCp1252) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"WINEUSERNAME", L"\u0141ukasz"));
  std::string name;
  ASSERT_TRUE(PlatformSystemFacts().UserName(name));
  EXPECT_EQ(name, "?ukasz");

  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          L"System\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName",
                          0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  wchar_t before[256] = {};
  DWORD size = sizeof before - sizeof(wchar_t);
  const bool had = RegQueryValueExW(key, L"ComputerName", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(before), &size) == ERROR_SUCCESS;
  const auto set = [key](const wchar_t* value) {
    return RegSetValueExW(key, L"ComputerName", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  };
  ASSERT_EQ(set(L"ZA\u017B\u00D3\u0141\u0106-ABCDEFGHI"), ERROR_SUCCESS);
  const bool read = PlatformSystemFacts().ComputerName(name);
  if (had) set(before);
  RegCloseKey(key);
  ASSERT_TRUE(read);
  EXPECT_EQ(name,
            "ZA?\xD3?"
            "?-ABCDEFGHI");
}

TEST(Win32SystemFacts, SystemMessagesKeepTheirLineBreak) {
  const std::string text = SystemMessageText(ERROR_FILE_NOT_FOUND);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(PlatformSystemFacts().ErrorText(ERROR_FILE_NOT_FOUND), text);
}

TEST(Win32SystemFacts, LocalHostResolvesByItsWideName) {
  const THostLookup host = PlatformSystemFacts().LocalHost();
  ASSERT_TRUE(host.SocketsStarted);
  ASSERT_TRUE(host.Resolved);
  EXPECT_FALSE(host.OfficialName.empty());
  EXPECT_NE(host.FirstAddress.find('.'), std::string::npos) << host.FirstAddress;
}

// The about box and the program rows of the report read the program file, wherever it lies.
TEST(Win32ProgramFile, ReadByItsWideNameInAFolderOutsideTheCodePage) {
  wchar_t temp[MAX_PATH];
  ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring dir = std::wstring(temp) + L"Za\u017C\u00F3\u0142\u0107 \u0141ukasz";
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring copy = dir + L"\\Tarvolin.exe";
  wchar_t own[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, own, MAX_PATH), 0u);
  ASSERT_TRUE(CopyFileW(own, copy.c_str(), FALSE));

  const std::u8string utf8 = std::filesystem::path(copy).u8string();
  const std::string copyName(utf8.begin(), utf8.end());
  TZanExeInfo info;
  info.getInfoFromFile(copyName);
  EXPECT_EQ(info.productName(), "Tarvolin");
  std::string ownHash, copyHash;
  ASSERT_TRUE(Sha256OfFile(ProgramFileName(), ownHash));
  ASSERT_TRUE(Sha256OfFile(copyName, copyHash));
  EXPECT_EQ(copyHash, ownHash);

  DeleteFileW(copy.c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
