// The port component on the Win32 device layer under Wine, on COM1 linked to the instrument's
// COM2 through pseudo-terminals: the test plays the instrument and the GUI thread, which pumps
// the window messages.
#include <gtest/gtest.h>


#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "serial/AdErrCodes.h"
#include "serial/AdPort.h"
#include "serial/AwWin32.h"
#include "tests/support/PortReader.h"
#include "tests/win32/support/Instrument.h"
#include "tests/win32/support/PluggablePort.h"

namespace {

// The ports run on the Win32 device layer, as the program installs it.
const TSerialContextScope kDeviceLayer(TSerialContextScope::Edited([](TSerialContext& c) {
  c.DeviceLayer = &Win32DeviceLayer();
}));

// Counts the modem-status events besides reading.
struct TReader : TPortReader {
  using TPortReader::TPortReader;
  void Modem(TObject*) { ++modemEvents; }
  int modemEvents = 0;
};

class Win32SerialTest : public ::testing::Test {
 protected:
  Win32SerialTest() : reader(port) {
    WndMsg().AttachGuiThread();
    port.SetComNumber(static_cast<uint16_t>(PortUnderTest()));
    port.SetPromptForPort(false);
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReader::Avail>(&reader));
  }
  void SetUp() override {
    if (std::string reason = SerialSkipReason(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(instrument.Ok());
  }
  ~Win32SerialTest() override {
    port.SetOpen(false);
    PumpFor([this] { return port.PortState() == psClosed; });
  }

  // Sends `bytes` and then a marker, and waits for both: what came before the marker came once.
  void SendAndSettle(const std::string& bytes, const std::string& expectedSeen) {
    ASSERT_TRUE(instrument.Send(bytes + "#"));
    ASSERT_TRUE(PumpFor([&] { return reader.seen.ends_with('#'); }))
        << reader.seen.size() << " bytes: " << reader.seen.substr(0, 200);
    EXPECT_EQ(reader.seen, expectedSeen + "#");
    reader.seen.clear();
  }

  TInstrument instrument;
  TApdComPort port;
  TReader reader;
};

TEST_F(Win32SerialTest, BalanceLineArrivesOnceAndInOrderAndReopeningWorks) {
  port.SetOpen(true);
  ASSERT_NE(dynamic_cast<TApdWin32Dispatcher*>(port.Dispatcher()), nullptr);
  EXPECT_EQ(port.Dispatcher()->LiveThreads(), 3);
  SendAndSettle("+   12.345 g\r\n", "+   12.345 g\r\n");

  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), psClosed);
  port.SetOpen(true);
  SendAndSettle("+    0.002 g\r\n", "+    0.002 g\r\n");
}

