// The whole capture road on a private X server: the tarvolin program reads an instrument on a
// pseudo-terminal and types its readings into an xterm while that is in front, but not while
// its own window is. The program's window state is read through its SIGUSR1 state dump.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "tests/x11/XServer.h"

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);
constexpr std::chrono::milliseconds kTimeout{15000};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xterm", "xdotool");
    server_ = XServerEnvironment::Server();
    dir_ = std::filesystem::path(::testing::TempDir()) / "tarvolin_end_to_end";
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    // Port 1, end code 10, cursor movement CR; the rest are the defaults.
    std::ofstream(dir_ / "Tarvolin.INI", std::ios::binary)
        << "[Comms]\r\nPort=1\r\n[resRecog]\r\nend=10\r\n[resModi]\r\ncursMove=1\r\n";
    dump_ = (dir_ / "state").string();
    received_ = (dir_ / "received.txt").string();

    char slave[256] = {};
    ASSERT_EQ(openpty(&master_, &slaveFd_, slave, nullptr, nullptr), 0);
    slavePath_ = slave;
    // Keeping a slave descriptor open keeps the master readable after the program closes.
    setenv("TARVOLIN_COM1", slave, 1);
    setenv("USERPROFILE", dir_.c_str(), 1);
    setenv("TARVOLIN_STATE_DUMP", dump_.c_str(), 1);
    program_ = server_->Spawn({TARVOLIN_EXE}, (dir_ / "tarvolin.log").string());
    ASSERT_GT(program_, 0);
    mainWindow_ = server_->WaitForWindow("Tarvolin", kTimeout);
    ASSERT_NE(mainWindow_, 0u) << "the main window did not appear";
  }

  void TearDown() override {
    if (program_ > 0) server_->Kill(program_);
    if (terminal_ > 0) server_->Kill(terminal_);
    if (master_ >= 0) close(master_);
    if (slaveFd_ >= 0) close(slaveFd_);
  }

  // The program's window state, read until `done` holds for it or the time is up.
  std::map<std::string, std::string> StateWhen(
      const std::function<bool(std::map<std::string, std::string>&)>& done) {
    std::map<std::string, std::string> state;
    XServer::PollUntil(
        [&] {
          std::remove(dump_.c_str());
          kill(program_, SIGUSR1);
          // The dump is written by the program's event loop, not by the handler.
          if (!XServer::PollUntil([&] { return std::filesystem::exists(dump_); },
                                  std::chrono::milliseconds(2000))) {
            return false;
          }
          state.clear();
          std::istringstream lines(ReadFile(dump_));
          for (std::string line; std::getline(lines, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) state[line.substr(0, eq)] = line.substr(eq + 1);
          }
          return done(state);
        },
        kTimeout);
    return state;
  }

  void ClickStartButton() {
    const auto state = StateWhen([](auto& s) { return s.count("buttonAt") != 0; });
    const std::string at = state.at("buttonAt");
    const std::string x = at.substr(0, at.find(',')), y = at.substr(at.find(',') + 1);
    ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
    ASSERT_TRUE(server_->Run(
        {"xdotool", "mousemove", "--window", std::to_string(mainWindow_), x, y, "click", "1"}));
  }

  void Send(const std::string& line) {
    ASSERT_EQ(write(master_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  bool CanLockDevice() const {
    const int fd = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return locked;
  }

  std::string ReceivedWhen(const std::string& expected) {
    std::string text;
    XServer::PollUntil(
        [&] {
          text = ReadFile(received_);
          return text == expected;
        },
        kTimeout);
    return text;
  }

  XServer* server_ = nullptr;
  std::filesystem::path dir_;
  std::string dump_, received_, slavePath_;
  int master_ = -1, slaveFd_ = -1;
  pid_t program_ = -1, terminal_ = -1;
  uint64_t mainWindow_ = 0;
};

TEST_F(EndToEndTest, ReadingsAreTypedIntoTheWindowInFrontOnly) {
  auto stopped = StateWhen([](auto& s) { return s["button"] == "Start"; });
  EXPECT_EQ(stopped["led"], "<inaktiv>");
  EXPECT_EQ(stopped["status"], "Stopp!");

  ClickStartButton();
  auto started = StateWhen([](auto& s) { return s["button"] == "Stop"; });
  ASSERT_EQ(started["button"], "Stop") << ReadFile((dir_ / "tarvolin.log").string());
  EXPECT_EQ(started["led"], "***Morvisk***");
  EXPECT_FALSE(CanLockDevice()) << "the open port should hold the device";

  terminal_ = server_->Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-T", "Receiver", "-e", "sh", "-c",
                              "exec cat > \"$0\"", received_});
  const uint64_t receiver = server_->WaitForWindow("Receiver", kTimeout);
  ASSERT_NE(receiver, 0u);
  ASSERT_TRUE(server_->Activate(receiver, kTimeout));
  auto target = StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  EXPECT_EQ(target["ledColor"], "65280");

  Send("+   12.345 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n"), "12.345\n");
  Send("-    1.500 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n1.500\n"), "12.345\n1.500\n");
  auto typed = StateWhen([](auto& s) { return s["filt"] == "1.500"; });
  EXPECT_EQ(typed["capt"], "-    1.500 g\\x0D\\x0A");

  // With the program's own window in front the reading is shown but not typed.
  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  StateWhen([](auto& s) { return s["led"] == "***Morvisk***"; });
  Send("+    7.000 g\r\n");
  auto held = StateWhen([](auto& s) { return s["filt"] == "7.000 (nicht gesendet)"; });
  EXPECT_EQ(held["filt"], "7.000 (nicht gesendet)");
  EXPECT_EQ(held["ledColor"], "41215");

  // Back in the receiver, the next reading follows the earlier ones directly.
  ASSERT_TRUE(server_->Activate(receiver, kTimeout));
  StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  Send("+    0.250 g\r\n");
  EXPECT_EQ(ReceivedWhen("12.345\n1.500\n0.250\n"), "12.345\n1.500\n0.250\n");

  // Stop closes the port: the device can be taken exclusively again.
  ClickStartButton();
  auto stoppedAgain = StateWhen([](auto& s) { return s["button"] == "Start"; });
  EXPECT_EQ(stoppedAgain["led"], "<inaktiv>");
  EXPECT_TRUE(CanLockDevice());
}

TEST_F(EndToEndTest, ClosingTheWindowWhileCapturingEndsTheProgramCleanly) {
  ClickStartButton();
  StateWhen([](auto& s) { return s["button"] == "Stop"; });
  Send("+    1.000 g\r\n");
  StateWhen([](auto& s) { return s["filt"] == "1.000 (nicht gesendet)"; });

  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  ASSERT_TRUE(server_->Run({"xdotool", "key", "alt+F4"}));
  int status = -1;
  const bool ended =
      XServer::PollUntil([&] { return waitpid(program_, &status, WNOHANG) == program_; }, kTimeout);
  ASSERT_TRUE(ended) << "the program did not end";
  program_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
