#include <gtest/gtest.h>

#include <vector>

#include "app/Keystrokes.h"
#include "platform/fake/FakeKeyInjector.h"

namespace {

using Event = FakeKeyInjector::Event;

Event Down(uint8_t vk) {
  return {vk, false};
}
Event Up(uint8_t vk) {
  return {vk, true};
}

class KeystrokesTest : public ::testing::Test {
 protected:
  FakeKeyInjector keyboard_{FakeKeyInjector::GermanLayout()};
  TKeystrokes keys_{keyboard_};
};

TEST_F(KeystrokesTest, SingleKeyOperationsSendExactlyTheirEvents) {
  keys_.keyDown(VK_SHIFT);
  keys_.keyUp(VK_SHIFT);
  keyboard_.SetCapsLock(true);  // tapKey leaves Caps Lock alone
  keys_.tapKey(VK_DOWN);
  keys_.tapKey(VK_LEFT);
  EXPECT_EQ(keyboard_.Events(), (std::vector<Event>{Down(VK_SHIFT), Up(VK_SHIFT), Down(VK_DOWN),
                                                    Up(VK_DOWN), Down(VK_LEFT), Up(VK_LEFT)}));
  EXPECT_TRUE(keyboard_.CapsLockOn());
}

TEST_F(KeystrokesTest, PlainCharactersAreTappedInOrder) {
  keys_.typeText("12,5");
  EXPECT_EQ(keyboard_.Events(), (std::vector<Event>{Down('1'), Up('1'), Down('2'), Up('2'),
                                                    Down(0xBC), Up(0xBC), Down('5'), Up('5')}));
}

TEST_F(KeystrokesTest, CapsLockIsSwitchedOffAroundTheTextAndBackOn) {
  keyboard_.SetCapsLock(true);
  keys_.typeText("aB");
  EXPECT_EQ(
      keyboard_.Events(),
      (std::vector<Event>{Down(VK_CAPITAL), Up(VK_CAPITAL), Down('A'), Up('A'), Down(VK_SHIFT),
                          Down('B'), Up('B'), Up(VK_SHIFT), Down(VK_CAPITAL), Up(VK_CAPITAL)}));
  EXPECT_EQ(keyboard_.Typed(), "aB");
  EXPECT_TRUE(keyboard_.CapsLockOn());

  // Each text frames itself: a result and its line end toggle Caps Lock twice each.
  keyboard_.ClearEvents();
  keys_.typeText("x");
  keys_.typeText("\r");
  int capsPresses = 0;
  for (const Event& e : keyboard_.Events()) capsPresses += e == Down(VK_CAPITAL) ? 1 : 0;
  EXPECT_EQ(capsPresses, 4);
  EXPECT_EQ(keyboard_.Typed(), "aBx\r");
}

TEST_F(KeystrokesTest, EmptyTextSendsOnlyTheCapsLockFrame) {
  keys_.typeText("");
  EXPECT_TRUE(keyboard_.Events().empty());
  keyboard_.SetCapsLock(true);
  keys_.typeText("");
  EXPECT_EQ(keyboard_.Events(), (std::vector<Event>{Down(VK_CAPITAL), Up(VK_CAPITAL),
                                                    Down(VK_CAPITAL), Up(VK_CAPITAL)}));
  EXPECT_TRUE(keyboard_.CapsLockOn());
}

TEST_F(KeystrokesTest, ShiftedCharactersHoldShiftAroundTheirKeyOnly) {
  keys_.typeText("A*b");
  EXPECT_EQ(keyboard_.Events(),
            (std::vector<Event>{Down(VK_SHIFT), Down('A'), Up('A'), Up(VK_SHIFT), Down(VK_SHIFT),
                                Down(0xBB), Up(0xBB), Up(VK_SHIFT), Down('B'), Up('B')}));
  EXPECT_EQ(keyboard_.Typed(), "A*b");
}

TEST_F(KeystrokesTest, AltGrCharactersArriveWithAltGrHeld) {
  keys_.typeText("a@\\\x80");
  EXPECT_EQ(keyboard_.Typed(), "a@\\\x80");
  EXPECT_FALSE(keyboard_.AnyKeyHeld());
  const std::vector<Event> at(keyboard_.Events().begin() + 2, keyboard_.Events().begin() + 6);
  EXPECT_EQ(at, (std::vector<Event>{Down(VK_RMENU), Down('Q'), Up('Q'), Up(VK_RMENU)}));
}

TEST_F(KeystrokesTest, ShiftAndAltGrTogetherWhereTheLayoutNeedsBoth) {
  keyboard_.SetKey(0xA6, 0x07E2);  // broken bar: Shift+AltGr on the <> key
  keys_.typeText("\xA6");
  EXPECT_EQ(keyboard_.Events(), (std::vector<Event>{Down(VK_SHIFT), Down(VK_RMENU), Down(0xE2),
                                                    Up(0xE2), Up(VK_RMENU), Up(VK_SHIFT)}));
  EXPECT_EQ(keyboard_.Typed(), "\xA6");
}

TEST_F(KeystrokesTest, LoneCtrlOrAltBitIsNotPressed) {
  keyboard_.SetKey('~', 0x04DE);  // a character the lookup reports with Alt alone
  keys_.typeText("\n\r\t~");
  EXPECT_EQ(keyboard_.Events(),
            (std::vector<Event>{Down(VK_RETURN), Up(VK_RETURN), Down(VK_RETURN), Up(VK_RETURN),
                                Down(VK_TAB), Up(VK_TAB), Down(0xDE), Up(0xDE)}));
}

TEST_F(KeystrokesTest, CharactersWithoutAKeyAreSkipped) {
  keyboard_.SetKey('%', 0x00FF);  // either byte 0xFF means no key
  keyboard_.SetKey('&', 0xFF41);
  keys_.typeText(
      "1\x01%&\xA4"
      "2");  // 0x01 and the currency sign have no key at all
  EXPECT_EQ(keyboard_.Events(), (std::vector<Event>{Down('1'), Up('1'), Down('2'), Up('2')}));
}

TEST(KeystrokePause, FollowsEveryKeyTappedAndIsBounded) {
  FakeKeyInjector keyboard;
  std::vector<std::pair<size_t, unsigned>> pauses;  // events sent before each pause, its length
  TKeystrokes keys(keyboard,
                   [&](unsigned ms) { pauses.emplace_back(keyboard.Events().size(), ms); });
  keys.typeText("A1");
  keys.tapKey(VK_DOWN);
  EXPECT_TRUE(pauses.empty()) << "full speed by default";

  keys.SetPause(15);
  keyboard.ClearEvents();
  keys.typeText("A1");
  keys.tapKey(VK_DOWN);
  // Shift down, A down, A up | Shift up, 1 down, 1 up | Down down, Down up |
  EXPECT_EQ(pauses, (std::vector<std::pair<size_t, unsigned>>{{3, 15}, {6, 15}, {8, 15}}));

  keys.SetPause(-5);
  EXPECT_EQ(keys.Pause(), 0u);
  keys.SetPause(60000);
  EXPECT_EQ(keys.Pause(), TKeystrokes::kMaxPauseMs);
}

}  // namespace
