// The foreground window, the bell and a lost connection on a real X server.
#include <gtest/gtest.h>

#include <memory>

#include "app/Keystrokes.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11ForegroundWindow.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11Sound.h"
#include "tests/x11/XServer.h"

// Xlib last: its macros (None, Bool, Status) break the headers above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr auto kTimeout = std::chrono::seconds(10);

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

void SetWindowProperty(Display* dpy, Window on, const char* name, Window value) {
  long data = static_cast<long>(value);
  XChangeProperty(dpy, on, XInternAtom(dpy, name, False), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&data), 1);
}

// A window of the test process itself, titled in UTF-8 like a Qt window.
Window CreateOwnWindow(Display* dpy, const std::string& utf8Title) {
  const Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 100, 100, 200, 100, 0, 0, 0);
  XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False),
                  XInternAtom(dpy, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8Title.data()),
                  static_cast<int>(utf8Title.size()));
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = True;
  XSetWMHints(dpy, w, &hints);
  XMapWindow(dpy, w);
  XFlush(dpy);
  return w;
}

class X11ForegroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xterm");
    server_ = XServerEnvironment::Server();
    display_ = std::make_unique<TX11Display>(server_->Display());
    foreground_ = std::make_unique<TX11ForegroundWindow>(*display_);
  }
  void TearDown() override {
    if (terminal_ > 0) server_->Kill(terminal_);
  }

  uint64_t StartTerminal(XServer& server, const std::string& title) {
    terminal_ = server.Spawn({"xterm", "-fa", "DejaVu Sans Mono", "-T", title, "-e", "cat"});
    return server.WaitForWindow(title, kTimeout);
  }

  XServer* server_ = nullptr;
  std::unique_ptr<TX11Display> display_;
  std::unique_ptr<TX11ForegroundWindow> foreground_;
  pid_t terminal_ = -1;
};

TEST_F(X11ForegroundTest, ActiveTerminalIsTheForegroundWithItsTitle) {
  const uint64_t terminal = StartTerminal(*server_, "Waage 1 - Messwerte");
  ASSERT_NE(terminal, 0u);
  ASSERT_TRUE(server_->WaitForActive(terminal, kTimeout));

  EXPECT_EQ(foreground_->Foreground(), terminal);
  EXPECT_TRUE(foreground_->IsWindow(terminal));
  EXPECT_EQ(foreground_->Title(terminal, 79), "Waage 1 - Messwerte");
  EXPECT_EQ(foreground_->Title(terminal, 7), "Waage 1");
}

TEST_F(X11ForegroundTest, OwnWindowIsRecognisedAndItsUtf8TitleConverted) {
  DisplayPtr own(XOpenDisplay(server_->Display().c_str()));
  ASSERT_TRUE(own);
  const Window window = CreateOwnWindow(own.get(),
                                        "Tarvolin \xC3\x9C"
                                        "bersicht \xE2\x82\xAC");
  ASSERT_TRUE(server_->Activate(window, kTimeout));

  EXPECT_EQ(foreground_->Foreground(), window);
  EXPECT_EQ(foreground_->Title(window, 79),
            "Tarvolin \xDC"
            "bersicht \x80");

  XDestroyWindow(own.get(), window);
  XSync(own.get(), False);
  EXPECT_FALSE(foreground_->IsWindow(window));
  EXPECT_EQ(foreground_->Title(window, 79), "");
  EXPECT_FALSE(foreground_->IsWindow(0));
}

// Without a window manager the input focus decides, and leftovers of one that has gone must not.
TEST(X11ForegroundWithoutManager, FocusWindowDecidesAndStaleManagerIsIgnored) {
  const std::string missing = XServer::MissingPrograms({"Xvfb", "xterm"});
  if (!missing.empty()) GTEST_SKIP() << missing;
  XServer server;
  ASSERT_TRUE(server.Start(false)) << server.Error();
  server.Spawn({"xterm", "-fa", "DejaVu Sans Mono", "-geometry", "40x10+0+0", "-T", "Formular",
                "-e", "cat"});
  const auto terminal = static_cast<Window>(server.WaitForWindow("Formular", kTimeout));
  ASSERT_NE(terminal, 0u);

  DisplayPtr helper(XOpenDisplay(server.Display().c_str()));
  ASSERT_TRUE(helper);
  Display* dpy = helper.get();
  const Window root = DefaultRootWindow(dpy);
  // A window manager that has exited: its check window is gone, its active window stale.
  const Window gone = XCreateSimpleWindow(dpy, root, 0, 0, 1, 1, 0, 0, 0);
  SetWindowProperty(dpy, root, "_NET_SUPPORTING_WM_CHECK", gone);
  SetWindowProperty(dpy, root, "_NET_ACTIVE_WINDOW", gone);
  XDestroyWindow(dpy, gone);
  XSync(dpy, False);
  ASSERT_TRUE(XServer::PollUntil(
      [&] {
        XWindowAttributes a{};
        if (XGetWindowAttributes(dpy, terminal, &a) == 0 || a.map_state != IsViewable) return false;
        XSetInputFocus(dpy, terminal, RevertToParent, CurrentTime);
        XSync(dpy, False);
        return true;
      },
      kTimeout));

  TX11Display display(server.Display());
  TX11ForegroundWindow foreground(display);
  EXPECT_EQ(foreground.Foreground(), terminal);
  EXPECT_EQ(foreground.Title(terminal, 79), "Formular");

  // Focus following the pointer: the window under it, or none over the bare root.
  XSetInputFocus(dpy, PointerRoot, RevertToPointerRoot, CurrentTime);
  XWarpPointer(dpy, None, root, 0, 0, 0, 0, 20, 20);
  XSync(dpy, False);
  EXPECT_EQ(foreground.Foreground(), terminal);
  XWarpPointer(dpy, None, root, 0, 0, 0, 0, 1000, 700);
  XSync(dpy, False);
  EXPECT_EQ(foreground.Foreground(), 0u);

  XSetInputFocus(dpy, None, RevertToNone, CurrentTime);
  XSync(dpy, False);
  EXPECT_EQ(foreground.Foreground(), 0u);
}

