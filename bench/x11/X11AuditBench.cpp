// The cost of the audit trail where a user meets it: a burst of 1,000 balance readings through
// the result path, typed into an xterm on a private Xvfb, with the trail off (first argument 0)
// and on (1). The second argument is the size of the arrival batches in bytes: 4096 as a serial
// driver hands on a burst, or 0 for a batch per reading, where the trail syncs every reading to
// the disk before the next one (the dearest case). The time runs until the last reading has
// arrived in the terminal.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "app/AuditTrail.h"
#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "bench/x11/BenchServer.h"
#include "platform/Sound.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11KeyInjector.h"
#include "tests/app/FakeFilterOptions.h"
#include "tests/x11/XServer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kReadings = 1000;

class Source : public ICharSource {
 public:
  std::string text;
  size_t pos = 0;
  char ReadChar() override { return text[pos++]; }
  int32_t InputCount() override { return static_cast<int32_t>(text.size() - pos); }
};

struct Main : IMainView {
  int32_t Left() const override { return 0; }
  int32_t Top() const override { return 0; }
  void SetLeft(int32_t) override {}
  void SetTop(int32_t) override {}
  void SetCaption(const std::string&) override {}
  void SetStatusText(const std::string&) override {}
  void SetCaptText(const std::string&) override {}
  void SetFiltText(const std::string&) override {}
  TColor LedColor() const override { return ledTarget; }
  void SetLedColor(TColor) override {}
  std::string LedText() const override { return "Tarvolin audit bench"; }
  void SetLedText(const std::string&) override {}
  void showRunState() override {}
};

struct Quiet : ISound, IEventPump, IErrorDisplay {
  void Beep(unsigned, unsigned) override {}
  void MessageBeep() override {}
  void ProcessMessages() override {}
  void ShowException(const Exception& e) override { throw e; }
};

void BM_BurstWithTrail(benchmark::State& state) {
  XServer server;
  if (!StartBenchServer(server, state, {"xterm"})) return;
  // Beside the build, on the disk the program's files would be on, not a memory file system.
  const fs::path work = fs::current_path() / "tarvolin_audit_bench";
  fs::remove_all(work);
  fs::create_directories(work);
  const std::string output = (work / "received.txt").string();
  server.Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-fa", "DejaVu Sans Mono", "-T",
                "Tarvolin audit bench", "-e", "sh", "-c", "exec cat > \"$0\"", output});
  const uint64_t window = server.WaitForWindow("Tarvolin audit bench", std::chrono::seconds(10));
  if (window == 0 || !server.WaitForActive(window, std::chrono::seconds(10))) {
    state.SkipWithError("xterm did not come up");
    return;
  }
  TX11Display display(server.Display());
  TX11KeyInjector injector(display);
  TKeystrokes keys(injector);
  FakeFilterOptions filter;
  Main main;
  Quiet quiet;
  Source source;
  TAuditTrail trail((work / "trail").string(), {"bench", "host", "user"});
  const bool auditing = state.range(0) != 0;
  const size_t batch = static_cast<size_t>(state.range(1));
  if (auditing && (!trail.Open() || !trail.CaptureStarted({}))) {
    state.SkipWithError(trail.Error().c_str());
    return;
  }
  TResultFilter path(TResultFilterParts{filter, main, source, keys, quiet, quiet, quiet,
                                        auditing ? &trail : nullptr});

  std::string readings;
  std::string expected;
  for (int i = 0; i < kReadings; ++i) {
    readings += "+   " + std::to_string(10000 + i) + ".25 g\r\n";
    expected += std::to_string(10000 + i) + ".25\n";
  }
  std::string arrived;
  double seconds = 0;
  int64_t bursts = 0;
  for (auto _ : state) {
    const size_t before = arrived.size();
    source.text = readings;
    source.pos = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t pos = 0; pos < readings.size();) {
      const size_t end =
          batch != 0 ? std::min(readings.size(), pos + batch) : readings.find('\n', pos) + 1;
      path.processReceived(static_cast<uint16_t>(end - pos));
      pos = end;
    }
    double elapsed = 0;
    if (!BurstArrived(state, output, arrived, before, expected, start, elapsed)) return;
    seconds += elapsed;
    ++bursts;
  }
  state.counters["readings_per_second"] = static_cast<double>(bursts * kReadings) / seconds;
  if (auditing && trail.Failed()) state.SkipWithError(trail.Error().c_str());
  fs::remove_all(work);
}
BENCHMARK(BM_BurstWithTrail)
    ->Args({0, 4096})
    ->Args({1, 4096})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
