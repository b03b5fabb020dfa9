// The port component on the native POSIX device layer, on real pseudo-terminals: the test plays
// the instrument on the master side and the GUI thread, which pumps the window messages.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "serial/AdErrCodes.h"
#include "serial/AdPort.h"
#include "serial/AwFactory.h"
#include "serial/AwPosix.h"
#include "tests/app/TempDir.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"
#include "tests/support/DeviceThreadException.h"

namespace {

// The ports of this suite run on the POSIX device layer, as the program installs it.
const TSerialContextScope kDeviceLayer(TSerialContextScope::Edited([](TSerialContext& c) {
  c.DeviceLayer = &PosixDeviceLayer();
}));

constexpr uint16_t kCom = 41;

std::atomic<int> termiosWrites{0};
int CountingSetAttr(int fd, int when, const termios* t) {
  ++termiosWrites;
  return ::tcsetattr(fd, when, t);
}

// What the port settings dialog's handler does: reads Count characters (or fewer) one by one.
struct TReader : TObject {
  explicit TReader(TApdComPort& p) : port(p) {}
  void Avail(TObject*, uint16_t count) {
    ++calls;
    counts.push_back(count);
    uint16_t n = toRead < 0 ? count : static_cast<uint16_t>(toRead);
    for (uint16_t i = 0; i < n; ++i) seen += port.ReadChar();
    if (action) action();
  }
  TApdComPort& port;
  int toRead = -1;
  int calls = 0;
  std::vector<uint16_t> counts;
  std::string seen;
  std::function<void()> action;
};

class PosixPortTest : public ::testing::Test {
 protected:
  PosixPortTest() : reader(port) {
    WndMsg().AttachGuiThread();
    setenv("TARVOLIN_COM41", pty.SlavePath().c_str(), 1);
    port.SetComNumber(kCom);
    port.SetPromptForPort(false);
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReader::Avail>(&reader));
  }
  ~PosixPortTest() override {
    port.SetOpen(false);
    PumpFor([this] { return port.PortState() == psClosed; });
    unsetenv("TARVOLIN_COM41");
  }

  TPty pty;
  TApdComPort port;
  TReader reader;
};

TEST_F(PosixPortTest, ReceivedBytesReachTheHandlerInOrderAndUnreadOnesAreAnnouncedAgain) {
  port.SetOpen(true);
  ASSERT_TRUE(port.Open());
  ASSERT_NE(dynamic_cast<TApdPosixDispatcher*>(port.Dispatcher()), nullptr);
  EXPECT_EQ(port.Dispatcher()->LiveThreads(), 3);

  ASSERT_TRUE(pty.Send("12.345 g\r\n"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen.size() == 10; }));
  EXPECT_EQ(reader.seen, "12.345 g\r\n");

  // A handler that takes two of what is announced leaves the rest, which is counted again
  // together with the next arrival.
  reader.toRead = 2;
  int before = reader.calls;
  ASSERT_TRUE(pty.Send("abcde"));
  ASSERT_TRUE(PumpFor([&] { return reader.calls == before + 1; }));
  EXPECT_EQ(reader.counts.back(), 5);
  EXPECT_EQ(port.InputCount(), 3u);
  ASSERT_TRUE(pty.Send("f"));
  ASSERT_TRUE(PumpFor([&] { return reader.calls == before + 2; }));
  EXPECT_EQ(reader.counts.back(), 4);
  EXPECT_EQ(reader.seen, "12.345 g\r\nabcd");
}

TEST_F(PosixPortTest, CloseInsideTheHandlerCompletesAfterItAndAnOpenRightAfterReopens) {
  port.SetOpen(true);
  TApdBaseDispatcher* first = port.Dispatcher();
  bool stillRunningInside = false;
  bool fired = false;
  reader.action = [&] {
    if (fired) return;
    fired = true;
    port.SetOpen(false);
    // The dispatch thread is still in its send: the close waits for it.
    stillRunningInside = first->ThreadsRunning() && first->ClosePending();
    EXPECT_FALSE(port.Open());
    port.SetOpen(true);
  };
  ASSERT_TRUE(pty.Send("x"));
  ASSERT_TRUE(PumpFor([&] { return reader.calls == 1; }));
  EXPECT_TRUE(stillRunningInside);
  ASSERT_TRUE(PumpFor([&] { return port.Open(); }));
  EXPECT_EQ(port.Dispatcher()->LiveThreads(), 3);

  // The reopened port takes the device again and receives.
  ASSERT_TRUE(pty.Send("yz"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "xyz"; }));
}

