// tarvolin-sim: a balance on a pseudo-terminal, for trying Tarvolin without an instrument.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/BalanceLine.h"
#include "sim/SimOptions.h"

namespace {

using Clock = std::chrono::steady_clock;

// SIGINT, SIGTERM and SIGCHLD are blocked and read from a signal descriptor in the main poll, so
// no signal can come between a look at a flag and the wait; no handler runs at all.
int g_signals = -1;
sigset_t g_handled;

void Fail(const char* what) {
  std::fprintf(stderr, "tarvolin-sim: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

void MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) Fail("tcgetattr");
  cfmakeraw(&tio);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) Fail("tcsetattr");
}

struct TPty {
  int master = -1;
  int slave = -1;  // held open so the master never sees a hang-up while no reader is attached
  std::string path;
};

TPty OpenPty() {
  TPty p;
  p.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (p.master < 0) Fail("posix_openpt");
  if (grantpt(p.master) != 0 || unlockpt(p.master) != 0) Fail("grantpt/unlockpt");
  char name[128];
  if (ptsname_r(p.master, name, sizeof name) != 0) Fail("ptsname");
  p.path = name;
  p.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (p.slave < 0) Fail(name);
  MakeRaw(p.slave);
  MakeRaw(p.master);
  int flags = fcntl(p.master, F_GETFL);
  if (flags < 0 || fcntl(p.master, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl");
  return p;
}

// Reads and discards what the program on the other side sends, so its writes never block.
void DrainMaster(int master) {
  char buf[512];
  while (read(master, buf, sizeof buf) > 0) {
  }
}

// Sends all bytes. When the terminal's input buffer is full because nobody reads it, the unread
// data is discarded so the newest lines get through.
bool SendAll(const TPty& p, const std::string& data) {
  size_t done = 0;
  bool flushed = false;
  while (done < data.size()) {
    ssize_t n = write(p.master, data.data() + done, data.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      flushed = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && !flushed) {
      tcflush(p.slave, TCIFLUSH);
      flushed = true;
      continue;
    }
    if (n < 0 && errno == EAGAIN) {
      pollfd w{p.master, POLLOUT, 0};
      if (poll(&w, 1, 100) > 0) continue;
    }
    std::fprintf(stderr, "tarvolin-sim: write: %s\n", std::strerror(errno));
    return false;
  }
  return true;
}

std::vector<std::string> LoadReplay(const TSimOptions& opt) {
  std::ifstream in(opt.ReplayFile, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tarvolin-sim: cannot read %s\n", opt.ReplayFile.c_str());
    std::exit(1);
  }
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> chunks;
  if (opt.Raw) {
    chunks.push_back(all);
    return chunks;
  }
  size_t start = 0;
  while (start < all.size()) {
    size_t lf = all.find('\n', start);
    size_t end = lf == std::string::npos ? all.size() : lf + 1;
    chunks.push_back(all.substr(start, end - start));
    start = end;
  }
  return chunks;
}

pid_t StartProgram(const TSimOptions& opt, const std::string& envName, const std::string& path) {
  pid_t pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) {
    sigprocmask(SIG_UNBLOCK, &g_handled, nullptr);
    signal(SIGPIPE, SIG_DFL);
    setenv(envName.c_str(), path.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& a : opt.RunCommand) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "tarvolin-sim: cannot start %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
  return pid;
}

// Waits until the reader has taken everything from the terminal's input buffer, so that data
// is not lost when the master closes; gives up after a while when nobody reads. Written bytes
// reach the input buffer a moment after write() returns, so the buffer must stay empty for a
// short while before it counts as drained.
void LetReaderDrain(const TPty& p) {
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  const auto settle = std::chrono::milliseconds(100);
  auto emptySince = Clock::now();
  while (Clock::now() < deadline) {
    int pending = 0;
    if (ioctl(p.slave, FIONREAD, &pending) != 0) return;
    if (pending > 0) {
      emptySince = Clock::now();
    } else if (Clock::now() - emptySince >= settle) {
      return;
    }
    pollfd sig{g_signals, POLLIN, 0};
    if (poll(&sig, 1, 10) > 0) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  TSimOptions opt;
  if (auto error = ParseSimOptions(argc, argv, opt)) {
    std::fprintf(stderr, "tarvolin-sim: %s\n%s", error->c_str(), kSimUsage);
    return 2;
  }
  if (opt.Help) {
    std::fputs(kSimUsage, stdout);
    return 0;
  }

  const bool generating = opt.ReplayFile.empty();
  std::vector<std::string> replay;
  if (!generating) replay = LoadReplay(opt);

  sigemptyset(&g_handled);
  for (int sig : {SIGINT, SIGTERM, SIGCHLD}) sigaddset(&g_handled, sig);
  if (sigprocmask(SIG_BLOCK, &g_handled, nullptr) != 0) Fail("sigprocmask");
  g_signals = signalfd(-1, &g_handled, SFD_CLOEXEC | SFD_NONBLOCK);
  if (g_signals < 0) Fail("signalfd");
  signal(SIGPIPE, SIG_IGN);

  TPty pty = OpenPty();
  std::string envName = "TARVOLIN_COM" + std::to_string(opt.Com);
  std::printf("%s\n%s=%s\n", pty.path.c_str(), envName.c_str(), pty.path.c_str());
  std::fflush(stdout);

  pid_t child = opt.RunCommand.empty() ? -1 : StartProgram(opt, envName, pty.path);
  int exitCode = 0;

  unsigned seed =
      opt.Seed ? opt.Seed : static_cast<unsigned>(Clock::now().time_since_epoch().count());
  TBalanceSim balance(seed);
  size_t replayPos = 0;
  long sent = 0;
  bool sending = true;
  auto next = Clock::now();

  for (;;) {
    if (sending && Clock::now() >= next) {
      std::string chunk;
      if (generating) {
        chunk = balance.NextLine();
      } else if (replayPos < replay.size()) {
        chunk = replay[replayPos++];
      }
      if (!chunk.empty() && !SendAll(pty, chunk)) {
        exitCode = 1;
        break;
      }
      ++sent;
      bool replayDone = !generating && replayPos >= replay.size();
      if ((opt.Count && sent >= *opt.Count) || replayDone) {
        sending = false;
        if (child < 0) {
          LetReaderDrain(pty);
          break;
        }
      }
      next += std::chrono::milliseconds(opt.IntervalMs);
    }

    int timeout = -1;
    if (sending) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
      timeout = static_cast<int>(std::max<long long>(0, wait.count()));
    }
    pollfd fds[2] = {{g_signals, POLLIN, 0}, {pty.master, POLLIN, 0}};
    int n = poll(fds, 2, timeout);
    if (n < 0 && errno != EINTR) Fail("poll");
    if (n <= 0) continue;
    if (fds[1].revents & POLLIN) DrainMaster(pty.master);

    bool stop = false;
    signalfd_siginfo info{};
    while (read(g_signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      const int sig = static_cast<int>(info.ssi_signo);
      if (sig == SIGCHLD && child > 0) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
          child = -1;
          exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
          stop = true;
        }
      } else if (sig == SIGINT || sig == SIGTERM) {
        stop = true;
      }
    }
    if (stop) break;
  }

  if (child > 0) {
    kill(child, SIGTERM);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  close(pty.master);
  close(pty.slave);
  return exitCode;
}
