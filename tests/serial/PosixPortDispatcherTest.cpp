// The POSIX dispatcher's threads on real pseudo-terminals, driven without the port component:
// the output ring and its thread, a receive buffer that nobody empties, thread priorities.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "serial/AwPosix.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"

namespace {

// Reaches the operations the port never calls.
class TProbeDispatcher : public TApdPosixDispatcher {
 public:
  TProbeDispatcher() : TApdPosixDispatcher(nullptr) {}
  // The threads stop before this class's part of the object goes.
  ~TProbeDispatcher() override { ShutdownDispatcher(); }
  using TApdPosixDispatcher::ApplyPriorityBoost;
  using TApdPosixDispatcher::StartThreads;
  using TApdPosixDispatcher::WriteDevice;
};

std::string Pattern(size_t n, size_t from = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((from + i) % 251);
  return s;
}

class PosixDispatcherTest : public ::testing::Test {
 protected:
  PosixDispatcherTest() { WndMsg().AttachGuiThread(); }
  void Open(uint32_t outSize = 4096) {
    ASSERT_EQ(
        disp.OpenDevicePort(pty.SlavePath(), 115200, NOPARITY, 8, 1, 4096, outSize, ooDtr | ooRts),
        0);
  }

  TPty pty;
  TProbeDispatcher disp;
};

TEST_F(PosixDispatcherTest, OutputGoesOutInOrderAndNeverOverwritesWhatIsWaiting) {
  Open();
  EXPECT_EQ(disp.LiveThreads(), 3);
  EXPECT_THROW(disp.StartThreads(), Exception);

  // More than the ring holds: only what fits is taken.
  std::string block = Pattern(10000);
  int taken = disp.WriteDevice(block.data(), static_cast<uint32_t>(block.size()));
  ASSERT_GT(taken, 0);
  EXPECT_LE(taken, 4096);
  auto got = pty.Receive(static_cast<size_t>(taken));
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, block.substr(0, static_cast<size_t>(taken)));
  // The ring frees its room once the driver's write has returned, a moment after the bytes
  // reached the other end.
  ASSERT_TRUE(PumpFor([&] { return disp.OutputCount() == 0; }));

  ASSERT_EQ(disp.WriteDevice("\r\nend", 5), 5);
  EXPECT_EQ(pty.Receive(5), "\r\nend");
  EXPECT_TRUE(PumpFor([&] { return disp.OutputCount() == 0; }));
}

TEST_F(PosixDispatcherTest, FlushEndsAWriteStuckOnAFullDriver) {
  Open();
  // Nobody reads the master: the driver fills and the ring stays full.
  std::string chunk = Pattern(4096);
  ASSERT_TRUE(PumpFor([&] {
    disp.WriteDevice(chunk.data(), 4096);
    return disp.OutputFree() == 0;
  }));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(disp.FlushOutput(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(disp.OutputCount(), 0u);

  // The output thread is free again.
  while (pty.Receive(4096, std::chrono::milliseconds(100))) {
  }
  ASSERT_EQ(disp.WriteDevice("after", 5), 5);
  EXPECT_EQ(pty.Receive(5), "after");
}

TEST_F(PosixDispatcherTest, AFullReceiveBufferStopsReadingWithoutSpinningUntilThereIsRoom) {
  Open();  // no trigger window: nobody is told, nobody reads
  ASSERT_TRUE(pty.Send(Pattern(12000)));
  ASSERT_TRUE(PumpFor([&] { return disp.ReceiveBufferFull(); }));
  EXPECT_EQ(disp.InputCount(), DispatchBufferSize);

  double cpu = ProcessCpuMs();
  auto wall = std::chrono::steady_clock::now();
  PumpFor([] { return false; }, std::chrono::milliseconds(500));
  double wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
  EXPECT_LT(ProcessCpuMs() - cpu, wallMs * 0.1);

  std::string first(DispatchBufferSize, '\0');
  ASSERT_EQ(disp.GetBlock(first.data(), DispatchBufferSize), static_cast<int>(DispatchBufferSize));
  EXPECT_EQ(first, Pattern(DispatchBufferSize));
  // The rest comes in once there is room, in order.
  size_t rest = 12000 - DispatchBufferSize;
  ASSERT_TRUE(PumpFor([&] { return disp.InputCount() == rest; }));
  std::string second(rest, '\0');
  ASSERT_EQ(disp.GetBlock(second.data(), static_cast<uint32_t>(rest)), static_cast<int>(rest));
  EXPECT_EQ(second, Pattern(rest, DispatchBufferSize));
}

// The nice values of this process's threads.
std::vector<int> ThreadNiceValues() {
  std::vector<int> values;
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return values;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream stat(std::string("/proc/self/task/") + e->d_name + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name in parentheses; nice is field 19 of the whole line.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 19 && rest >> field; ++i) {
    }
    values.push_back(std::stoi(field));
  }
  closedir(dir);
  return values;
}

int CountNice(int nice) {
  int n = 0;
  for (int v : ThreadNiceValues()) n += v == nice;
  return n;
}

TEST_F(PosixDispatcherTest, PriorityBoostMovesTheThreadsNiceValues) {
  if (ThreadNiceValues().empty()) GTEST_SKIP() << "no /proc/self/task";
  int base = getpriority(PRIO_PROCESS, 0);
  if (base >= 18) GTEST_SKIP() << "the process runs at the lowest priority already";
  Open();
  // Lowering needs no privilege, raising again does: the steps only go down here.
  disp.ApplyPriorityBoost(-1);
  EXPECT_EQ(CountNice(base + 1), 3);
  // RS-485 puts the output thread one step above the others.
  disp.SetRs485(true);
  disp.ApplyPriorityBoost(-3);
  EXPECT_EQ(CountNice(base + 3), 2);
  EXPECT_EQ(CountNice(base + 2), 1);
}

}  // namespace