TEST_F(PosixPortTest, AnOpenAfterAHandlerClosedThePortFindsItOpenWhenItReturns) {
  // As Start clicked right after a Stop that came during a notification: the close is still
  // finishing, and the caller reads the port's state at once.
  port.SetOpen(true);
  reader.action = [&] {
    if (reader.calls == 1) port.SetOpen(false);
  };
  ASSERT_TRUE(pty.Send("x"));
  ASSERT_TRUE(PumpFor([&] { return reader.calls == 1; }));
  ASSERT_EQ(port.PortState(), psShuttingDown);
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_FALSE(port.OpenPending());
  ASSERT_TRUE(pty.Send("yz"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "xyz"; })) << reader.seen;
}

// Installs a dispatcher factory for one test.
struct TFactoryScope : TSerialContextScope {
  explicit TFactoryScope(TDispatcherFactory f)
      : TSerialContextScope(
            Edited([&f](TSerialContext& c) { c.DispatcherFactory = std::move(f); })) {}
};

// A window whose message clicks Start, as a queued click would.
struct TStartClick {
  explicit TStartClick(TApdComPort& p) : port(p) {
    wnd = WndMsg().CreateWindow(TWndProc::Bind<&TStartClick::Proc>(this));
  }
  ~TStartClick() { WndMsg().DestroyWindow(wnd); }
  LRESULT Proc(HWND, UINT, WPARAM, LPARAM) {
    ++clicks;
    port.SetOpen(true);
    return 0;
  }
  TApdComPort& port;
  HWND wnd;
  int clicks = 0;
};

TEST_F(PosixPortTest, AStartClickedWhileTheThreadsStartWaitsUntilThePortIsOpen) {
  TStartClick click(port);
  WndMsg().PostMessage(click.wnd, WM_USER, 0, 0);
  int idleTurns = 0;
  WndMsg().SetIdleHook([&] {
    ++idleTurns;
    port.SetOpen(true);
  });
  port.SetOpen(true);
  WndMsg().SetIdleHook({});
  EXPECT_EQ(click.clicks, 0) << "a message was handled while the port opened";
  EXPECT_EQ(idleTurns, 0) << "toolkit events were handled while the port opened";
  ASSERT_TRUE(port.Open());
  TApdBaseDispatcher* opened = port.Dispatcher();

  ASSERT_TRUE(PumpFor([&] { return click.clicks == 1; }));
  EXPECT_EQ(port.Dispatcher(), opened);
  EXPECT_EQ(opened->LiveThreads(), 3);
  ASSERT_TRUE(pty.Send("ok"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "ok"; }));
}

TEST_F(PosixPortTest, AnExceptionInADeviceThreadIsShownAndThePortStillCloses) {
  ExpectDeviceThreadExceptionShown<TApdPosixDispatcher>(port);
}

speed_t SlaveSpeed(const TPty& pty) {
  termios t = pty.SlaveSettings();
  return cfgetospeed(&t);
}

TEST_F(PosixPortTest, BaudOnAnOpenPortReachesTheTerminalAndAnUnchangedLineIsNotWritten) {
  TFactoryScope counting([](TApdCustomComPort* owner) {
    return std::unique_ptr<TApdBaseDispatcher>(
        std::make_unique<TApdPosixDispatcher>(owner, CountingSetAttr));
  });
  port.SetBaud(9600);
  port.SetOpen(true);
  EXPECT_EQ(SlaveSpeed(pty), B9600);

  int writes = termiosWrites.load();
  port.SetBaud(38400);
  EXPECT_EQ(SlaveSpeed(pty), B38400);
  EXPECT_GT(termiosWrites.load(), writes);

  // The same four values again: nothing reaches the device.
  writes = termiosWrites.load();
  EXPECT_EQ(port.Dispatcher()->SetLine(38400, NOPARITY, 1, 8), 0);
  EXPECT_EQ(termiosWrites.load(), writes);
}

