// Keystrokes typed through the program's own virtual keyboard into native Wayland clients on a
// headless sway: a foot terminal whose `cat` writes what it receives to a file, and a GTK entry.
// And the window in front as the compositor's toplevel list tells it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/Keystrokes.h"
#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "platform/wayland/DeliveringForeground.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "tests/wayland/Sway.h"

namespace {

constexpr auto kTimeout = std::chrono::seconds(15);

class WaylandTypingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = XServer::MissingPrograms({"sway", "foot"}); !missing.empty())
      GTEST_SKIP() << missing;
    ASSERT_TRUE(sway_.Start()) << sway_.Error();
    connection_ = std::make_unique<TWaylandConnection>(sway_.Socket());
    ASSERT_TRUE(connection_->Connected());
    injector_ = std::make_unique<TWaylandKeyInjector>(*connection_, keymap_);
    ASSERT_EQ(injector_->Readiness(), TWaylandKeyInjector::TReadiness::Ready);
    keys_ = std::make_unique<TKeystrokes>(*injector_);
    foreground_ = std::make_unique<TWaylandForeground>(*connection_, "org.tarvolin.Tarvolin");
  }

  // Starts a receiver and waits until the compositor shows it in front with its title.
  void StartReceiver(const std::vector<std::string>& argv, const std::string& title,
                     const std::vector<std::string>& settings = {}) {
    receiver_ = sway_.Spawn(argv, settings, sway_.WorkDir() + "/receiver.log");
    ASSERT_GT(receiver_, 0);
    ASSERT_TRUE(InFront(title)) << "the receiver did not come to the front: "
                                << ReadWholeFile(sway_.WorkDir() + "/receiver.log");
  }

  void StartTerminal() {
    output_ = sway_.WorkDir() + "/foot.txt";
    StartReceiver({"foot", "-T", "Receiver foot", "sh", "-c", "exec cat > \"$0\"", output_},
                  "Receiver foot", {"LC_ALL=C.UTF-8"});
  }

  bool InFront(const std::string& title) {
    return XServer::PollUntil(
        [&] {
          const WindowId w = foreground_->Foreground();
          return w != 0 && foreground_->Title(w, 79) == title;
        },
        kTimeout);
  }

  // The receiver's file once it is `expected` (or the time is up), in CP1252.
  std::string ReceivedWhen(const std::string& expected) {
    return Utf8ToCp1252(ReadFileWhen(
        output_,
        [&](const std::string& text) { return Utf8ToCp1252(text).size() >= expected.size(); },
        kTimeout));
  }

  TSway sway_;
  TOwnKeymap keymap_;
  std::unique_ptr<TWaylandConnection> connection_;
  std::unique_ptr<TWaylandKeyInjector> injector_;
  std::unique_ptr<TKeystrokes> keys_;
  std::unique_ptr<TWaylandForeground> foreground_;
  pid_t receiver_ = -1;
  std::string output_;
};

// Each reading with a cursor movement after it, as the capture path sends them.
TEST_F(WaylandTypingTest, ReadingsArriveExactWithTheirCursorMovesInATerminal) {
  StartTerminal();
  struct TRow {
    const char* reading;
    const char* moveText;  // typed after the reading, or null for the key
    uint8_t moveKey;
    const char* expected;
  };
  const TRow rows[] = {
      {"3.111", "\r", 0, "3.111\n"},
      {"11.407", "\t", 0, "11.407\t"},
      {"33.221", nullptr, VK_DOWN, "33.221\x1b[B"},
      {"1000.00 g NETTO", "\r\n", 0, "1000.00 g NETTO\n\n"},
      {"AbC x", nullptr, VK_RIGHT, "AbC x\x1b[C"},
      {"12,345", "\n", 0, "12,345\n"},
  };
  std::string expected;
  for (const TRow& r : rows) {
    keys_->typeText(r.reading);
    if (r.moveText != nullptr)
      keys_->typeText(r.moveText);
    else
      keys_->tapKey(r.moveKey);
    expected += r.expected;
  }
  // The terminal hands a line to cat at its end.
  keys_->typeText("\r");
  expected += "\n";
  EXPECT_EQ(ReceivedWhen(expected), expected);
}

