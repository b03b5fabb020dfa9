// The tarvolin program as a native Wayland client on a headless sway: it reads an instrument on
// a pseudo-terminal and types the readings into a foot terminal while that is in front, and
// nothing while its own window is. The program's window state is read through its SIGUSR1 state
// dump; its Start button is pressed from the keyboard. And the same program typing through the
// remote-desktop portal (the real xdg-desktop-portal with a test backend behind it).
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/Keystrokes.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "tests/wayland/PortalRig.h"
#include "tests/wayland/Sway.h"
#include "tests/x11/ProgramDriver.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kTimeout{15000};

QCoreApplication& Application() {
  static int argc = 1;
  static char name[] = "test_wayland_end_to_end";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

class WaylandEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = XServer::MissingPrograms({"sway", "foot"}); !missing.empty())
      GTEST_SKIP() << missing;
    ASSERT_TRUE(sway_.Start()) << sway_.Error();
    connection_ = std::make_unique<TWaylandConnection>(sway_.Socket());
    injector_ = std::make_unique<TWaylandKeyInjector>(*connection_, keymap_);
    keys_ = std::make_unique<TKeystrokes>(*injector_);
    // Sees the program's windows as any other program's.
    windows_ = std::make_unique<TWaylandForeground>(*connection_, "");
  }

  // Starts the program with "NAME=value" settings added to its environment and waits for its
  // window in front.
  void StartProgram(const std::vector<std::string>& settings) {
    dir_ = fs::path(sway_.WorkDir()) / "program";
    fs::create_directories(dir_);
    chmod(dir_.c_str(), 0777);
    // Port 1, end code 10, cursor movement CR.
    std::ofstream(dir_ / "Tarvolin.INI", std::ios::binary)
        << "[Comms]\r\nPort=1\r\n[resRecog]\r\nend=10\r\n[resModi]\r\ncursMove=1\r\n";
    char slave[256] = {};
    ASSERT_EQ(openpty(&master_, &slaveFd_, slave, nullptr, nullptr), 0);
    // The program runs as the compositor's user.
    chmod(slave, 0666);
    dump_ = (dir_ / "state").string();
    const std::string pidFile = (dir_ / "pid").string();
    std::vector<std::string> env{std::string("TARVOLIN_COM1=") + slave,
                                 "USERPROFILE=" + dir_.string(), "TARVOLIN_STATE_DUMP=" + dump_};
    env.insert(env.end(), settings.begin(), settings.end());
    launcher_ = sway_.Spawn({"sh", "-c", "echo $$ > \"$0\"; exec \"$@\"", pidFile, TARVOLIN_EXE},
                            env, (dir_ / "tarvolin.log").string());
    ASSERT_TRUE(XServer::PollUntil([&] { return !ReadWholeFile(pidFile).empty(); }, kTimeout));
    program_ = std::stoi(ReadWholeFile(pidFile));
    ASSERT_TRUE(InFront("Tarvolin")) << ReadWholeFile((dir_ / "tarvolin.log").string());
  }

  void TearDown() override {
    if (master_ >= 0) close(master_);
    if (slaveFd_ >= 0) close(slaveFd_);
  }

  bool InFront(const std::string& title) {
    return XServer::PollUntil(
        [&] {
          const WindowId w = windows_->Foreground();
          return w != 0 && windows_->Title(w, 79) == title;
        },
        kTimeout);
  }

  TProgramState StateWhen(const std::function<bool(TProgramState&)>& done) {
    return ProgramStateWhen(program_, dump_, done, kTimeout);
  }

  void Send(const std::string& line) {
    ASSERT_EQ(write(master_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  void PressStart() {
    // The program's loop runs, so it has taken the keyboard focus it was given.
    StateWhen([](auto& s) { return s["button"] == "Start"; });
    // A fresh virtual keyboard can lose its first key: a Shift that changes nothing goes first.
    keys_->tapKey(VK_SHIFT);
    // Focus starts in the first text field: two tabs reach the Start button.
    keys_->tapKey(VK_TAB);
    keys_->tapKey(VK_TAB);
    keys_->tapKey(VK_SPACE);
  }

  std::string Log() { return ReadWholeFile((dir_ / "tarvolin.log").string()); }

  void StartReceiver() {
    received_ = (fs::path(sway_.WorkDir()) / "received.txt").string();
    ASSERT_GT(sway_.Spawn({"foot", "-T", "Receiver", "sh", "-c", "exec cat > \"$0\"", received_},
                          {"LC_ALL=C.UTF-8"}),
              0);
    ASSERT_TRUE(InFront("Receiver"));
  }

  std::string ReceivedWhen(const std::string& expected) {
    return ReadFileWhen(
        received_, [&](const std::string& text) { return text == expected; }, kTimeout);
  }

  TSway sway_;
  TOwnKeymap keymap_;
  std::unique_ptr<TWaylandConnection> connection_;
  std::unique_ptr<TWaylandKeyInjector> injector_;
  std::unique_ptr<TKeystrokes> keys_;
  std::unique_ptr<TWaylandForeground> windows_;
  fs::path dir_;
  std::string dump_, received_;
  int master_ = -1, slaveFd_ = -1;
  pid_t launcher_ = -1, program_ = -1;
};

TEST_F(WaylandEndToEndTest, ReadingsAreTypedIntoTheWindowInFrontAndNeverIntoTheProgramsOwn) {
  ASSERT_NO_FATAL_FAILURE(StartProgram({}));
  PressStart();
  auto started = StateWhen([](auto& s) { return s["button"] == "Stop"; });
  ASSERT_EQ(started["button"], "Stop") << Log();
  EXPECT_EQ(started["led"], "***Morvisk***");

  // The program's own window in front: shown, not typed.
  Send("+    7.000 g\r\n");
  auto own = StateWhen([](auto& s) { return s["filt"] == "7.000 (nicht gesendet)"; });
  EXPECT_EQ(own["filt"], "7.000 (nicht gesendet)");
  EXPECT_EQ(own["led"], "***Morvisk***");
  EXPECT_EQ(own["ledColor"], "41215");

  ASSERT_NO_FATAL_FAILURE(StartReceiver());
  auto target = StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  EXPECT_EQ(target["ledColor"], "65280");
  Send("+   12.345 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n"), "12.345\n");

  // Back to the program: nothing more reaches the terminal.
  ASSERT_TRUE(sway_.Message({"[app_id=\"org.tarvolin.Tarvolin\"]", "focus"}));
  StateWhen([](auto& s) { return s["led"] == "***Morvisk***"; });
  Send("+    1.500 g\r\n");
  auto held = StateWhen([](auto& s) { return s["filt"] == "1.500 (nicht gesendet)"; });
  EXPECT_EQ(held["filt"], "1.500 (nicht gesendet)");
  EXPECT_EQ(held["ledColor"], "41215");
  EXPECT_EQ(ReadWholeFile(received_), "12.345\n");
}

class WaylandPortalEndToEndTest : public WaylandEndToEndTest {
 protected:
  void SetUp() override {
    if (const std::string missing = TPortalRig::Missing(); !missing.empty())
      GTEST_SKIP() << missing;
    ASSERT_NO_FATAL_FAILURE(WaylandEndToEndTest::SetUp());
    Application();
    const fs::path busDir = fs::path(sway_.WorkDir()) / "bus";
    fs::create_directories(busDir);
    ASSERT_TRUE(rig_.StartBus(busDir.string())) << rig_.Error();
    // The program runs as the compositor's user.
    chmod((busDir / "bus").c_str(), 0777);
  }

  void StartThroughThePortal(const std::string& mode) {
    ASSERT_TRUE(rig_.StartPortal(mode)) << rig_.Error();
    ASSERT_NO_FATAL_FAILURE(
        StartProgram({"TARVOLIN_DESKTOP=portal", "DBUS_SESSION_BUS_ADDRESS=" + rig_.Address()}));
  }

  TPortalRig rig_;
};

TEST_F(WaylandPortalEndToEndTest, ARefusedGrantRefusesStartWithItsCause) {
  ASSERT_NO_FATAL_FAILURE(StartThroughThePortal("refuse"));
  PressStart();
  auto refused = StateWhen([](auto& s) { return !s["box"].empty(); });
  EXPECT_NE(refused["box"].find("abgelehnt"), std::string::npos) << refused["box"] << Log();
  EXPECT_EQ(refused["button"], "Start");
  EXPECT_EQ(refused["led"], "<inaktiv>");
}

TEST_F(WaylandPortalEndToEndTest, ReadingsGoThroughThePortalUntilItVanishes) {
  ASSERT_NO_FATAL_FAILURE(StartThroughThePortal("grant"));
  PressStart();
  auto started = StateWhen([](auto& s) { return s["button"] == "Stop"; });
  ASSERT_EQ(started["button"], "Stop") << started["box"] << Log();
  EXPECT_EQ(rig_.Starts(), std::vector<std::string>{"asked"});

  ASSERT_NO_FATAL_FAILURE(StartReceiver());
  StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  Send("+   12.345 g\r\n");
  const std::vector<uint32_t> typed{'1', '2', '.', '3', '4', '5', 0xFF0D};
  EXPECT_EQ(rig_.Pressed(typed.size()), typed);

  rig_.EndFrontend();
  Send("+    1.500 g\r\n");
  auto held = StateWhen([](auto& s) { return s["filt"] == "1.500 (nicht gesendet)"; });
  EXPECT_EQ(held["filt"], "1.500 (nicht gesendet)");
  EXPECT_NE(held["status"].find("Portal"), std::string::npos) << held["status"];
  EXPECT_EQ(rig_.Pressed(typed.size()), typed) << "keys were sent after the portal ended";
}

}  // namespace