TEST(X11Bell, BeepRingsWithPitchAndDurationAndRestoresTheBell) {
  TARVOLIN_REQUIRE_X_SERVER();
  XServer* server = XServerEnvironment::Server();
  DisplayPtr listener(XOpenDisplay(server->Display().c_str()));
  ASSERT_TRUE(listener);
  Display* dpy = listener.get();
  int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  ASSERT_TRUE(XkbQueryExtension(dpy, &opcode, &eventBase, &errorBase, &major, &minor));
  XkbSelectEvents(dpy, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XKeyboardState before{};
  XGetKeyboardControl(dpy, &before);

  TX11Display display(server->Display());
  TX11Sound sound(display);
  sound.Beep(440, 100);
  sound.Beep(110, 500);

  std::vector<std::pair<int, int>> rung;
  XServer::PollUntil(
      [&] {
        while (XPending(dpy) > 0) {
          XEvent event;
          XNextEvent(dpy, &event);
          const auto* xkb = reinterpret_cast<XkbEvent*>(&event);
          if (event.type == eventBase && xkb->any.xkb_type == XkbBellNotify) {
            rung.emplace_back(xkb->bell.pitch, xkb->bell.duration);
          }
        }
        return rung.size() >= 2;
      },
      kTimeout);
  EXPECT_EQ(rung, (std::vector<std::pair<int, int>>{{440, 100}, {110, 500}}));

  XKeyboardState after{};
  XGetKeyboardControl(dpy, &after);
  EXPECT_EQ(after.bell_pitch, before.bell_pitch);
  EXPECT_EQ(after.bell_duration, before.bell_duration);
}

TEST(X11LostConnection, BackendsDegradeWhenTheServerGoesAway) {
  const std::string missing = XServer::MissingPrograms({"Xvfb"});
  if (!missing.empty()) GTEST_SKIP() << missing;
  XServer server;
  ASSERT_TRUE(server.Start(false)) << server.Error();
  TX11Display display(server.Display());
  TX11ForegroundWindow foreground(display);
  TX11KeyInjector injector(display);
  TX11Sound sound(display);
  TKeystrokes keys(injector);
  ASSERT_TRUE(display.Usable());
  ASSERT_EQ(injector.VkKeyScan('a'), 'A');

  server.Stop();

  EXPECT_EQ(foreground.Foreground(), 0u);
  EXPECT_TRUE(display.Lost());
  EXPECT_FALSE(injector.Available());
  EXPECT_EQ(injector.VkKeyScan('a'), 0xFFFF);
  EXPECT_FALSE(injector.CapsLockOn());
  EXPECT_EQ(injector.Readiness(), TX11KeyInjector::TReadiness::ConnectionLost);
  keys.typeText("12.5\r");
  keys.tapKey(VK_DOWN);
  sound.Beep(440, 100);
  sound.MessageBeep();
  EXPECT_FALSE(foreground.IsWindow(1));
  EXPECT_EQ(foreground.Title(1, 79), "");
}

TEST(X11Display, UnreachableDisplayIsReportedNotFatal) {
  TX11Display display(":9999");
  EXPECT_FALSE(display.Usable());
  TX11ForegroundWindow foreground(display);
  TX11KeyInjector injector(display);
  EXPECT_EQ(foreground.Foreground(), 0u);
  EXPECT_EQ(injector.Readiness(), TX11KeyInjector::TReadiness::NoDisplay);
  EXPECT_EQ(display.Name(), ":9999");
  EXPECT_EQ(injector.VkKeyScan('1'), 0xFFFF);
}

TEST(X11KeyInjector, AServerWithoutXTestIsReportedAsSuch) {
  const std::string missing = XServer::MissingPrograms({"Xvfb"});
  if (!missing.empty()) GTEST_SKIP() << missing;
  XServer server;
  ASSERT_TRUE(server.Start(false, {"-extension", "XTEST"})) << server.Error();
  TX11Display display(server.Display());
  TX11KeyInjector injector(display);
  EXPECT_TRUE(display.Usable());
  EXPECT_EQ(injector.Readiness(), TX11KeyInjector::TReadiness::NoXTest);
}

}  // namespace