TEST_F(WaylandTypingTest, EveryCharacterOfTheCodePageReachesAGtkEntry) {
  output_ = sway_.WorkDir() + "/gtk.txt";
  StartReceiver({"/usr/bin/python3", TARVOLIN_GTK_RECEIVER, "Receiver GTK", output_},
                "Receiver GTK", {"GDK_BACKEND=wayland", "NO_AT_BRIDGE=1", "LC_ALL=C.UTF-8"});
  // Whatever the user's layout, the program's own keymap has all of them.
  const std::string readings[] = {"12,345", "1000.00 g NETTO", "AbC x",
                                  "\xB5g \xB1 0,1 \xB0"
                                  "C",
                                  "\xC4\xD6\xDC\xDF \xE4\xF6\xFC \x80 \xA7 \x96 \x84\x93"};
  std::string expected;
  for (const std::string& r : readings) {
    keys_->typeText(r);
    keys_->typeText("\r");
    expected += r + "\n";
  }
  EXPECT_EQ(ReceivedWhen(expected), expected);
}

TEST_F(WaylandTypingTest, AThousandReadingsInOneBurstArriveInOrderAtSpeed) {
  StartTerminal();
  std::string expected;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) {
    const std::string reading = Format("%04d.%03d g", i, (i * 37) % 1000);
    keys_->typeText(reading);
    keys_->typeText("\r");
    expected += reading + "\n";
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string received = ReceivedWhen(expected);
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected) << "the burst arrived changed";
  EXPECT_TRUE(sway_.Running(receiver_)) << "the compositor dropped the receiver";
  const double rate = static_cast<double>(expected.size()) / seconds;
  RecordProperty("CharactersPerSecond", static_cast<int>(rate));
  std::printf("typing rate: %.0f characters per second\n", rate);
  EXPECT_GE(rate, 2000.0);
}

TEST_F(WaylandTypingTest, TheWindowInFrontIsNamedUnlessItIsTheProgramsOwn) {
  StartTerminal();
  const WindowId terminal = foreground_->Foreground();
  EXPECT_TRUE(foreground_->IsWindow(terminal));
  EXPECT_EQ(foreground_->Title(terminal, 8), "Receiver");
  // foot's windows carry the application id "foot".
  TWaylandConnection other(sway_.Socket());
  TWaylandForeground asIfOwn(other, "foot");
  EXPECT_EQ(asIfOwn.Foreground(), 0u);
  // Closed, it is no window any more.
  sway_.Kill(receiver_);
  EXPECT_TRUE(XServer::PollUntil([&] { return foreground_->Foreground() == 0; }, kTimeout));
  EXPECT_FALSE(foreground_->IsWindow(terminal));
}

TEST_F(WaylandTypingTest, CapsLockOfTheOwnKeyboardIsFramedAway) {
  StartTerminal();
  keys_->tapKey(VK_CAPITAL);
  ASSERT_TRUE(injector_->CapsLockOn());
  keys_->typeText("AbC x\r");
  EXPECT_EQ(ReceivedWhen("AbC x\n"), "AbC x\n");
  EXPECT_TRUE(injector_->CapsLockOn());
}

// The compositor ending mid-capture: said once, no window in front from then on, no keys.
TEST_F(WaylandTypingTest, ACompositorThatEndsIsSaidOnceAndLeavesNoWindowInFront) {
  StartTerminal();
  TDeliveringForeground front(*foreground_, [&] {
    return connection_->Lost() ? std::string("compositor gone") : std::string();
  });
  std::vector<std::string> notices;
  front.SetNotice([&](const std::string& s) { notices.push_back(s); });
  EXPECT_NE(front.Foreground(), 0u);
  sway_.Stop();
  for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(front.Foreground(), 0u);
  EXPECT_EQ(notices, std::vector<std::string>{"compositor gone"});
  EXPECT_EQ(injector_->Readiness(), TWaylandKeyInjector::TReadiness::ConnectionLost);
  keys_->typeText("1\r");  // goes nowhere, and does not fail
}

}  // namespace