TEST_F(PosixPortTest, BusyAndMissingDevicesFailWithTheirCodes) {
  port.SetOpen(true);
  TApdComPort second;
  second.SetComNumber(kCom);
  second.SetPromptForPort(false);
  EXPECT_EQ(OpenFailure(second), ecAlreadyOpen) << "a second open of the same device succeeded";
  EXPECT_FALSE(second.Open());
  EXPECT_EQ(second.Dispatcher(), nullptr);

  TApdComPort missing;
  setenv("TARVOLIN_COM42", "/nonexistent/tarvolin-tty", 1);
  missing.SetComNumber(42);
  EXPECT_EQ(OpenFailure(missing), ecBadId) << "a device that does not exist was opened";
  unsetenv("TARVOLIN_COM42");
  EXPECT_FALSE(missing.Open());
}

// Waits without pumping, so that a message sent to the GUI thread would stay in the queue.
bool WaitUnpumped(const std::function<bool()>& done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done() && std::chrono::steady_clock::now() < end) WndMsg().WaitMessage(5);
  return done();
}

TEST_F(PosixPortTest, NoMessagesWithoutThresholdOrWithoutAnAssignedEvent) {
  port.SetAvailThreshold(0);
  port.SetOpen(true);
  ASSERT_TRUE(pty.Send("abc"));
  ASSERT_TRUE(WaitUnpumped([&] { return port.InputCount() == 3; }));
  WndMsg().WaitMessage(100);
  EXPECT_EQ(WndMsg().PendingCount(), 0u);
  port.SetOpen(false);

  port.SetAvailThreshold(1);
  port.SetOnTriggerAvail(nullptr);
  port.SetOpen(true);
  ASSERT_TRUE(pty.Send("def"));
  ASSERT_TRUE(WaitUnpumped([&] { return port.InputCount() == 3; }));
  WndMsg().WaitMessage(100);
  EXPECT_EQ(WndMsg().PendingCount(), 0u);
  EXPECT_EQ(reader.calls, 0);
}

TEST(PosixPortUnplug, ReadingsGoOnWhenTheDeviceComesBackAndTheWaitCostsNoCpu) {
  WndMsg().AttachGuiThread();
  TempDir dir;
  const std::filesystem::path link = dir.File("ttyInstrument");
  auto first = std::make_unique<TPty>();
  std::filesystem::create_symlink(first->SlavePath(), link);
  setenv("TARVOLIN_COM43", link.c_str(), 1);

  TApdComPort port;
  TReader reader(port);
  port.SetComNumber(43);
  port.SetBaud(4800);
  port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReader::Avail>(&reader));
  port.SetOpen(true);
  ASSERT_TRUE(first->Send("a"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "a"; }));
  EXPECT_FALSE(port.DeviceLost());

  first->Unplug();
  first.reset();
  auto* disp = dynamic_cast<TApdPosixDispatcher*>(port.Dispatcher());
  ASSERT_NE(disp, nullptr);
  ASSERT_TRUE(PumpFor([&] { return disp->Unplugged(); }));
  EXPECT_TRUE(port.DeviceLost());
  EXPECT_TRUE(port.Open()) << "capture goes on waiting";

  // The waiting process, measured over a second in which the test thread handles nothing.
  double cpu = ProcessCpuMs();
  auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  };
  while (elapsed() < 1000) WndMsg().WaitMessage(50);
  EXPECT_LT(ProcessCpuMs() - cpu, elapsed() * 0.01) << "more than 1 % of a core while waiting";
  EXPECT_EQ(port.InputCount(), 0u);
  // A setting changed meanwhile is what the returning device gets.
  port.SetBaud(9600);

  // The adapter comes back under the same name and sends at once.
  TPty second;
  std::filesystem::remove(link);
  std::filesystem::create_symlink(second.SlavePath(), link);
  ASSERT_TRUE(second.Send("b"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "ab"; }));
  EXPECT_FALSE(port.DeviceLost());
  EXPECT_EQ(port.DeviceReturns(), 1u);
  EXPECT_EQ(port.Dispatcher(), disp) << "the same open port";
  termios t = second.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B9600}) << "opened again with the port's settings";
  ASSERT_TRUE(second.Send("c"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "abc"; }));

  port.SetOpen(false);
  EXPECT_FALSE(port.DeviceLost());
  EXPECT_EQ(port.DeviceReturns(), 0u);
  unsetenv("TARVOLIN_COM43");
}

}  // namespace
