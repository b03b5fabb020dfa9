// The receive path of the native POSIX device layer, from a write on the master side of a
// pseudo-terminal to the avail notification handled on the GUI thread (this thread, pumping the
// window messages), where a handler reads every announced byte with ReadChar.
//
// Figures: throughput at full speed (bytes_per_second) and the CPU time of all threads per MiB
// (cpu_ms_per_mib), without and with the trace and the dispatch log recording (recorders:0 /
// recorders:1, default sizes), the median and 99th
// percentile latency of a 16-byte line (p50_us, p99_us), and the CPU time the whole process uses
// per second while the port is open and idle (cpu_ms_per_s).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "serial/AwPosix.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"

namespace {

using Clock = std::chrono::steady_clock;

// A dispatcher open on a fresh pseudo-terminal with a reading trigger window.
struct TOpenPort {
  TOpenPort() : window(&disp) {
    WndMsg().AttachGuiThread();
    window.action = [this] {
      received += window.seen.size();
      window.seen.clear();
    };
    ok = disp.OpenDevicePort(pty.SlavePath(), 115200, NOPARITY, 8, 1, 4096, 4096, 0) == 0;
    disp.AddWindowHandler(window.wnd);
    disp.RecomputeHandlerService(hsInstall);
    disp.SetAvailThreshold(1);
  }
  ~TOpenPort() { disp.CloseDevicePort(); }

  TPty pty;
  TApdPosixDispatcher disp{nullptr};
  TAvailWindow window;
  size_t received = 0;
  bool ok = false;
};

void BM_ThroughputFullSpeed(benchmark::State& state) {
  TOpenPort port;
  if (!port.ok) return state.SkipWithError("cannot open the pseudo-terminal");
  if (state.range(0) != 0 &&
      (port.disp.StartTracing(10000) != 0 || port.disp.StartLogging(10000) != 0))
    return state.SkipWithError("cannot start the recorders");
  const size_t perIteration = 1 << 20;
  std::string chunk(4096, 'x');
  const double cpuStart = ProcessCpuMs();
  for (auto _ : state) {
    size_t target = port.received + perIteration;
    std::thread writer([&] {
      size_t left = perIteration;
      while (left > 0) {
        ssize_t n = write(port.pty.MasterFd(), chunk.data(), std::min(left, chunk.size()));
        if (n > 0) {
          left -= static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          break;
        } else {
          pollfd p{port.pty.MasterFd(), POLLOUT, 0};
          poll(&p, 1, 100);
        }
      }
    });
    PumpFor([&] { return port.received >= target; }, std::chrono::seconds(30));
    writer.join();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * perIteration));
  // CPU time of every thread per MiB: the cost of recording, less at the mercy of other load on
  // the machine than the wall-clock figure.
  state.counters["cpu_ms_per_mib"] =
      (ProcessCpuMs() - cpuStart) / static_cast<double>(state.iterations());
  // Nothing is written: the figures are about recording.
  port.disp.StopTracing();
  port.disp.StopLogging();
}
// Off and on alternate, so that a change in the machine's load hits both alike.
BENCHMARK(BM_ThroughputFullSpeed)
    ->ArgName("recorders")
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_LineLatency(benchmark::State& state) {
  TOpenPort port;
  if (!port.ok) return state.SkipWithError("cannot open the pseudo-terminal");
  const std::string line = "+0012.345 g  \r\n\x03";  // 16 bytes
  std::vector<double> us;
  for (auto _ : state) {
    size_t target = port.received + line.size();
    auto start = Clock::now();
    port.pty.Send(line);
    PumpFor([&] { return port.received >= target; }, std::chrono::seconds(5));
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(us.begin(), us.end());
  state.counters["p50_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}
BENCHMARK(BM_LineLatency)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_IdleOpenPortCpu(benchmark::State& state) {
  TOpenPort port;
  if (!port.ok) return state.SkipWithError("cannot open the pseudo-terminal");
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    double c0 = CpuMs();
    auto w0 = Clock::now();
    // The GUI thread sleeps as an event loop would: only the port's threads run.
    auto end = w0 + std::chrono::seconds(2);
    while (Clock::now() < end) WndMsg().WaitMessage(500);
    cpu += CpuMs() - c0;
    wall += std::chrono::duration<double>(Clock::now() - w0).count();
  }
  state.counters["cpu_ms_per_s"] = cpu / wall;
}
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
