#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/BalanceLine.h"
#include "sim/SimOptions.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(BalanceLine, AlignsSignValueAndUnitLikeABalance) {
  EXPECT_EQ(FormatBalanceLine(12.345), "+   12.345 g\r\n");
  EXPECT_EQ(FormatBalanceLine(-0.21), "-    0.210 g\r\n");
  EXPECT_EQ(FormatBalanceLine(249.9996), "+  250.000 g\r\n");
  // A tiny negative drift that rounds to zero must not show as "-0.000".
  EXPECT_EQ(FormatBalanceLine(-0.0004), "+    0.000 g\r\n");
}

TEST(BalanceLine, GeneratedSeriesKeepsTheShapeAndVaries) {
  TBalanceSim sim(42);
  std::regex shape(R"([+-] {0,4}\d{1,5}\.\d{3} g\r\n)");
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i) {
    lines.push_back(sim.NextLine());
    ASSERT_TRUE(std::regex_match(lines.back(), shape)) << lines.back();
    ASSERT_EQ(lines.back().size(), 14u) << lines.back();
  }
  std::sort(lines.begin(), lines.end());
  EXPECT_GT(std::unique(lines.begin(), lines.end()) - lines.begin(), 100);
}

std::optional<std::string> Parse(std::vector<const char*> args, TSimOptions& opt) {
  args.insert(args.begin(), "tarvolin-sim");
  return ParseSimOptions(static_cast<int>(args.size()), args.data(), opt);
}

TEST(SimOptions, ReadsValuesAndPassesTheRestToTheProgram) {
  TSimOptions opt;
  ASSERT_FALSE(Parse(
      {"--com", "3", "--interval", "250", "--count", "5", "--run", "prog", "--count", "x"}, opt));
  EXPECT_EQ(opt.Com, 3);
  EXPECT_EQ(opt.IntervalMs, 250);
  EXPECT_EQ(opt.Count, 5);
  EXPECT_EQ(opt.RunCommand, (std::vector<std::string>{"prog", "--count", "x"}));

  ASSERT_FALSE(Parse({}, opt));
  EXPECT_EQ(opt.Com, 1);
  EXPECT_EQ(opt.IntervalMs, 1000);
  EXPECT_FALSE(opt.Count);
}

TEST(SimOptions, RejectsBadInput) {
  TSimOptions opt;
  for (auto args : std::vector<std::vector<const char*>>{{"--interval", "0"},
                                                         {"--interval", "10ms"},
                                                         {"--count", "-1"},
                                                         {"--com"},
                                                         {"--com", "0"},
                                                         {"--run"},
                                                         {"--raw"},
                                                         {"--bogus"}}) {
    EXPECT_TRUE(Parse(args, opt)) << args[0];
  }
}

// Runs the simulator as a child process with its standard output on a pipe.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv{const_cast<char*>(TARVOLIN_SIM_EXE)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~SimProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }

  // Reads the child's output until it holds `lines` lines or the deadline passes.
  std::string ReadLines(int lines, Clock::time_point deadline) {
    std::string text;
    while (std::count(text.begin(), text.end(), '\n') < lines) {
      if (!WaitReadable(out_, deadline)) break;
      char buf[256];
      ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<size_t>(n));
    }
    return text;
  }

  // The exit status, or -1 when the child is still running at the deadline.
  int WaitExit(Clock::time_point deadline) {
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      poll(nullptr, 0, 10);
    }
    return -1;
  }

  pid_t Pid() const { return pid_; }

  static bool WaitReadable(int fd, Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(left.count())) > 0;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(SimProcess, SendsCountedBalanceLinesOnThePrintedTerminal) {
  SimProcess sim({"--count", "3", "--interval", "10", "--com", "4"});
  auto deadline = Clock::now() + std::chrono::seconds(10);
  std::string header = sim.ReadLines(2, deadline);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(header, m, std::regex("(/dev/pts/\\d+)\nTARVOLIN_COM4=(\\S+)\n")))
      << header;
  EXPECT_EQ(m[1], m[2]);

  int fd = open(m[1].str().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  std::string received;
  while (std::count(received.begin(), received.end(), '\n') < 3 &&
         SimProcess::WaitReadable(fd, deadline)) {
    char buf[256];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    received.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  EXPECT_TRUE(std::regex_match(received, std::regex(R"(([+-] +\d+\.\d{3} g\r\n){3})"))) << received;
  EXPECT_EQ(sim.WaitExit(deadline), 0);
}

TEST(SimProcess, ReplaysAFileAndEndsOnSigterm) {
  char path[] = "/tmp/tarvolin-sim-replayXXXXXX";
  int tmp = mkstemp(path);
  ASSERT_GE(tmp, 0);
  const std::string content = "S S     1.5 g\r\nS D    2.25 g\r\n";
  ASSERT_EQ(write(tmp, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  close(tmp);

  // A long interval keeps the simulator running after the first line until it is told to stop.
  SimProcess sim({"--replay", path, "--interval", "600000"});
  auto deadline = Clock::now() + std::chrono::seconds(10);
  std::string header = sim.ReadLines(2, deadline);
  std::string pts = header.substr(0, header.find('\n'));
  int fd = open(pts.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  std::string received;
  while (received.find('\n') == std::string::npos && SimProcess::WaitReadable(fd, deadline)) {
    char buf[64];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    received.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  unlink(path);
  EXPECT_EQ(received, "S S     1.5 g\r\n");
  kill(sim.Pid(), SIGTERM);
  EXPECT_EQ(sim.WaitExit(deadline), 0);
}

}  // namespace
