// Keystrokes typed through XTest into a real X client: an xterm whose `cat` writes what it
// receives to a file.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "app/Keystrokes.h"
#include "base/Cp1252.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11KeyInjector.h"
#include "tests/x11/XServer.h"

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);

constexpr auto kTimeout = std::chrono::seconds(10);

class X11TypingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xterm", "setxkbmap");
    server_ = XServerEnvironment::Server();
    ASSERT_TRUE(server_->Run({"setxkbmap", "-display", server_->Display(), "us"}));
    display_ = std::make_unique<TX11Display>(server_->Display());
    injector_ = std::make_unique<TX11KeyInjector>(*display_);
    keys_ = std::make_unique<TKeystrokes>(*injector_);
    ASSERT_TRUE(injector_->Available());
    if (injector_->CapsLockOn()) keys_->tapKey(VK_CAPITAL);
    StartTerminal();
  }

  void TearDown() override {
    if (server_ == nullptr) return;
    if (injector_ && injector_->CapsLockOn()) keys_->tapKey(VK_CAPITAL);
    if (terminal_ > 0) server_->Kill(terminal_);
  }

  void StartTerminal() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    output_ = ::testing::TempDir() + "x11_" + name + ".txt";
    std::remove(output_.c_str());
    const std::string title = "Tarvolin target " + name;
    terminal_ = server_->Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-fa", "DejaVu Sans Mono", "-fs",
                                "10", "-T", title, "-e", "sh", "-c", "exec cat > \"$0\"", output_});
    window_ = server_->WaitForWindow(title, kTimeout);
    ASSERT_NE(window_, 0u) << "xterm did not appear";
    ASSERT_TRUE(server_->WaitForActive(window_, kTimeout)) << "xterm did not get the focus";
  }

  // What the receiver wrote once `lines` line ends have arrived (or the time is up).
  std::string Received(size_t lines) { return ReadLinesWhenThere(output_, lines, kTimeout); }

  XServer* server_ = nullptr;
  std::unique_ptr<TX11Display> display_;
  std::unique_ptr<TX11KeyInjector> injector_;
  std::unique_ptr<TKeystrokes> keys_;
  pid_t terminal_ = -1;
  uint64_t window_ = 0;
  std::string output_;
};

TEST_F(X11TypingTest, NumberAndCarriageReturnArriveAsALine) {
  keys_->typeText("12.345");
  keys_->typeText("\r");
  EXPECT_EQ(Received(1), "12.345\n");
}

// The program can lose the processor between a key's press and its release. Had the server seen
// the press alone, it would take the key for held down and repeat it into the target.
TEST_F(X11TypingTest, AKeyIsNotRepeatedWhenTheProgramStallsBetweenPressAndRelease) {
  const auto seven = static_cast<uint8_t>(injector_->VkKeyScan('7') & 0xFF);
  injector_->KeyEvent(seven, false);
  // Longer than the server's auto-repeat delay (660 ms by default).
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  injector_->KeyEvent(seven, true);
  keys_->typeText("\r");
  EXPECT_EQ(Received(1), "7\n");
}

TEST_F(X11TypingTest, ControlCharactersAndNavigationKeysArriveAsTheirKeys) {
  keys_->typeText("13\b4\t2");  // the terminal's line editing takes the Backspace
  keys_->tapKey(VK_DOWN);
  keys_->typeText("\n");  // Return without Ctrl
  EXPECT_EQ(Received(1), "14\t2\x1B[B\n");
}

TEST_F(X11TypingTest, CaseCommaAndPlusSurviveCapsLock) {
  keys_->tapKey(VK_CAPITAL);
  ASSERT_TRUE(injector_->CapsLockOn());
  keys_->typeText("Tara, NETTO +12.5 g Xyz\r");
  EXPECT_EQ(Received(1), "Tara, NETTO +12.5 g Xyz\n");
  EXPECT_TRUE(injector_->CapsLockOn());
}

TEST_F(X11TypingTest, GermanLayoutMovesKeysAndTheLookupFollows) {
  // On the US layout the plus sign needs Shift; on the German one it has a key of its own.
  EXPECT_EQ(injector_->VkKeyScan('+') >> 8, TKeystrokes::kShiftBit);
  ASSERT_TRUE(server_->Run({"setxkbmap", "-display", server_->Display(), "de"}));
  EXPECT_EQ(injector_->VkKeyScan('+') >> 8, 0);
  EXPECT_EQ(injector_->VkKeyScan('Z') & 0xFF, 'Z');

  keys_->tapKey(VK_CAPITAL);
  keys_->typeText("Tara, NETTO +12.5 g Xyz; zY \xE4\xF6\xFC\xDF\r");
  EXPECT_EQ(Received(1), Cp1252ToUtf8("Tara, NETTO +12.5 g Xyz; zY \xE4\xF6\xFC\xDF\n"));
  EXPECT_TRUE(injector_->CapsLockOn());
}

TEST_F(X11TypingTest, AltGrCharactersArriveUnderGermanLayout) {
  ASSERT_TRUE(server_->Run({"setxkbmap", "-display", server_->Display(), "de"}));
  EXPECT_EQ(injector_->VkKeyScan('@') >> 8, TKeystrokes::kCtrlBit | TKeystrokes::kAltBit);
  keys_->typeText("a@b\\c{x}|\x80\r");
  EXPECT_EQ(Received(1), Cp1252ToUtf8("a@b\\c{x}|\x80\n"));
}

TEST_F(X11TypingTest, LookupFollowsWindowsConventions) {
  EXPECT_EQ(injector_->VkKeyScan('\b'), VK_BACK);
  EXPECT_EQ(injector_->VkKeyScan('\t'), VK_TAB);
  EXPECT_EQ(injector_->VkKeyScan('\r'), VK_RETURN);
  EXPECT_EQ(injector_->VkKeyScan('\n'), 0x0200 | VK_RETURN);
  EXPECT_EQ(injector_->VkKeyScan('\x1B'), VK_ESCAPE);
  EXPECT_EQ(injector_->VkKeyScan('\x03'), 0x0200 | 'C');
  EXPECT_EQ(injector_->VkKeyScan('7'), '7');
  EXPECT_EQ(injector_->VkKeyScan('q'), 'Q');
  EXPECT_EQ(injector_->VkKeyScan('Q'), 0x0100 | 'Q');
  EXPECT_EQ(injector_->VkKeyScan(' '), VK_SPACE);
  EXPECT_EQ(injector_->VkKeyScan(','), 0xBC);
  EXPECT_EQ(injector_->VkKeyScan('\x80'), 0xFFFF);  // no euro sign on the US layout
  EXPECT_EQ(injector_->VkKeyScan('\0'), 0xFFFF);
}

}  // namespace
