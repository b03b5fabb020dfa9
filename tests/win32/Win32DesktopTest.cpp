// Keystrokes, the foreground window and the key lookup of the Win32 backend under Wine, typing
// into a Win32 edit control of another process (tests/win32/EditTarget.cpp). Needs an X display
// for Wine's windows; the test command provides one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "app/Keystrokes.h"
#include "platform/win32/Win32Desktop.h"
#include "tests/win32/support/EditTarget.h"

namespace {

// Polls until the condition holds; the receiver runs in another process.
bool PollFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class Win32DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display for Wine's windows";
    std::string error;
    ASSERT_TRUE(target.Start(error)) << error;
  }

  TEditTarget target;
  TWin32KeyInjector keys;
  TKeystrokes keystrokes{keys};
  TWin32ForegroundWindow foreground;
};

TEST_F(Win32DesktopTest, ForegroundWindowIsTheOtherProgramsWithItsTitle) {
  EXPECT_EQ(foreground.Foreground(), target.Window());
  EXPECT_TRUE(foreground.IsWindow(target.Window()));
  EXPECT_EQ(foreground.Title(target.Window(), 79), TEditTarget::kTitle);
  EXPECT_EQ(foreground.Title(target.Window(), 8), "Tarvolin");
  EXPECT_FALSE(foreground.IsWindow(0));
}

TEST_F(Win32DesktopTest, ReadingWithEnterArrivesExactlyInTheEditControl) {
  keystrokes.typeText("12.345\r");
  ASSERT_TRUE(PollFor([&] { return target.Text() == "12.345\r\n"; })) << target.Text();
}

TEST_F(Win32DesktopTest, UpperCaseArrivesRightWithCapsLockOnAndCapsLockStaysOn) {
  keystrokes.tapKey(VK_CAPITAL);
  ASSERT_TRUE(PollFor([&] { return target.CapsLockOn(); }));
  ASSERT_TRUE(keys.CapsLockOn());

  keystrokes.typeText("AbC x");
  ASSERT_TRUE(PollFor([&] { return target.Text() == "AbC x"; })) << target.Text();
  EXPECT_TRUE(keys.CapsLockOn());
  EXPECT_TRUE(target.CapsLockOn());

  keystrokes.tapKey(VK_CAPITAL);
  EXPECT_TRUE(PollFor([&] { return !target.CapsLockOn(); }));
}

TEST(Win32KeyLookup, ControlCharactersAndCharactersWithoutAKey) {
  TWin32KeyInjector keys;
  EXPECT_EQ(keys.VkKeyScan('\r'), VK_RETURN);
  EXPECT_EQ(keys.VkKeyScan('\t'), VK_TAB);
  EXPECT_EQ(keys.VkKeyScan('5'), '5');
  EXPECT_EQ(keys.VkKeyScan('A'), 0x0100 | 'A');
}

}  // namespace
