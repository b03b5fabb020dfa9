// The port with a test thread in the role of the dispatch thread: its notifications are blocking
// sends that the GUI thread (the test's main thread) handles while it waits by pumping.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/serial/AdPortFixture.h"

namespace {

struct TReader : TObject {
  explicit TReader(TApdCustomComPort& p) : port(p) {}
  void Avail(TObject*, uint16_t count) {
    onGuiThread = onGuiThread && WndMsg().OnGuiThread();
    for (uint16_t i = 0; i < count; ++i) seen += port.ReadChar();
    if (seen.size() == 4) {
      port.SetOpen(false);
      port.SetOpen(true);
    }
  }
  TApdCustomComPort& port;
  std::string seen;
  bool onGuiThread = true;
};

}  // namespace

TEST_F(PortTest, ACloseInsideAHandlerCompletesOnceTheDispatchThreadHasLeft) {
  TReader reader(port);
  port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReader::Avail>(&reader));
  port.SetOpen(true);
  TTestDispatcher& first = Disp();
  first.EnterThread();
  std::atomic<bool> left{false};
  std::thread dispatch([&] {
    first.PushBytes("ab");
    first.Step();
    first.PushBytes("cd");
    first.Step();
    // The handler closed the port: the thread leaves and releases the dispatcher's buffers.
    first.LeaveThread();
    left = true;
    WndMsg().Wake();
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  WndMsg().PumpUntil([&] {
    return (left && created == 2 && port.PortState() == psOpen) ||
           std::chrono::steady_clock::now() > deadline;
  });
  dispatch.join();
  EXPECT_EQ(reader.seen, "abcd");
  EXPECT_TRUE(reader.onGuiThread);
  EXPECT_EQ(created, 2);
  EXPECT_TRUE(port.Open());
  port.SetOpen(false);
}
