#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "tests/serial/AdPortFixture.h"

namespace {

// Records every event of a port in the order raised, and reads what OnTriggerAvail announces.
struct TRecorder : TObject {
  explicit TRecorder(TApdCustomComPort& p) : port(p) {}

  void Trigger(TObject* cp, uint16_t msg, uint16_t handle, uint16_t data) {
    EXPECT_EQ(cp, &port);
    log.push_back(Format("Trigger %X %u %u", msg, handle, data));
  }
  void Avail(TObject*, uint16_t count) {
    log.push_back(Format("Avail %u", count));
    int n = toRead < 0 ? count : toRead;
    for (int i = 0; i < n; ++i) seen += port.ReadChar();
    if (action) action();
  }
  void Status(TObject*, uint16_t handle) { log.push_back(Format("Status %u", handle)); }
  void Timer(TObject*, uint16_t handle) { log.push_back(Format("Timer %u", handle)); }
  void LineError(TObject*, uint16_t error, bool lineBreak) {
    log.push_back(Format("LineError %u %d", error, lineBreak));
  }
  void ModemStatus(TObject*) { log.push_back("ModemStatus"); }
  void OutbuffFree(TObject*) { log.push_back("OutbuffFree"); }
  void Opened(TObject*) { log.push_back("OnPortOpen"); }
  void Closed(TObject*) { log.push_back("OnPortClose"); }
  void UserA(TObject*, bool opening) { log.push_back(opening ? "A open" : "A closed"); }
  void UserB(TObject*, TApdCallbackType kind) { log.push_back(Format("B %d", kind)); }
  void UserC(TObject*, bool opening) { log.push_back(opening ? "C open" : "C closed"); }
  LRESULT Window(HWND, UINT msg, WPARAM, LPARAM) {
    log.push_back(Format("Window %X", msg));
    return 0;
  }

  void AssignAll() {
    port.SetOnTrigger(TTriggerEvent::Bind<&TRecorder::Trigger>(this));
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TRecorder::Avail>(this));
    port.SetOnTriggerStatus(TTriggerStatusEvent::Bind<&TRecorder::Status>(this));
    port.SetOnTriggerTimer(TTriggerTimerEvent::Bind<&TRecorder::Timer>(this));
    port.SetOnTriggerLineError(TTriggerLineErrorEvent::Bind<&TRecorder::LineError>(this));
    port.SetOnTriggerModemStatus(TNotifyEvent::Bind<&TRecorder::ModemStatus>(this));
    port.SetOnTriggerOutbuffFree(TNotifyEvent::Bind<&TRecorder::OutbuffFree>(this));
  }

  TApdCustomComPort& port;
  std::vector<std::string> log;
  std::string seen;
  int toRead = -1;  // -1: everything announced
  std::function<void()> action;
};

using Log = std::vector<std::string>;

class PortEventTest : public PortTest {
 protected:
  // The port outlives the recorder its handlers are bound to.
  ~PortEventTest() override { port.SetOpen(false); }
  void OpenRecording() {
    rec.AssignAll();
    port.SetOpen(true);
    rec.log.clear();
  }
  TRecorder rec{port};
};

}  // namespace

TEST_F(PortEventTest, AvailRaisesOnTriggerFirstAndTheHandlerReadsTheBytes) {
  OpenRecording();
  Disp().PushBytes("ABC");
  Disp().Step();
  EXPECT_EQ(rec.log, (Log{"Trigger 7E01 3 3", "Avail 3"}));
  EXPECT_EQ(rec.seen, "ABC");
  EXPECT_EQ(port.InputCount(), 0u);
}

TEST_F(PortEventTest, BytesAHandlerLeavesAreAnnouncedAgainWithTheNextArrival) {
  OpenRecording();
  rec.toRead = 2;
  Disp().PushBytes("ABCDE");
  Disp().Step();
  EXPECT_EQ(rec.seen, "AB");
  EXPECT_EQ(port.InputCount(), 3u);
  Disp().Step();
  EXPECT_EQ(rec.log.size(), 2u);

  rec.toRead = -1;
  Disp().PushBytes("F");
  Disp().Step();
  EXPECT_EQ(rec.log.back(), "Avail 4");
  EXPECT_EQ(rec.seen, "ABCDEF");
}