TEST_F(Win32SerialTest, OneMegabyteAtFullSpeedArrivesExactlyOnce) {
  port.SetBaud(115200);
  port.SetOpen(true);
  std::string data(1 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  std::thread writer([&] { instrument.Send(data); });
  bool all = PumpFor([&] { return reader.seen.size() >= data.size(); }, std::chrono::minutes(2));
  writer.join();
  // A driver busy at full speed is not a lost device.
  EXPECT_FALSE(port.DeviceLost());
  EXPECT_EQ(port.DeviceReturns(), 0u);
  ASSERT_TRUE(all) << reader.seen.size() << " bytes";
  ASSERT_EQ(reader.seen.size(), data.size());
  EXPECT_TRUE(reader.seen == data)
      << "at " << std::mismatch(data.begin(), data.end(), reader.seen.begin()).first - data.begin();
  reader.seen.clear();
  SendAndSettle("", "");
}

TEST_F(Win32SerialTest, CloseInsideTheHandlerCompletesAfterItAndTheReopenedPortReceives) {
  port.SetOpen(true);
  TApdBaseDispatcher* first = port.Dispatcher();
  bool deferred = false;
  bool fired = false;
  reader.action = [&] {
    if (fired) return;
    fired = true;
    port.SetOpen(false);
    // The dispatch thread is still in its send: the release waits for it.
    deferred = first->ThreadsRunning() && first->ClosePending();
    port.SetOpen(true);
  };
  ASSERT_TRUE(instrument.Send("x"));
  ASSERT_TRUE(PumpFor([&] { return reader.calls == 1; }));
  EXPECT_TRUE(deferred);
  ASSERT_TRUE(PumpFor([&] { return port.Open() && port.Dispatcher()->LiveThreads() == 3; }));
  SendAndSettle("yz", "xyz");
}

TEST_F(Win32SerialTest, MissingComNumberIsBadId) {
  port.SetComNumber(199);
  EXPECT_EQ(OpenFailure(port), ecBadId) << "opened a port that does not exist";
  EXPECT_FALSE(port.Open());
}

TEST_F(Win32SerialTest, PortListTakesTheSystemsListAndOpensOnlyWhatItNames) {
  std::unique_ptr<IPortList> ports = Win32DeviceLayer().Ports();
  EXPECT_EQ(ports->ProbePort(PortUnderTest()), 0u);
  // The instrument's port is held by this test (Wine's opens are not exclusive).
  EXPECT_TRUE(PortExists(InstrumentPort(), [&](int n) { return ports->ProbePort(n); }));
  EXPECT_EQ(
      ports->Describe(PortUnderTest()).rfind("COM" + std::to_string(PortUnderTest()) + " = ", 0),
      0u)
      << ports->Describe(PortUnderTest());
  EXPECT_EQ(ports->ProbePort(199), 2u);
  EXPECT_TRUE(PortExists(PortUnderTest(), [&](int n) { return ports->ProbePort(n); }));
  // The existence test itself opens and closes: a port opened after it opens as usual.
  EXPECT_EQ(TApdWin32Dispatcher::ProbePort(PortUnderTest()), 0u);
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
}

TEST_F(Win32SerialTest, LineSettingsReachTheDevice) {
  port.SetBaud(4800);
  port.SetOpen(true);
  int32_t baud = 0;
  uint8_t parity = 0;
  uint16_t dataBits = 0, stopBits = 0;
  port.Dispatcher()->GetLine(baud, parity, dataBits, stopBits);
  EXPECT_EQ(baud, 4800);
  port.SetBaud(19200);
  port.Dispatcher()->GetLine(baud, parity, dataBits, stopBits);
  EXPECT_EQ(baud, 19200);
}

TEST_F(Win32SerialTest, ModemLinesAndDtrTravelThroughTheDriver) {
  if (!TInstrument::LinesPlayable()) GTEST_SKIP() << "the instrument's lines are not playable here";
  TInstrument::SetLines(0);
  port.SetOnTriggerModemStatus(TNotifyEvent::Bind<&TReader::Modem>(&reader));
  port.SetDTR(true);
  port.SetOpen(true);
  EXPECT_FALSE(port.CtsOn());
  EXPECT_NE(TInstrument::PortOutputLines() & kTiocmDtr, 0u);
  port.ArmStatusTrigger(port.CreateStatusTrigger(skModemLines), msr_Cts | msr_Dsr, true);

  TInstrument::SetLines(kTiocmCts | kTiocmDsr);
  ASSERT_TRUE(PumpFor([&] { return reader.modemEvents > 0; }));
  EXPECT_TRUE(port.CtsOn());
  EXPECT_TRUE(port.DsrOn());

  port.SetDTR(false);
  EXPECT_EQ(TInstrument::PortOutputLines() & kTiocmDtr, 0u);
  TInstrument::SetLines(0);
}

// The serial suite's own pair is COM5; its waits keep the port's messages flowing.
constexpr int kPluggableCom = 5;

TEST_F(Win32SerialTest, PulledPtyIsLostOnceAndReadingResumesWhenItIsBack) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix == nullptr || !TInstrument::LinesPlayable())
    GTEST_SKIP() << "only under the test command";
  TPluggablePort pty(prefix, "unplug", kPluggableCom,
                     [](const std::function<bool()>& done, std::chrono::milliseconds timeout) {
                       return PumpFor(done, timeout);
                     });
  ASSERT_TRUE(pty.PlugIn());
  port.SetComNumber(kPluggableCom);
  port.SetOpen(true);
  ASSERT_TRUE(pty.Send("1#"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "1#"; })) << reader.seen;

  ASSERT_TRUE(pty.Unplug());
  ASSERT_TRUE(PumpFor([&] { return port.DeviceLost(); }, std::chrono::seconds(10)))
      << "threads " << port.Dispatcher()->LiveThreads();
  ASSERT_TRUE(pty.PlugIn());
  ASSERT_TRUE(PumpFor([&] { return port.DeviceReturns() == 1; }, std::chrono::seconds(10)));
  EXPECT_FALSE(port.DeviceLost());
  ASSERT_TRUE(pty.Send("2#"));
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "1#2#"; })) << reader.seen;
}

// The output thread hands the output ring to the driver with overlapped writes.
struct TWritingDispatcher : TApdWin32Dispatcher {
  using TApdWin32Dispatcher::TApdWin32Dispatcher;
  using TApdWin32Dispatcher::WriteDevice;
};

TEST_F(Win32SerialTest, OutputRingReachesTheInstrumentInOrder) {
  TWritingDispatcher d(nullptr);
  std::string name = "\\\\.\\COM" + std::to_string(PortUnderTest());
  ASSERT_EQ(d.OpenDevicePort(name, 115200, 0, 8, 1, 4096, 4096, ooDtr | ooRts), ecOK);
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + " of the output\r\n";
  size_t sent = 0;
  while (sent < text.size()) {
    int n = d.WriteDevice(text.data() + sent, static_cast<uint32_t>(text.size() - sent));
    sent += static_cast<size_t>(n);
    if (n == 0) std::this_thread::yield();
  }
  EXPECT_EQ(instrument.Receive(text.size(), 5000), text);
  d.CloseDevicePort();
}

}  // namespace
