// The tarvolin program as a native Wayland client on a headless sway: it reads an instrument on
// a pseudo-terminal and types the readings into a foot terminal while that is in front, and
// nothing while its own window is. The program's window state is read through its SIGUSR1 state
// dump; its Start button is pressed from the keyboard.
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/Keystrokes.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "tests/wayland/Sway.h"
#include "tests/x11/ProgramDriver.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kTimeout{15000};

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
    launcher_ = sway_.Spawn({"sh", "-c", "echo $$ > \"$0\"; exec \"$@\"", pidFile, TARVOLIN_EXE},
                            {std::string("TARVOLIN_COM1=") + slave, "USERPROFILE=" + dir_.string(),
                             "TARVOLIN_STATE_DUMP=" + dump_},
                            (dir_ / "tarvolin.log").string());
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

  std::string ReceivedWhen(const std::string& expected) {
    std::string text;
    XServer::PollUntil(
        [&] {
          text = ReadWholeFile(received_);
          return text == expected;
        },
        kTimeout);
    return text;
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
  // Focus starts in the first text field: two tabs reach the Start button.
  keys_->tapKey(VK_TAB);
  keys_->tapKey(VK_TAB);
  keys_->tapKey(VK_SPACE);
  auto started = StateWhen([](auto& s) { return s["button"] == "Stop"; });
  ASSERT_EQ(started["button"], "Stop") << ReadWholeFile((dir_ / "tarvolin.log").string());
  EXPECT_EQ(started["led"], "***Morvisk***");

  // The program's own window in front: shown, not typed.
  Send("+    7.000 g\r\n");
  auto own = StateWhen([](auto& s) { return s["filt"] == "7.000 (nicht gesendet)"; });
  EXPECT_EQ(own["filt"], "7.000 (nicht gesendet)");
  EXPECT_EQ(own["led"], "***Morvisk***");
  EXPECT_EQ(own["ledColor"], "41215");

  received_ = (fs::path(sway_.WorkDir()) / "received.txt").string();
  ASSERT_GT(sway_.Spawn({"foot", "-T", "Receiver", "sh", "-c", "exec cat > \"$0\"", received_},
                        {"LC_ALL=C.UTF-8"}),
            0);
  ASSERT_TRUE(InFront("Receiver"));
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

}  // namespace