TEST_F(PortEventTest, StatusTriggersRaiseTheirKindsEvent) {
  OpenRecording();
  int modem = port.CreateStatusTrigger(skModemLines);
  port.ArmStatusTrigger(modem, msr_Cts, true);
  Disp().SetModemLines(msr_Cts);
  Disp().Step(ev_CTS);
  EXPECT_EQ(rec.log,
            (Log{Format("Trigger 7E04 %d 0", modem), Format("Status %d", modem), "ModemStatus"}));

  // Only a break: it is read first, so the error code no longer reports it.
  rec.log.clear();
  int line = port.CreateStatusTrigger(skLineError);
  port.ArmStatusTrigger(line, 8, true);
  Disp().RaiseErrors(ce_BREAK);
  Disp().Step(ev_BREAK);
  EXPECT_EQ(rec.log,
            (Log{Format("Trigger 7E04 %d 0", line), Format("Status %d", line), "LineError 0 1"}));

  rec.log.clear();
  port.ArmStatusTrigger(line, 4, true);
  Disp().RaiseErrors(ce_FRAME);
  Disp().Step(ev_ERR);
  EXPECT_EQ(rec.log.back(), Format("LineError %d 0", lerFraming));

  rec.log.clear();
  int free = port.CreateStatusTrigger(skOutputFree);
  port.ArmStatusTrigger(free, 100, true);
  Disp().TimerStep();
  EXPECT_EQ(rec.log,
            (Log{Format("Trigger 7E04 %d 4096", free), Format("Status %d", free), "OutbuffFree"}));
}

TEST_F(PortEventTest, TimerTriggerRaisesOnTriggerThenOnTriggerTimer) {
  OpenRecording();
  int timer = port.CreateTimerTrigger();
  port.ArmTimerTrigger(timer, 2, true);
  Disp().TimerStep();
  EXPECT_TRUE(rec.log.empty());
  clock.Advance(3 * MsPerTick + 1);
  Disp().TimerStep();
  EXPECT_EQ(rec.log, (Log{Format("Trigger 7E03 %d 0", timer), Format("Timer %d", timer)}));
}

TEST_F(PortEventTest, NoMessagesWithoutAThresholdOrAnAssignedEvent) {
  OpenRecording();
  port.SetAvailThreshold(0);
  Disp().PushBytes("AB");
  Disp().Step();
  EXPECT_TRUE(rec.log.empty());
  EXPECT_EQ(port.InputCount(), 2u);

  // With none of the trigger events assigned the hidden window receives nothing at all.
  struct TCountingPort : TApdComPort {
    void RaiseTrigger(uint16_t, uint16_t, uint16_t) override { ++raised; }
    int raised = 0;
  } bare;
  bare.SetComNumber(4);
  bare.SetOpen(true);
  auto& d = dynamic_cast<TTestDispatcher&>(*bare.Dispatcher());
  d.PushBytes("AB");
  d.Step();
  EXPECT_EQ(bare.raised, 0);
  bare.SetOnTriggerTimer(TTriggerTimerEvent::Bind<&TRecorder::Timer>(&rec));
  d.PushBytes("C");
  d.Step();
  EXPECT_EQ(bare.raised, 1);
  bare.SetOnTriggerTimer(nullptr);
  d.PushBytes("D");
  d.Step();
  EXPECT_EQ(bare.raised, 1);
}

TEST_F(PortEventTest, AHandlerExceptionIsShownAndDispatchGoesOn) {
  OpenRecording();
  rec.action = [] { throw std::runtime_error("handler failed"); };
  Disp().PushBytes("A");
  Disp().Step();
  EXPECT_EQ(shown, (std::vector<std::string>{"handler failed"}));
  EXPECT_EQ(rec.seen, "A");
  EXPECT_EQ(port.InputCount(), 0u);

  rec.action = [] { throw 7; };
  Disp().PushBytes("B");
  Disp().Step();
  EXPECT_EQ(shown.back(), "Unknown exception");
}

