// How fast typed characters reach a real X client without loss: an xterm whose `cat` writes what
// it receives to a file, on a private Xvfb. Each iteration types a block of balance results and
// waits until the whole block has arrived; the block is then compared byte for byte.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/Keystrokes.h"
#include "bench/x11/BenchServer.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11KeyInjector.h"
#include "tests/x11/XServer.h"

namespace {

void BM_TypeIntoTerminal(benchmark::State& state) {
  XServer server;
  if (!StartBenchServer(server, state, {"xterm"})) return;
  const std::string output =
      (std::filesystem::temp_directory_path() / "tarvolin_typing_bench.txt").string();
  std::filesystem::remove(output);
  server.Spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-fa", "DejaVu Sans Mono", "-T",
                "Tarvolin typing bench", "-e", "sh", "-c", "exec cat > \"$0\"", output});
  const uint64_t window = server.WaitForWindow("Tarvolin typing bench", std::chrono::seconds(10));
  if (window == 0 || !server.WaitForActive(window, std::chrono::seconds(10))) {
    state.SkipWithError("xterm did not come up");
    return;
  }
  TX11Display display(server.Display());
  TX11KeyInjector injector(display);
  TKeystrokes keys(injector);

  // Results as a balance sends them, each followed by its line end; lines stay far below the
  // terminal's line buffer.
  const auto lines = state.range(0);
  std::string block;
  for (int64_t i = 0; i < lines; ++i) block += "+" + std::to_string(10000 + i) + ".25 g Netto\r";
  std::string expected;
  for (char c : block) expected += c == '\r' ? '\n' : c;

  std::string arrived;
  int64_t characters = 0;
  double seconds = 0;
  for (auto _ : state) {
    const size_t before = arrived.size();
    const auto start = std::chrono::steady_clock::now();
    for (size_t pos = 0; pos < block.size();) {
      const size_t end = block.find('\r', pos) + 1;
      keys.typeText(std::string_view(block).substr(pos, end - pos));
      pos = end;
    }
    double elapsed = 0;
    if (!BurstArrived(state, output, arrived, before, expected, start, elapsed)) return;
    characters += static_cast<int64_t>(block.size());
    seconds += elapsed;
  }
  state.counters["chars_per_second"] = static_cast<double>(characters) / seconds;
  state.counters["chars_per_iteration"] = static_cast<double>(block.size());
}
BENCHMARK(BM_TypeIntoTerminal)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
