// The audit trail of the tarvolin program, end to end on a private X server: readings from an
// instrument on a pseudo-terminal, typed into an xterm or held back, recorded with their outcome
// and verified by tarvolin-audit; a kill in the middle of a stream; an audit directory that
// cannot be written.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/AuditTrailCheck.h"
#include "tests/x11/ProgramDriver.h"
#include "tests/x11/XServer.h"

namespace fs = std::filesystem;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);
constexpr std::chrono::milliseconds kTimeout{20000};

class AuditEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TARVOLIN_REQUIRE_X_SERVER("xterm", "xdotool");
    server_ = XServerEnvironment::Server();
    dir_ = fs::path(::testing::TempDir()) / ("tarvolin_audit_e2e_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    char slave[256] = {};
    ASSERT_EQ(openpty(&master_, &slaveFd_, slave, nullptr, nullptr), 0);
    setenv("TARVOLIN_COM1", slave, 1);
    setenv("USERPROFILE", dir_.c_str(), 1);
    setenv("TARVOLIN_STATE_DUMP", (dir_ / "state").c_str(), 1);
    setenv("HOME", dir_.c_str(), 1);
  }

  void TearDown() override {
    stopWriter_ = true;
    if (writer_.joinable()) writer_.join();
    if (program_ > 0) server_->Kill(program_);
    if (terminal_ > 0) server_->Kill(terminal_);
    if (master_ >= 0) close(master_);
    if (slaveFd_ >= 0) close(slaveFd_);
    std::error_code ignored;
    if (!HasFailure()) fs::remove_all(dir_, ignored);
  }

  // Port 1, end code 10, cursor movement CR, readings must hold "S" (stable); the trail on in
  // `auditDir`.
  void StartProgram(const std::string& auditDir) {
    std::ofstream(dir_ / "Tarvolin.INI", std::ios::binary)
        << "[Comms]\r\nPort=1\r\n[resRecog]\r\nend=10\r\ncheckChars=S\r\n[resModi]\r\n"
           "cursMove=1\r\n[Audit]\r\nAuditing=1\r\nAuditDir="
        << auditDir << "\r\n";
    program_ = server_->Spawn({TARVOLIN_EXE}, (dir_ / "tarvolin.log").string());
    ASSERT_GT(program_, 0);
    mainWindow_ = server_->WaitForWindow("Tarvolin", kTimeout);
    ASSERT_NE(mainWindow_, 0u) << ReadWholeFile((dir_ / "tarvolin.log").string());
  }

  TProgramState StateWhen(const std::function<bool(TProgramState&)>& done) {
    return ProgramStateWhen(program_, (dir_ / "state").string(), done, kTimeout);
  }

  void ClickStartButton() {
    const auto state = StateWhen([](auto& s) { return s.count("buttonAt") != 0; });
    const std::string at = state.at("buttonAt");
    ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
    const std::string window = std::to_string(mainWindow_);
    ASSERT_TRUE(
        server_->Run({"xdotool", "mousemove", "--window", window, at.substr(0, at.find(',')),
                      at.substr(at.find(',') + 1), "click", "--window", window, "1"}));
  }

  // The receiver in front; while capturing, the indicator names it.
  uint64_t StartReceiver(bool capturing = true) {
    terminal_ = server_->Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-T", "Receiver", "-e", "sh",
                                "-c", "exec cat > \"$0\"", Received()});
    const uint64_t receiver = server_->WaitForWindow("Receiver", kTimeout);
    EXPECT_NE(receiver, 0u);
    EXPECT_TRUE(server_->Activate(receiver, kTimeout));
    if (capturing) StateWhen([](auto& s) { return s["led"] == "Receiver"; });
    return receiver;
  }

  std::string Received() const { return (dir_ / "received.txt").string(); }

  void Send(const std::string& line) {
    ASSERT_EQ(write(master_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  // The month's file: the only one in the directory.
  std::string TrailFile(const fs::path& dir) const {
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().filename().string().starts_with("Tarvolin-Audit-")) return e.path().string();
    return std::string();
  }

  std::vector<nlohmann::json> Records(const std::string& file) const {
    std::vector<nlohmann::json> records;
    const std::string text = ReadWholeFile(file);
    for (std::string_view line : AuditLines(text))
      if (const TAuditLine l = ParseAuditLine(line); l.sealed) records.push_back(l.content);
    return records;
  }

  XServer* server_ = nullptr;
  fs::path dir_;
  int master_ = -1, slaveFd_ = -1;
  pid_t program_ = -1, terminal_ = -1;
  uint64_t mainWindow_ = 0;
  std::thread writer_;
  std::atomic<bool> stopWriter_{false};
};

TEST_F(AuditEndToEndTest, ThreeReadingsAreRecordedWithTheirOutcomesAndVerifyIntact) {
  StartProgram("audit");
  ClickStartButton();
  ASSERT_EQ(StateWhen([](auto& s) { return s["button"] == "Stop"; })["button"], "Stop");
  const uint64_t receiver = StartReceiver();

  Send("S +   12.345 g\r\n");
  XServer::PollUntil([&] { return ReadWholeFile(Received()) == "12.345\n"; }, kTimeout);
  EXPECT_EQ(ReadWholeFile(Received()), "12.345\n");

  ASSERT_TRUE(server_->Activate(mainWindow_, kTimeout));
  StateWhen([](auto& s) { return s["led"] == "***Morvisk***"; });
  Send("S +    1.500 g\r\n");
  StateWhen([](auto& s) { return s["filt"] == "1.500 (nicht gesendet)"; });

  ASSERT_TRUE(server_->Activate(receiver, kTimeout));
  StateWhen([](auto& s) { return s["led"] == "Receiver"; });
  Send("D +    7.000 g\r\n");
  const auto failed =
      StateWhen([](auto& s) { return s["status"].find("fehlgeschlagen") != std::string::npos; });
  EXPECT_NE(failed.at("status").find("fehlgeschlagen"), std::string::npos);

  ClickStartButton();
  StateWhen([](auto& s) { return s["button"] == "Start"; });
  EXPECT_EQ(ReadWholeFile(Received()), "12.345\n") << "only the first reading is typed";

  const std::string file = TrailFile(dir_ / "audit");
  ASSERT_FALSE(file.empty());
  const std::vector<nlohmann::json> r = Records(file);
  std::vector<std::string> types, outcomes;
  for (const auto& record : r) {
    types.push_back(record["type"]);
    if (record["type"] == "result") outcomes.push_back(record["outcome"]);
  }
  EXPECT_EQ(types, (std::vector<std::string>{"header", "config-loaded", "capture-start", "result",
                                             "result", "result", "capture-stop"}));
  EXPECT_EQ(outcomes, (std::vector<std::string>{"typed", "own-window", "check-failed"}));
  ASSERT_EQ(r.size(), 7u);
  EXPECT_EQ(r[3]["typed"], "12.345");
  EXPECT_EQ(r[3]["cursor"], "CR");
  EXPECT_EQ(r[3]["window"], "Receiver");
  EXPECT_EQ(r[3]["raw"], "S +   12.345 g\r\n");
  EXPECT_EQ(r[2]["com"], 1);
  EXPECT_EQ(r[2]["baud"], "9600");

  const std::string verdict = CommandOutput(std::string(TARVOLIN_AUDIT_EXE) + " verify " + file);
  EXPECT_EQ(verdict, file + ": intact, 7 records\n");
}

TEST_F(AuditEndToEndTest, AKilledStreamHasARecordForEveryTypedReadingAndTheCutIsContinued) {
  StartProgram("audit");
  ClickStartButton();
  ASSERT_EQ(StateWhen([](auto& s) { return s["button"] == "Stop"; })["button"], "Stop");
  StartReceiver();

  // 1,000 readings as fast as the terminal takes them, until the program is gone.
  writer_ = std::thread([this] {
    for (int i = 0; i < 1000 && !stopWriter_; ++i) {
      const std::string line = "S +" + std::to_string(10000 + i) + ".5 g\r\n";
      pollfd p{master_, POLLOUT, 0};
      while (!stopWriter_ && poll(&p, 1, 50) == 0) {
      }
      if (stopWriter_ || write(master_, line.data(), line.size()) < 0) return;
    }
  });
  // Killed while readings are still coming in.
  ASSERT_TRUE(XServer::PollUntil(
      [&] {
        const std::string text = ReadWholeFile(Received());
        return std::count(text.begin(), text.end(), '\n') >= 200;
      },
      kTimeout));
  kill(program_, SIGKILL);
  server_->Kill(program_);
  program_ = -1;
  stopWriter_ = true;
  writer_.join();

  const std::string file = TrailFile(dir_ / "audit");
  ASSERT_FALSE(file.empty());
  std::vector<std::string> typed;
  for (const auto& record : Records(file))
    if (record["type"] == "result" && record["outcome"] == "typed")
      typed.push_back(record["typed"]);
  // Records come before keys: whatever reached the terminal, now or later, is recorded.
  std::vector<std::string> received;
  std::istringstream lines(ReadWholeFile(Received()));
  for (std::string line; std::getline(lines, line);) received.push_back(line);
  ASSERT_GE(received.size(), 200u);
  ASSERT_LT(received.size(), 1000u) << "the kill came too late to cut the stream";
  ASSERT_GE(typed.size(), received.size());
  for (size_t i = 0; i < received.size(); ++i) ASSERT_EQ(received[i], typed[i]) << "reading " << i;
  EXPECT_TRUE(VerifyAuditText(ReadWholeFile(file)).intact);

  // A power loss takes the unsynced end of the last record with it.
  std::string text = ReadWholeFile(file);
  text.resize(text.size() - 40);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  const std::string lastIntact = ParseAuditLine(AuditLines(text).end()[-2]).hash;

  StartProgram("audit");
  ASSERT_TRUE(XServer::PollUntil([&] { return Records(file).back()["type"] == "config-loaded"; },
                                 kTimeout));
  const std::vector<nlohmann::json> after = Records(file);
  const nlohmann::json& segment = after.end()[-2];
  EXPECT_EQ(segment["type"], "segment");
  EXPECT_EQ(segment["cut"], 1);
  EXPECT_EQ(segment["prev"], lastIntact);
  EXPECT_EQ(ReadWholeFile(file).substr(0, text.size()), text) << "the cut record is kept";
  const std::string verdict = CommandOutput(std::string(TARVOLIN_AUDIT_EXE) + " verify " + file);
  EXPECT_NE(verdict.find(": intact, "), std::string::npos) << verdict;
  EXPECT_NE(verdict.find(", 1 cut by a crash and kept"), std::string::npos) << verdict;
}

TEST_F(AuditEndToEndTest, AnUnwritableAuditDirectoryRefusesStartWithItsCause) {
  // Root may write anywhere: a file where the directory should be stops everyone.
  std::ofstream(dir_ / "plain") << "x";
  const std::string auditDir = (dir_ / "plain" / "audit").string();
  StartProgram(auditDir);
  ClickStartButton();
  const auto refused = StateWhen([](auto& s) { return !s["box"].empty(); });
  EXPECT_NE(refused.at("box").find("Start nicht m"), std::string::npos) << refused.at("box");
  EXPECT_NE(refused.at("box").find("Audit-Trail: Verzeichnis " + auditDir), std::string::npos)
      << refused.at("box");
  EXPECT_EQ(refused.at("button"), "Start");

  // Dismissed, the program stays stopped and a reading sent now reaches no window.
  ASSERT_TRUE(server_->Run({"xdotool", "key", "Return"}));
  StateWhen([](auto& s) { return s["box"].empty(); });
  StartReceiver(false);
  Send("S +   12.345 g\r\n");
  const auto after = StateWhen([](auto& s) { return s["button"] == "Start"; });
  EXPECT_EQ(after.at("filt"), "");
  EXPECT_EQ(ReadWholeFile(Received()), "");
}

}  // namespace