TEST_F(PortEventTest, ACloseInsideTheHandlerCompletesAfterTheDispatchThreadLeft) {
  OpenRecording();
  port.SetOnPortClose(TNotifyEvent::Bind<&TRecorder::Closed>(&rec));
  rec.toRead = 1;
  rec.action = [this] {
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.PortState(), psShuttingDown);
  };
  Disp().PushBytes("XY");
  Disp().Step();
  EXPECT_EQ(rec.seen, "X");
  // The handler has returned; the dispatcher still exists until its threads have gone.
  EXPECT_EQ(port.PortState(), psShuttingDown);
  ASSERT_NE(port.Dispatcher(), nullptr);
  EXPECT_TRUE(Disp().ClosePending());
  EXPECT_EQ(Disp().CallCount("CloseDevice"), 1);
  EXPECT_NE(std::find(rec.log.begin(), rec.log.end(), "OnPortClose"), rec.log.end());

  Disp().DispatchThreadExit();
  Pump();
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_EQ(port.ComWindow(), 0u);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(rec.log.back(), "Trigger 7E0A 0 0");
}

TEST_F(PortEventTest, AnOpenAskedForDuringTheDeferredCloseFollowsIt) {
  OpenRecording();
  bool closed = false;
  rec.action = [this, &closed] {
    if (std::exchange(closed, true)) return;
    port.SetOpen(false);
    port.SetOpen(true);
    EXPECT_TRUE(port.OpenPending());
    EXPECT_EQ(created, 1);
  };
  Disp().PushBytes("Z");
  Disp().Step();
  EXPECT_EQ(created, 1);

  Disp().DispatchThreadExit();
  Pump();
  EXPECT_EQ(created, 2);
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_TRUE(port.Open());
  EXPECT_FALSE(port.OpenPending());

  // The new dispatcher announces to the same handlers.
  Disp().PushBytes("Q");
  Disp().Step();
  EXPECT_EQ(rec.seen, "ZQ");
}

TEST_F(PortEventTest, PortUsersAreToldFromLastToFirst) {
  HWND window = WndMsg().CreateWindow(TWndProc::Bind<&TRecorder::Window>(&rec));
  port.SetOnPortOpen(TNotifyEvent::Bind<&TRecorder::Opened>(&rec));
  port.SetOnPortClose(TNotifyEvent::Bind<&TRecorder::Closed>(&rec));
  auto a = TPortCallback::Bind<&TRecorder::UserA>(&rec);
  port.AddPortUser(a);
  port.AddPortUserEx(TPortCallbackEx::Bind<&TRecorder::UserB>(&rec));
  port.AddPortUser(TPortCallback::Bind<&TRecorder::UserC>(&rec));
  port.AddPortUserWindow(window, true);
  port.AddPortUser(a);

  port.SetOpen(true);
  EXPECT_EQ(rec.log, (Log{"A open", "Window 7E08", "C open", "B 0", "A open", "OnPortOpen"}));
  rec.log.clear();
  port.SetOpen(false);
  EXPECT_EQ(rec.log, (Log{"Window 7E0A", "B 1", "A closed", "Window 7E09", "C closed", "B 2",
                          "A closed", "OnPortClose"}));

  // Removing a callback removes every record of it, and only those.
  port.RemovePortUser(a);
  port.RemovePortUserWindow(window);
  rec.log.clear();
  port.SetOpen(true);
  EXPECT_EQ(rec.log, (Log{"C open", "B 0", "OnPortOpen"}));
  WndMsg().DestroyWindow(window);
}

TEST_F(PortEventTest, AnOpenAskedForWhileClosingWithoutAHandlerFollowsTheClose) {
  struct TReopener : TObject {
    void User(TObject* p, TApdCallbackType kind) {
      if (kind == ctClosing && once) {
        once = false;
        static_cast<TApdCustomComPort*>(p)->SetOpen(true);
      }
    }
    bool once = true;
  } reopener;
  port.AddPortUserEx(TPortCallbackEx::Bind<&TReopener::User>(&reopener));
  port.SetOpen(true);
  port.SetOpen(false);
  EXPECT_EQ(created, 2);
  EXPECT_TRUE(port.Open());
  EXPECT_FALSE(port.OpenPending());

  // Nothing is left over to reopen the port after the next close.
  port.SetOpen(false);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(created, 2);
}
