// Long runs of the POSIX device layer on a pseudo-terminal: a stream at full speed and many
// opens and closes while data flows. TARVOLIN_SOAK_BYTES (default 10 MB) and
// TARVOLIN_SOAK_CYCLES (default 200) shorten them for the sanitizer builds.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <thread>

#include "serial/AwPosix.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"

namespace {

size_t EnvSize(const char* name, size_t fallback) {
  const char* v = getenv(name);
  return v && *v ? std::stoull(v) : fallback;
}

char PatternAt(size_t i) {
  return static_cast<char>(i % 251);
}

// Writes the pattern into the master from offset 0 until `limit` bytes are out or `stop` is set.
class TWriter {
 public:
  TWriter(int master, size_t limit) : master_(master), limit_(limit) {
    thread_ = std::thread([this] { Run(); });
  }
  ~TWriter() {
    stop_.store(true);
    thread_.join();
  }
  size_t Written() const { return written_.load(); }

 private:
  void Run() {
    char chunk[4096];
    size_t at = 0;
    while (at < limit_ && !stop_.load()) {
      size_t n = std::min(sizeof chunk, limit_ - at);
      for (size_t i = 0; i < n; ++i) chunk[i] = PatternAt(at + i);
      ssize_t w = write(master_, chunk, n);
      if (w > 0) {
        at += static_cast<size_t>(w);
        written_.store(at);
      } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
        return;
      } else {
        pollfd p{master_, POLLOUT, 0};
        poll(&p, 1, 20);
      }
    }
  }

  int master_;
  size_t limit_;
  std::atomic<bool> stop_{false};
  std::atomic<size_t> written_{0};
  std::thread thread_;
};

// Counts the received bytes and checks each against the pattern. `expected` < 0 takes the first
// byte as the start (a stream joined midway). Once `closing` is set the bytes are only counted:
// a close discards what the driver holds, and what still comes while it completes follows that
// gap.
struct TChecker {
  explicit TChecker(TApdBaseDispatcher& d) : window(&d) {
    window.action = [this] {
      for (char c : window.seen) {
        if (expected < 0) expected = static_cast<unsigned char>(c);
        if (!closing && c != static_cast<char>(expected)) ++wrong;
        expected = (expected + 1) % 251;
        ++count;
      }
      window.seen.clear();
    };
  }
  TAvailWindow window;
  int expected = 0;
  size_t count = 0;
  size_t wrong = 0;
  bool closing = false;
};

void Listen(TApdBaseDispatcher& d, HWND wnd) {
  d.AddWindowHandler(wnd);
  d.RecomputeHandlerService(hsInstall);
  d.SetAvailThreshold(1);
}

TEST(PtySoak, EveryByteOfAFullSpeedStreamArrivesOnceAndInOrder) {
  WndMsg().AttachGuiThread();
  size_t total = EnvSize("TARVOLIN_SOAK_BYTES", 10 * 1024 * 1024);
  TPty pty;
  TApdPosixDispatcher disp(nullptr);
  TChecker checker(disp);
  ASSERT_EQ(disp.OpenDevicePort(pty.SlavePath(), 115200, NOPARITY, 8, 1, 4096, 4096, 0), 0);
  Listen(disp, checker.window.wnd);

  TWriter writer(pty.MasterFd(), total);
  // A generous limit: the sanitizer builds are many times slower.
  ASSERT_TRUE(PumpFor([&] { return checker.count >= total; }, std::chrono::minutes(5)))
      << checker.count << " of " << total << " bytes";
  EXPECT_EQ(checker.count, total);
  EXPECT_EQ(checker.wrong, 0u);
  EXPECT_EQ(disp.InputCount(), 0u);
}

TEST(PtySoak, OpenAndCloseWhileDataFlows) {
  WndMsg().AttachGuiThread();
  size_t cycles = EnvSize("TARVOLIN_SOAK_CYCLES", 200);
  TPty pty;
  TWriter writer(pty.MasterFd(), SIZE_MAX);
  size_t received = 0;
  for (size_t i = 0; i < cycles; ++i) {
    // The terminal holds what came while no port was open: a backlog at every open.
    auto disp = std::make_unique<TApdPosixDispatcher>(nullptr);
    TChecker checker(*disp);
    checker.expected = -1;  // joined midway: the first byte sets the start
    ASSERT_EQ(disp->OpenDevicePort(pty.SlavePath(), 115200, NOPARITY, 8, 1, 4096, 4096, 0), 0)
        << "cycle " << i;
    Listen(*disp, checker.window.wnd);
    // Every other cycle closes from inside the handler, which leaves the release to the
    // dispatch thread.
    if (i % 2 == 1) {
      auto count = checker.window.action;
      checker.window.action = [&, count] {
        count();
        if (!checker.closing) {
          checker.closing = true;
          disp->CloseDevicePort();
        }
      };
    }
    ASSERT_TRUE(PumpFor([&] { return checker.count > 0; })) << "cycle " << i;
    if (i % 2 == 1) {
      ASSERT_TRUE(PumpFor([&] { return !disp->ThreadsRunning(); }));
    }
    checker.closing = true;
    disp.reset();
    EXPECT_EQ(checker.wrong, 0u) << "cycle " << i;
    received += checker.count;
  }
  EXPECT_GT(writer.Written(), 0u);
  EXPECT_GE(received, cycles);
}

}  // namespace
