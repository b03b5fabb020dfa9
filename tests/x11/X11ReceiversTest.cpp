// Readings typed into X clients of different kinds: an xterm, a Qt and a GTK program, and a client
// with the auto-repeat rule of several toolkits, which drops a key release and a press of the
// same key that carry the same server time. Each receiver appends every line it gets to a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/Keystrokes.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11KeyInjector.h"
#include "tests/x11/XServer.h"

// Xlib last: its macros (None, Bool, Status) break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr auto kTimeout = std::chrono::seconds(10);

// A receiver and the command that starts it; "%t" stands for its window title, "%o" for its
// output file.
struct Receiver {
  const char* name;
  std::vector<std::string> command;
};

void PrintTo(const Receiver& receiver, std::ostream* out) {
  *out << receiver.name;
}

const std::vector<Receiver> kReceivers = {
    {"xterm", {"env", "LC_ALL=C.UTF-8", "xterm", "-T", "%t", "-e", "sh", "-c", "exec cat >> %o"}},
    {"RepeatFilter", {TARVOLIN_REPEAT_RECEIVER, "%t", "%o"}},
#ifdef TARVOLIN_QT_RECEIVER
    {"Qt", {TARVOLIN_QT_RECEIVER, "-platform", "xcb", "%t", "%o"}},
#endif
    {"GTK", {"env", "GDK_BACKEND=x11", "/usr/bin/python3", TARVOLIN_GTK_RECEIVER, "%t", "%o"}},
};

std::string ReceiverName(const ::testing::TestParamInfo<Receiver>& receiver) {
  return receiver.param.name;
}

class ReceiverTest : public ::testing::TestWithParam<Receiver> {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xterm", "setxkbmap");
    server_ = XServerEnvironment::Server();
    const std::string name = GetParam().name;
    if (name == "GTK" &&
        !server_->Run(
            {"/usr/bin/python3", "-c",
             "import gi; gi.require_version('Gtk', '3.0'); from gi.repository import Gtk"})) {
      GTEST_SKIP() << "GTK 3 for Python (python3-gi, gir1.2-gtk-3.0) not installed";
    }
    ASSERT_TRUE(server_->Run({"setxkbmap", "-display", server_->Display(), "us"}));
    output_ = ::testing::TempDir() + "x11_receiver_" + name + ".txt";
    std::remove(output_.c_str());
    const std::string title = "Tarvolin receiver " + name;
    std::vector<std::string> command = GetParam().command;
    for (std::string& arg : command) {
      const size_t at = arg.find('%');
      if (at != std::string::npos) arg.replace(at, 2, arg[at + 1] == 't' ? title : output_);
    }
    receiver_ = server_->Spawn(command, output_ + ".log");
    const uint64_t window = server_->WaitForWindow(title, kTimeout);
    ASSERT_NE(window, 0u) << name << " did not appear";
    ASSERT_TRUE(server_->Activate(window, kTimeout)) << name << " did not get the focus";
    display_ = std::make_unique<TX11Display>(server_->Display());
    injector_ = std::make_unique<TX11KeyInjector>(*display_);
    ASSERT_TRUE(injector_->Available());
  }

  void TearDown() override {
    if (receiver_ > 0) server_->Kill(receiver_);
  }

  // What the receiver wrote once `lines` line ends have arrived (or the time is up).
  std::string Received(size_t lines) { return ReadLinesWhenThere(output_, lines, kTimeout); }

  XServer* server_ = nullptr;
  std::unique_ptr<TX11Display> display_;
  std::unique_ptr<TX11KeyInjector> injector_;
  pid_t receiver_ = -1;
  std::string output_;
};

// Readings as a balance sends them, with the doubled characters that a receiver taking them for
// auto-repeat would lose, also around Shift.
const char* const kReadings[] = {"3.111", "11.407", "33.221", "1000.00 g NETTO", "1!1 aa AA"};

TEST_P(ReceiverTest, DoubledCharactersArriveWholeAtFullSpeed) {
  TKeystrokes keys(*injector_);
  std::string expected;
  for (const char* reading : kReadings) {
    keys.typeText(reading);
    keys.typeText("\r");
    expected += std::string(reading) + "\n";
  }
  EXPECT_EQ(Received(std::size(kReadings)), expected);
}

INSTANTIATE_TEST_SUITE_P(Receivers, ReceiverTest, ::testing::ValuesIn(kReceivers), ReceiverName);

// The auto-repeat receiver shows the fault: pressed straight after its release, with nothing to
// part their server times, a repeated key is lost.
class RepeatFilterTest : public ReceiverTest {};

TEST_P(RepeatFilterTest, LosesRepeatedKeysTypedWithoutAGap) {
  Display* dpy = display_->Handle();
  const KeyCode enter = XKeysymToKeycode(dpy, XK_Return);
  auto tap = [dpy](KeyCode code) {
    // Press and release in one write, or a slow machine lets the server repeat the key.
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XFlush(dpy);
  };
  constexpr int kLines = 60;
  std::string expected;
  for (int i = 0; i < kLines; ++i) {
    const char* reading = kReadings[i % 3];  // digits and points only: their keysyms are ASCII
    for (const char* c = reading; *c != '\0'; ++c)
      tap(XKeysymToKeycode(dpy, static_cast<KeySym>(*c)));
    tap(enter);
    expected += std::string(reading) + "\n";
  }
  const std::string received = Received(kLines);
  EXPECT_EQ(std::count(received.begin(), received.end(), '\n'), kLines);
  EXPECT_LT(received.size(), expected.size()) << "no key was taken for auto-repeat";
}

INSTANTIATE_TEST_SUITE_P(Receivers, RepeatFilterTest, ::testing::Values(kReceivers[1]),
                         ReceiverName);

}  // namespace
