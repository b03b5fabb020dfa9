// What termios lacks, done by the POSIX device layer: the DTR receive handshake, the DSR output
// flow and the RTS toggle, on pseudo-terminals with and without (simulated) modem lines; and
// line settings the device refuses.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/AdErrCodes.h"
#include "serial/AdExcept.h"
#include "serial/AdPort.h"
#include "serial/AwFactory.h"
#include "serial/AwPosix.h"
#include "tests/serial/support/PosixHarness.h"
#include "tests/serial/support/Pty.h"

namespace {

// Modem lines behind a pseudo-terminal: the device layer's TIOCMGET/TIOCMBIS/TIOCMBIC land here.
struct TFakeLines {
  std::mutex lock;
  int levels = 0;
  int reads = 0;
  std::vector<std::string> changes;  // "+DTR", "-RTS", in order

  bool High(int line) {
    std::lock_guard guard(lock);
    return (levels & line) != 0;
  }
  void Set(int line, bool on) {
    std::lock_guard guard(lock);
    levels = on ? levels | line : levels & ~line;
  }
  int Reads() {
    std::lock_guard guard(lock);
    return reads;
  }
  std::vector<std::string> Changes() {
    std::lock_guard guard(lock);
    return changes;
  }
  void ClearChanges() {
    std::lock_guard guard(lock);
    changes.clear();
  }
};
TFakeLines fakeLines;

int FakeModem(int, unsigned long request, int* bits) {
  std::lock_guard guard(fakeLines.lock);
  auto name = [bits] { return std::string(*bits == TIOCM_DTR ? "DTR" : "RTS"); };
  switch (request) {
    case TIOCMGET:
      ++fakeLines.reads;
      *bits = fakeLines.levels;
      return 0;
    case TIOCMBIS:
      fakeLines.levels |= *bits;
      fakeLines.changes.push_back("+" + name());
      return 0;
    case TIOCMBIC:
      fakeLines.levels &= ~*bits;
      fakeLines.changes.push_back("-" + name());
      return 0;
    default:
      errno = EINVAL;
      return -1;
  }
}

bool RefuseRate(int, uint32_t) {
  return false;
}

// The native dispatcher with device hooks and its output side open to the test (nothing in the
// program writes to a port).
class TProbeDispatcher : public TApdPosixDispatcher {
 public:
  using TApdPosixDispatcher::TApdPosixDispatcher;
  using TApdPosixDispatcher::WriteDevice;
};

class LineSignalsTest : public ::testing::Test {
 protected:
  LineSignalsTest() {
    WndMsg().AttachGuiThread();
    setenv("TARVOLIN_COM44", pty.SlavePath().c_str(), 1);
    {
      std::lock_guard guard(fakeLines.lock);
      fakeLines.levels = TIOCM_CTS | TIOCM_DSR;
      fakeLines.reads = 0;
    }
    fakeLines.ClearChanges();
    port.SetComNumber(44);
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&LineSignalsTest::Avail>(this));
  }
  ~LineSignalsTest() override {
    port.SetOpen(false);
    unsetenv("TARVOLIN_COM44");
  }
  void WithModemLines() { hooks.Modem = FakeModem; }
  TProbeDispatcher& Disp() { return dynamic_cast<TProbeDispatcher&>(*port.Dispatcher()); }
  // Leaves what arrives in the buffer, as a handler busy elsewhere would.
  void Avail(TObject*, uint16_t) { ++avails; }

  TPty pty;
  TSerialDevice::THooks hooks;
  TSerialContextScope context{TSerialContextScope::Edited([this](TSerialContext& c) {
    c.DispatcherFactory = [this](TApdCustomComPort* owner) {
      return std::unique_ptr<TApdBaseDispatcher>(std::make_unique<TProbeDispatcher>(owner, hooks));
    };
  })};
  TApdComPort port;
  int avails = 0;
};

TEST(ReceiveHandshake, DropsAboveBufferFullAndRisesBelowBufferResume) {
  struct Row {
    bool raised;
    uint32_t fill;
    bool expected;
  };
  // BufferFull 90, BufferResume 10.
  const Row rows[] = {{true, 0, true},    {true, 90, true},   {true, 91, false},
                      {false, 91, false}, {false, 10, false}, {false, 9, true}};
  for (const Row& r : rows)
    EXPECT_EQ(ReceiveHandshakeLevel(r.raised, r.fill, 90, 10), r.expected)
        << r.raised << " at " << r.fill;
}

TEST_F(LineSignalsTest, EveryHandshakeOfTheDialogOpensAndPassesData) {
  auto run = [this](const char* device) {
    for (uint32_t mask = 0; mask < 16; ++mask) {
      SCOPED_TRACE(std::string(device) + " options " + std::to_string(mask));
      port.SetHWFlowOptions(THWFlowOptionSet::FromMask(mask));
      ASSERT_NO_THROW(port.SetOpen(true));
      const std::string sent = "m" + std::to_string(mask);
      ASSERT_TRUE(pty.Send(sent));
      ASSERT_TRUE(PumpFor([&] { return port.InputCount() == sent.size(); }));
      for (char c : sent) EXPECT_EQ(port.ReadChar(), c);
      port.SetOpen(false);
    }
  };
  run("no modem lines");
  WithModemLines();
  run("modem lines");
}

