// Keystrokes, the foreground window and the key lookup of the Win32 backend under Wine, typing
// into a Win32 edit control of another process (tests/win32/EditTarget.cpp). Needs an X display
// for Wine's windows; the test command provides one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "app/Keystrokes.h"
#include "base/Exception.h"
#include "base/SysUtils.h"
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

TEST(Win32KeyLookup, TheUsersDesktopTakesKeys) {
  TWin32KeyInjector keys;
  EXPECT_EQ(keys.Blocked(), "");
}

TEST(Win32KeyLookup, ControlCharactersAndCharactersWithoutAKey) {
  TWin32KeyInjector keys;
  EXPECT_EQ(keys.VkKeyScan('\r'), VK_RETURN);
  EXPECT_EQ(keys.VkKeyScan('\t'), VK_TAB);
  EXPECT_EQ(keys.VkKeyScan('5'), '5');
  EXPECT_EQ(keys.VkKeyScan('A'), 0x0100 | 'A');
}

// A German program in front of a program with another layout: only the target thread's layout
// knows the keys, and only its key state has Caps Lock on.
class ScriptedKeyboard : public IWin32Keyboard {
 public:
  static constexpr uint32_t kTarget = 42;
  static constexpr uintptr_t kGerman = 0x04070407;

  uint32_t foreground = kTarget;
  bool capsLock = false;
  unsigned accepted = ~0u;  // events the system takes per call
  std::string desktop = "Default";
  TElevation target = TElevation::Limited, own = TElevation::Limited;
  std::vector<std::vector<TWin32KeyInput>> calls;

  uint32_t ForegroundThread() override { return foreground; }
  uintptr_t Layout(uint32_t thread) override { return thread == kTarget ? kGerman : 0x04090409; }
  int16_t KeyOf(char16_t ch, uintptr_t layout) override {
    static const std::map<char16_t, int16_t> german = {
        {u'1', '1'},         {u'2', '2'},  {u'3', '3'},       {u'4', '4'},
        {u'5', '5'},         {u',', 0xBC}, {u'.', 0xBE},      {u'y', 'Z'},
        {u'Z', 0x100 | 'Y'}, {u'^', 0xDC}, {u'\u00B4', 0xDD}, {u'`', 0x1DD},
    };
    const auto key = german.find(ch);
    return layout == kGerman && key != german.end() ? key->second : -1;
  }
  bool DeadKey(uint8_t vk, uintptr_t layout) override {
    return layout == kGerman && (vk == 0xDC || vk == 0xDD);
  }
  bool CapsLockOn(uint32_t thread) override { return thread == kTarget && capsLock; }
  unsigned Send(const TWin32KeyInput* events, unsigned count) override {
    calls.emplace_back(events, events + count);
    return std::min(count, accepted);
  }
  std::string InputDesktop() override { return desktop; }
  TElevation ForegroundElevation() override { return target; }
  TElevation OwnElevation() override { return own; }

  // The keys as "vk+" and "vk-", one Send call per group in brackets.
  std::string Typed() const {
    std::string text;
    for (const auto& call : calls) {
      text += "[";
      for (const TWin32KeyInput& e : call)
        text += Format("%02X%c", e.virtualKey, e.keyUp ? '-' : '+');
      text += "]";
    }
    return text;
  }
};

TEST(Win32KeysForTheTarget, GermanLayoutAndCapsLockOfTheThreadInFront) {
  ScriptedKeyboard keyboard;
  keyboard.capsLock = true;
  TWin32KeyInjector keys{keyboard};
  TKeystrokes{keys}.typeText("12,3yZ");
  EXPECT_EQ(keyboard.Typed(),
            "[14+][14-][31+][31-][32+][32-][BC+][BC-][33+][33-][5A+][5A-]"
            "[10+][59+][59-][10-][14+][14-]");
}

TEST(Win32KeysForTheTarget, DeadKeysAreClosedWithASpaceInTheSameCall) {
  ScriptedKeyboard keyboard;
  TWin32KeyInjector keys{keyboard};
  TKeystrokes{keys}.typeText("^1\xB4`");
  EXPECT_EQ(keyboard.Typed(),
            "[DC+][DC-20+20-][31+][31-][DD+][DD-20+20-][10+][DD+][DD-20+20-][10-]");
}

TEST(Win32KeysForTheTarget, KeysTheSystemRefusesAreReportedUntilAnotherWindowIsInFront) {
  ScriptedKeyboard keyboard;
  TWin32KeyInjector keys{keyboard};
  EXPECT_EQ(keys.Blocked(), "");
  keyboard.accepted = 0;
  EXPECT_THROW(TKeystrokes{keys}.typeText("1"), Exception);
  EXPECT_NE(keys.Blocked().find("0 von 1"), std::string::npos) << keys.Blocked();
  keyboard.accepted = ~0u;
  EXPECT_NE(keys.Blocked(), "") << "the same window in front";
  keyboard.foreground = 43;
  EXPECT_EQ(keys.Blocked(), "");
  keyboard.foreground = ScriptedKeyboard::kTarget;
  EXPECT_EQ(keys.Blocked(), "") << "said for the window it happened in";
}

TEST(Win32KeysForTheTarget, DesktopsAndTargetsThatSwallowKeys) {
  using E = IWin32Keyboard::TElevation;
  struct Case {
    const char* desktop;
    E target, own;
    const char* start;  // of the reason, empty when keys can arrive
  };
  const Case cases[] = {
      {"Default", E::Limited, E::Limited, ""},
      {"Winlogon", E::Limited, E::Limited, "Die Arbeitsstation ist gesperrt"},
      {"", E::Limited, E::Limited, "Die Arbeitsstation ist gesperrt"},
      {"Default", E::Elevated, E::Limited, "Das Programm im Vordergrund"},
      {"Default", E::Elevated, E::Unknown, "Das Programm im Vordergrund"},
      {"Default", E::Elevated, E::Elevated, ""},
      {"Default", E::Unknown, E::Limited, ""},
  };
  for (const Case& c : cases) {
    ScriptedKeyboard keyboard;
    keyboard.desktop = c.desktop;
    keyboard.target = c.target;
    keyboard.own = c.own;
    TWin32KeyInjector keys{keyboard};
    const std::string why = keys.Blocked();
    EXPECT_EQ(why.substr(0, std::string(c.start).size()), c.start) << c.desktop << ": " << why;
    EXPECT_EQ(why.empty(), *c.start == '\0') << c.desktop << ": " << why;
  }
}

}  // namespace
