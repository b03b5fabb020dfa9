// Received characters through result recognition to the key injector, as fast as they can go.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/AuditTrail.h"
#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "platform/Sound.h"
#include "tests/app/FakeFilterOptions.h"

namespace {

// An input buffer that never runs dry: it repeats the same balance lines.
class LoopSource : public ICharSource {
 public:
  explicit LoopSource(std::string text) : text_(std::move(text)) {}
  char ReadChar() override {
    char c = text_[pos_];
    if (++pos_ == text_.size()) pos_ = 0;
    return c;
  }
  int32_t InputCount() override { return 0; }

 private:
  std::string text_;
  size_t pos_ = 0;
};

struct Main : IMainView {
  TColor color = ledTarget;
  int32_t Left() const override { return 0; }
  int32_t Top() const override { return 0; }
  void SetLeft(int32_t) override {}
  void SetTop(int32_t) override {}
  void SetCaption(const std::string&) override {}
  void SetStatusText(const std::string&) override {}
  void SetCaptText(const std::string& t) override { benchmark::DoNotOptimize(t.data()); }
  void SetFiltText(const std::string& t) override { benchmark::DoNotOptimize(t.data()); }
  TColor LedColor() const override { return color; }
  void SetLedColor(TColor) override {}
  std::string LedText() const override { return std::string(); }
  void SetLedText(const std::string&) override {}
  void showRunState() override {}
};

struct Injector : IKeyInjector {
  uint64_t events = 0;
  void KeyEvent(uint8_t, bool) override { ++events; }
  uint16_t VkKeyScan(char ch) override { return static_cast<uint8_t>(ch); }
  bool CapsLockOn() override { return false; }
};

struct Quiet : ISound, IEventPump, IErrorDisplay {
  void Beep(unsigned, unsigned) override {}
  void MessageBeep() override {}
  void ProcessMessages() override {}
  void ShowException(const Exception&) override { std::abort(); }
};

// state.range(0): 1 when a foreign window is in front (results are typed), 0 when not, 2 typed
// with the audit trail on (a file in the working directory, synced after each batch).
void BM_ResultPath(benchmark::State& state) {
  std::string lines;
  for (int i = 0; i < 64; ++i)
    lines += "+   12.345 g\r\n-    0.5" + std::to_string(i % 10) + " g\r\n";
  LoopSource source(lines);
  FakeFilterOptions filter;
  filter.check = "g";
  filter.decSubst = 2;
  Main main;
  main.color = state.range(0) ? ledTarget : ledNoTarget;
  Injector injector;
  TKeystrokes keys(injector);
  Quiet quiet;
  const std::string trailDir = (std::filesystem::current_path() / "tarvolin_result_bench").string();
  TAuditTrail trail(trailDir, {"bench", "host", "user"});
  if (state.range(0) == 2 && (!trail.Open() || !trail.CaptureStarted({}))) {
    state.SkipWithError(trail.Error().c_str());
    return;
  }
  TResultFilter path(TResultFilterParts{filter, main, source, keys, quiet, quiet, quiet,
                                        state.range(0) == 2 ? &trail : nullptr});

  constexpr uint16_t kBatch = 4096;
  for (auto _ : state) path.processReceived(kBatch);
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBatch,
                                                 benchmark::Counter::kIsRate);
  benchmark::DoNotOptimize(injector.events);
  std::filesystem::remove_all(trailDir);
}
BENCHMARK(BM_ResultPath)->Arg(1)->Arg(0)->Arg(2);

}  // namespace
