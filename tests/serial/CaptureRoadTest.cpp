// The whole capture road without a display: an instrument on a pseudo-terminal, the port
// component on the POSIX device layer, the result filter and the keystrokes into a recording
// keyboard. The test thread is the user-interface thread. TARVOLIN_ROAD_LINES (default 5000)
// shortens the runs for the sanitizer builds.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/Keystrokes.h"
#include "app/ResultFilter.h"
#include "platform/fake/FakeKeyInjector.h"
#include "serial/AdPort.h"
#include "serial/AwPosix.h"
#include "tests/app/Fakes.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"

namespace {

// The port runs on the POSIX device layer, as the program installs it.
const TSerialContextScope kDeviceLayer(TSerialContextScope::Edited([](TSerialContext& c) {
  c.DeviceLayer = &PosixDeviceLayer();
}));

constexpr uint16_t kCom = 43;

size_t LineCount() {
  const char* v = getenv("TARVOLIN_ROAD_LINES");
  return v && *v ? std::stoull(v) : 5000;
}

// Line i reads i/1000 grams with three decimals, so that every reading is distinct.
std::string BalanceLine(size_t i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "+ %6zu.%03zu g\r\n", i / 1000, i % 1000);
  return buf;
}

std::string TypedReading(size_t i) {
  return std::to_string(i / 1000) + "." + std::to_string(1000 + i % 1000).substr(1) + "\r";
}

// The port as the filter reads it, as the settings dialog adapts it.
struct TPortSource : ICharSource {
  explicit TPortSource(TApdComPort& p) : port(p) {}
  char ReadChar() override { return port.ReadChar(); }
  int32_t InputCount() override { return static_cast<int32_t>(port.InputCount()); }
  TApdComPort& port;
};

struct TStepPump : IEventPump {
  std::function<void()> step;
  int calls = 0;
  void ProcessMessages() override {
    ++calls;
    step();
  }
};

// What the program's OnTriggerAvail handler does: hands the count to the filter.
struct TAvailRelay : TObject {
  explicit TAvailRelay(TResultFilter& f) : filter(f) {}
  void Avail(TObject*, uint16_t count) {
    ++calls;
    if (depth > 0) ++nested;
    ++depth;
    filter.processReceived(count);
    --depth;
  }
  TResultFilter& filter;
  int calls = 0;
  int depth = 0;
  int nested = 0;
};

class CaptureRoadTest : public ::testing::Test {
 protected:
  CaptureRoadTest()
      : source(port),
        filter({options, mainView, source, keys, sound, pump, errors}),
        relay(filter) {
    WndMsg().AttachGuiThread();
    setenv("TARVOLIN_COM43", pty.SlavePath().c_str(), 1);
    mainView.ledColor = ledTarget;  // a foreign window is in front
    // As the program's Qt pump does: one pass over what is waiting, window messages included.
    pump.step = [] { WndMsg().HandleOneMessage(); };
    port.SetComNumber(kCom);
    port.SetPromptForPort(false);
    port.SetBaud(115200);
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TAvailRelay::Avail>(&relay));
  }
  ~CaptureRoadTest() override {
    port.SetOpen(false);
    PumpFor([this] { return port.PortState() == psClosed; });
    unsetenv("TARVOLIN_COM43");
  }

  // Pumps until as much was typed as expected, then compares reading by reading so that a
  // failure names the first wrong one instead of printing everything.
  void ExpectTypedExactly(size_t lines) {
    std::string expected;
    for (size_t i = 0; i < lines; ++i) expected += TypedReading(i);
    ASSERT_TRUE(PumpFor([&] { return keyboard.Typed().size() >= expected.size(); },
                        std::chrono::minutes(3)))
        << keyboard.Typed().size() << " of " << expected.size() << " characters typed";
    const std::string typed = keyboard.Typed();
    size_t at = 0;
    for (size_t i = 0; i < lines; ++i) {
      std::string want = TypedReading(i);
      ASSERT_EQ(typed.compare(at, want.size(), want), 0)
          << "reading " << i << ": expected \"" << want << "\", typed \""
          << typed.substr(at, want.size() + 16) << "\"";
      at += want.size();
    }
    EXPECT_EQ(typed.size(), expected.size())
        << "typed after the last reading: \"" << typed.substr(expected.size(), 64) << "\"";
    EXPECT_EQ(port.InputCount(), 0u);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
    EXPECT_FALSE(keyboard.AnyKeyHeld());
  }

  TPty pty;
  TApdComPort port;
  TPortSource source;
  FakeFilterOptions options;
  FakeMainView mainView;
  FakeKeyInjector keyboard;
  TKeystrokes keys{keyboard};
  FakeSound sound;
  TStepPump pump;
  FakeErrors errors;
  TResultFilter filter;
  TAvailRelay relay;
};

TEST_F(CaptureRoadTest, EveryReadingOfAFullSpeedStreamIsTypedOnceAndInOrder) {
  const size_t lines = LineCount();
  std::string stream;
  for (size_t i = 0; i < lines; ++i) stream += BalanceLine(i);
  port.SetOpen(true);
  ASSERT_TRUE(port.Open());

  bool sent = false;
  std::thread writer([&] { sent = pty.Send(stream, std::chrono::minutes(3)); });
  ExpectTypedExactly(lines);
  writer.join();
  EXPECT_TRUE(sent);
  EXPECT_GE(pump.calls, static_cast<int>(lines));
}

TEST_F(CaptureRoadTest, ReadingsSplitAnywhereAndArrivingWhileOneIsTypedAreNotLostOrRepeated) {
  const size_t lines = LineCount();
  std::string stream;
  for (size_t i = 0; i < lines; ++i) stream += BalanceLine(i);
  // Typing a result lets every waiting message through, so the next data can come in the middle
  // of a result's output.
  pump.step = [] {
    while (WndMsg().HandleOneMessage()) {
    }
  };
  port.SetOpen(true);
  ASSERT_TRUE(port.Open());

  bool sent = true;
  std::thread writer([&] {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> chunk(1, 40);
    std::uniform_int_distribution<int> pause(0, 7);
    std::uniform_int_distribution<int> micros(50, 800);
    for (size_t at = 0; at < stream.size() && sent;) {
      size_t n = std::min(chunk(random), stream.size() - at);
      sent = pty.Send(std::string_view(stream).substr(at, n), std::chrono::minutes(1));
      at += n;
      // Uneven pacing as a real instrument's: bursts, then short gaps.
      if (pause(random) == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(micros(random)));
    }
  });
  ExpectTypedExactly(lines);
  writer.join();
  EXPECT_TRUE(sent);
  EXPECT_GT(relay.calls, 1);
}

TEST_F(CaptureRoadTest, AResultOutputOutlastingTheDispatchersWaitLosesAndRepeatsNothing) {
  const size_t lines = LineCount();
  std::string stream;
  for (size_t i = 0; i < lines; ++i) stream += BalanceLine(i);
  // The first result's output keeps the user-interface thread busy, handling messages, until
  // the dispatcher has stopped waiting for the handler and announced the next data.
  bool gaveUp = false;
  pump.step = [&] {
    if (pump.calls == 1) gaveUp = PumpFor([&] { return relay.nested > 0; });
    WndMsg().HandleOneMessage();
  };
  port.SetOpen(true);
  ASSERT_TRUE(port.Open());

  bool sent = false;
  std::thread writer([&] { sent = pty.Send(stream, std::chrono::minutes(3)); });
  ExpectTypedExactly(lines);
  writer.join();
  EXPECT_TRUE(sent);
  EXPECT_TRUE(gaveUp);
}

}  // namespace