TEST_F(LineSignalsTest, DtrDropsWhenTheUnreadBytesPassBufferFullAndRisesBelowBufferResume) {
  WithModemLines();
  port.SetInSize(100);
  port.SetHWFlowOptions({hwfUseDTR});
  EXPECT_EQ(port.BufferFull(), 90);
  EXPECT_EQ(port.BufferResume(), 10);
  port.SetOpen(true);
  EXPECT_TRUE(fakeLines.High(TIOCM_DTR));
  fakeLines.ClearChanges();

  ASSERT_TRUE(pty.Send(std::string(91, 'w')));
  ASSERT_TRUE(PumpFor([] { return !fakeLines.High(TIOCM_DTR); }));
  EXPECT_EQ(port.InputCount(), 91u);
  // The property stays: the line belongs to the handshake.
  EXPECT_TRUE(port.DTR());

  for (int i = 0; i < 82; ++i) port.ReadChar();
  ASSERT_TRUE(PumpFor([] { return fakeLines.High(TIOCM_DTR); }));
  EXPECT_EQ(port.InputCount(), 9u);
  EXPECT_EQ(fakeLines.Changes(), (std::vector<std::string>{"-DTR", "+DTR"}));
}

TEST_F(LineSignalsTest, OutputWaitsForDsr) {
  WithModemLines();
  fakeLines.Set(TIOCM_DSR, false);
  port.SetHWFlowOptions({hwfRequireDSR});
  port.SetOpen(true);
  ASSERT_EQ(Disp().WriteDevice("ok", 2), 2);
  EXPECT_EQ(pty.Receive(2, std::chrono::milliseconds(200)), std::nullopt) << "sent while DSR low";
  fakeLines.Set(TIOCM_DSR, true);
  EXPECT_EQ(pty.Receive(2), "ok");
}

TEST_F(LineSignalsTest, RtsIsRaisedAroundASendWhereTheDriverCannotToggleIt) {
  WithModemLines();
  port.SetRS485Mode(true);
  port.SetOpen(true);
  EXPECT_FALSE(fakeLines.High(TIOCM_RTS));
  fakeLines.ClearChanges();
  ASSERT_EQ(Disp().WriteDevice("485", 3), 3);
  EXPECT_EQ(pty.Receive(3), "485");
  ASSERT_TRUE(PumpFor([] { return fakeLines.Changes().size() == 2; }));
  EXPECT_EQ(fakeLines.Changes(), (std::vector<std::string>{"+RTS", "-RTS"}));
}

// The dispatch thread calls the device layer's virtual operations until it leaves: a port that
// goes while its close still waits for that thread must stop it before taking the dispatcher
// apart.
TEST_F(LineSignalsTest, APortGoneWhileItsCloseWaitsForTheDispatchThreadStopsItFirst) {
  port.SetOpen(true);
  ASSERT_TRUE(pty.Send("x"));
  // Without pumping, the dispatch thread stays in its notification.
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!port.Dispatcher()->Dispatching()) {
    ASSERT_LT(std::chrono::steady_clock::now(), end);
    std::this_thread::yield();
  }
  port.SetOpen(false);
  EXPECT_TRUE(port.Dispatcher() == nullptr || port.PortState() == psShuttingDown);
  // The fixture's port goes now, its close perhaps still waiting for the dispatch thread.
}

TEST_F(LineSignalsTest, ModemLinesArePolledOnlyWhileATriggerWaitsForThem) {
  WithModemLines();
  port.SetOpen(true);
  const int reads = fakeLines.Reads();
  PumpFor([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(fakeLines.Reads(), reads) << "nobody watches the lines";

  int trigger = port.CreateStatusTrigger(skModemLines);
  port.ArmStatusTrigger(trigger, msr_Cts, true);
  ASSERT_TRUE(PumpFor([&] { return fakeLines.Reads() > reads + 2; }));
  fakeLines.Set(TIOCM_CTS, false);
  EXPECT_TRUE(PumpFor([&] { return !port.Dispatcher()->StatusTriggers().at(0).Enabled; }))
      << "the change was not seen";
}

TEST_F(LineSignalsTest, ARateTheDriverRefusesIsReportedAndTheLineKeepsItsRate) {
  hooks.CustomBaud = RefuseRate;
  port.SetBaud(9600);
  port.SetOpen(true);
  try {
    port.SetBaud(250000);
    FAIL() << "refused rate reported as success";
  } catch (const EBaudRate& e) {
    EXPECT_EQ(e.ErrorCode, ecBaudRate);
  }
  termios t = pty.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B9600});
  EXPECT_EQ(Disp().LastBaud(), 9600u);
  port.SetOpen(false);
  EXPECT_THROW(port.SetOpen(true), EBaudRate);
  EXPECT_FALSE(port.Open());
}

}  // namespace
