// The audit trail's cost in the program itself: tarvolin reads a burst of 1,000 readings from an
// instrument on a pseudo-terminal and types them into an xterm on a private Xvfb, with the trail
// off (0) and on (1). The burst is written as fast as the terminal takes it; the time runs until
// the last reading has arrived in the xterm, so the arrival batches are whatever the serial layer
// and the result path make of a burst.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/x11/BenchServer.h"
#include "tests/x11/ProgramDriver.h"
#include "tests/x11/XServer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kReadings = 1000;
constexpr std::chrono::seconds kTimeout{30};

size_t Lines(const std::string& path) {
  const std::string text = ReadWholeFile(path);
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

void WriteAll(int fd, const std::string& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, 1000);
    const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
    if (n > 0) at += static_cast<size_t>(n);
  }
}

void BM_ProgramBurst(benchmark::State& state) {
  XServer server;
  if (!StartBenchServer(server, state, {"xterm", "xdotool"})) return;
  // Beside the build, on the disk the program's files would be on.
  const fs::path dir = fs::current_path() / "tarvolin_audit_program_bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "Tarvolin.INI", std::ios::binary)
      << "[Comms]\r\nPort=1\r\n[resRecog]\r\nend=10\r\n[resModi]\r\ncursMove=1\r\n[Audit]\r\n"
         "Auditing="
      << state.range(0) << "\r\n";
  int master = -1, slave = -1;
  char slaveName[256] = {};
  if (openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  setenv("TARVOLIN_COM1", slaveName, 1);
  setenv("USERPROFILE", dir.c_str(), 1);
  const std::string dump = (dir / "state").string();
  setenv("TARVOLIN_STATE_DUMP", dump.c_str(), 1);
  const pid_t program = server.Spawn({TARVOLIN_EXE}, (dir / "tarvolin.log").string());
  const uint64_t mainWindow = server.WaitForWindow("Tarvolin", kTimeout);
  const auto button = ProgramStateWhen(
      program, dump, [](auto& s) { return s.count("buttonAt") != 0; }, kTimeout);
  if (mainWindow == 0 || button.count("buttonAt") == 0) {
    state.SkipWithError("the program did not come up");
    return;
  }
  const std::string at = button.at("buttonAt");
  const std::string window = std::to_string(mainWindow);
  server.Activate(mainWindow, kTimeout);
  server.Run({"xdotool", "mousemove", "--window", window, at.substr(0, at.find(',')),
              at.substr(at.find(',') + 1), "click", "--window", window, "1"});
  const std::string received = (dir / "received.txt").string();
  server.Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-T", "Receiver", "-e", "sh", "-c",
                "exec cat > \"$0\"", received});
  const uint64_t receiver = server.WaitForWindow("Receiver", kTimeout);
  server.Activate(receiver, kTimeout);
  const auto ready = ProgramStateWhen(
      program, dump, [](auto& s) { return s["led"] == "Receiver"; }, kTimeout);
  if (receiver == 0 || ready.at("led") != "Receiver") {
    state.SkipWithError("the receiver did not come to the front");
    return;
  }

  std::string burst;
  for (int i = 0; i < kReadings; ++i) burst += "+   " + std::to_string(10000 + i) + ".25 g\r\n";
  size_t expected = 0;
  for (auto _ : state) {
    expected += kReadings;
    const auto start = std::chrono::steady_clock::now();
    std::thread writer(WriteAll, master, burst);
    const bool complete =
        XServer::PollUntil([&] { return Lines(received) >= expected; }, std::chrono::seconds(120));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    writer.join();
    state.SetIterationTime(elapsed.count());
    if (!complete) {
      state.SkipWithError("readings were lost on the way");
      break;
    }
  }
  server.Stop();
  close(master);
  close(slave);
  fs::remove_all(dir);
}
BENCHMARK(BM_ProgramBurst)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(4)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
