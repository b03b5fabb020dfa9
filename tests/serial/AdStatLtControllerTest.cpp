#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "serial/AdErrCodes.h"
#include "serial/AdExcept.h"
#include "serial/AdStatLt.h"
#include "tests/serial/AdPortFixture.h"

namespace {

class TFakeLamp : public TApdLamp {
 public:
  bool Lit() const override { return lit; }
  void SetLit(bool on) override {
    lit = on;
    ++switches;
  }
  bool lit = false;
  int switches = 0;
};

// The port's own handlers, recording what the lamps showed when they ran.
struct TPortHandlers : TObject {
  void Avail(TObject*, uint16_t count) {
    counts.push_back(count);
    rxdLitWhenCalled = rxd && rxd->Lit();
  }
  void Status(TObject*, uint16_t handle) { statuses.push_back(handle); }
  void Timer(TObject*, uint16_t handle) { timers.push_back(handle); }

  TTriggerAvailEvent AvailEvent() { return TTriggerAvailEvent::Bind<&TPortHandlers::Avail>(this); }
  TTriggerStatusEvent StatusEvent() {
    return TTriggerStatusEvent::Bind<&TPortHandlers::Status>(this);
  }
  TTriggerTimerEvent TimerEvent() { return TTriggerTimerEvent::Bind<&TPortHandlers::Timer>(this); }

  std::vector<uint16_t> counts, statuses, timers;
  const TFakeLamp* rxd = nullptr;
  bool rxdLitWhenCalled = false;
};

class ControllerTest : public PortTest {
 protected:
  ControllerTest() {
    controller.SetComPort(&port);
    port.SetOnTriggerAvail(own.AvailEvent());
    port.SetOnTriggerStatus(own.StatusEvent());
    port.SetOnTriggerTimer(own.TimerEvent());
    own.rxd = &rxd;
  }
  ~ControllerTest() override { EXPECT_TRUE(shown.empty()) << shown.front(); }

  void AssignAll() {
    TLightSet& set = controller.Lights();
    set.SetCTSLight(&cts);
    set.SetDSRLight(&dsr);
    set.SetDCDLight(&dcd);
    set.SetRINGLight(&ring);
    set.SetTXDLight(&txd);
    set.SetRXDLight(&rxd);
    set.SetERRORLight(&error);
    set.SetBREAKLight(&brk);
  }
  bool AnyLit() const {
    for (const TFakeLamp* l : {&cts, &dsr, &dcd, &ring, &txd, &rxd, &error, &brk})
      if (l->lit) return true;
    return false;
  }
  // Lets `ticks` timer ticks pass and runs the dispatcher's timer step.
  void PassTicks(uint32_t ticks) {
    clock.Advance(ticks * MsPerTick);
    Disp().TimerStep();
  }
  void LineError(uint32_t flags) {
    Disp().RaiseErrors(flags);
    Disp().Step(ev_ERR);
  }

  TFakeLamp cts, dsr, dcd, ring, txd, rxd, error, brk;
  TPortHandlers own;
  TApdSLController controller;
};

TEST(ControllerDefaults, TakesTheFirstPortOfItsOwnerAndTheStandardHoldTimes) {
  TComponent form(nullptr);
  auto* other = new TComponent(&form);
  auto* first = new TApdComPort(&form);
  new TApdComPort(&form);
  auto* controller = new TApdSLController(&form);
  EXPECT_EQ(controller->ComPort(), first);
  EXPECT_EQ(controller->ErrorOffTimeout(), 36);
  EXPECT_EQ(controller->BreakOffTimeout(), 36);
  EXPECT_EQ(controller->RXDOffTimeout(), 1);
  EXPECT_EQ(controller->TXDOffTimeout(), 1);
  EXPECT_EQ(controller->RingOffTimeout(), 8);
  EXPECT_FALSE(controller->Monitoring());
  EXPECT_EQ(controller->Version(), "v4.03");
  for (int i = 0; i < TLightSet::LightCount; ++i) EXPECT_EQ(controller->Lights().Light(i), nullptr);

  // Freeing the watched port leaves the controller without one; a finished port that joins the
  // owner afterwards is taken.
  delete first;
  EXPECT_EQ(controller->ComPort(), nullptr);
  auto* later = new TApdComPort(nullptr);
  form.InsertComponent(later);
  EXPECT_EQ(controller->ComPort(), later);
  EXPECT_EQ(later->PortUsers().size(), 1u);
  delete other;
}

TEST(ControllerDefaults, ALightSetForgetsADestroyedLamp) {
  TLightSet set;
  auto lamp = std::make_unique<TFakeLamp>();
  set.SetERRORLight(lamp.get());
  TLightSet copy = set;
  EXPECT_EQ(copy.Light(TLightSet::ErrorIndex), lamp.get());
  lamp.reset();
  EXPECT_EQ(set.ERRORLight(), nullptr);
  EXPECT_EQ(copy.ERRORLight(), nullptr);
}

TEST_F(ControllerTest, WithoutAPortMonitoringRaises1005) {
  TApdSLController lonely;
  EXPECT_EQ(CodeOf([&] { lonely.SetMonitoring(true); }), ecPortNotAssigned);
  EXPECT_THROW(lonely.SetMonitoring(true), EPortNotAssigned);
  EXPECT_FALSE(lonely.Monitoring());

  // Taking the port away while watching is refused the same way.
  controller.SetMonitoring(true);
  EXPECT_EQ(CodeOf([&] { controller.SetComPort(nullptr); }), ecPortNotAssigned);
  EXPECT_EQ(controller.ComPort(), nullptr);
}

TEST_F(ControllerTest, WatchesWhileOpenStopsOnCloseAndResumesOnReopen) {
  AssignAll();
  controller.SetMonitoring(true);
  EXPECT_FALSE(controller.Monitoring()) << "the port is closed";
  EXPECT_TRUE(controller.MonitoringWanted());
  EXPECT_FALSE(AnyLit());
  EXPECT_EQ(created, 0) << "a closed port is not opened for the lamps";

  configure = [](TTestDispatcher& d) { d.SetModemLines(msr_Dsr); };
  port.SetOpen(true);
  ASSERT_TRUE(controller.Monitoring());
  EXPECT_TRUE(dsr.lit) << "levels are shown as soon as watching starts";
  EXPECT_FALSE(cts.lit);
  EXPECT_EQ(Disp().StatusTriggers().size(), 4u) << "modem, error, break, sent data";
  EXPECT_EQ(Disp().TimerTriggers().size(), 5u);

  Disp().SetModemLines(msr_Cts | msr_Dcd);
  Disp().Step(ev_CTS | ev_DSR | ev_RLSD);
  EXPECT_TRUE(cts.lit);
  EXPECT_TRUE(dcd.lit);
  EXPECT_FALSE(dsr.lit);
  EXPECT_EQ(own.statuses.size(), 1u) << "the port's own status handler runs too";
  Disp().SetModemLines(msr_Dcd);
  Disp().Step(ev_CTS);
  EXPECT_FALSE(cts.lit) << "the modem trigger was armed again";

  port.SetOpen(false);
  EXPECT_FALSE(controller.Monitoring());
  EXPECT_TRUE(controller.MonitoringWanted());
  EXPECT_FALSE(AnyLit());
  EXPECT_EQ(port.OnTriggerStatus(), own.StatusEvent());

  port.SetOpen(true);
  EXPECT_TRUE(controller.Monitoring());
  EXPECT_TRUE(dsr.lit);
  Disp().PushBytes("x");
  Disp().Step();
  EXPECT_TRUE(rxd.lit);
  EXPECT_EQ(own.counts, std::vector<uint16_t>{1});
}

TEST_F(ControllerTest, TheOpenCloseCallbackIsRegisteredOncePerPort) {
  AssignAll();
  controller.SetComPort(&port);
  controller.BeginLoading();
  controller.EndLoading();
  EXPECT_EQ(port.PortUsers().size(), 1u);

  // With a second registration the second close report would record "not wanted".
  controller.SetMonitoring(true);
  port.SetOpen(true);
  port.SetOpen(false);
  port.SetOpen(true);
  EXPECT_TRUE(controller.Monitoring());

  TApdComPort other;
  controller.SetComPort(&other);
  EXPECT_TRUE(port.PortUsers().empty());
  EXPECT_EQ(other.PortUsers().size(), 1u);
  EXPECT_EQ(port.OnTriggerAvail(), own.AvailEvent()) << "the old port got its handler back";
  EXPECT_FALSE(controller.Monitoring());
  EXPECT_TRUE(controller.MonitoringWanted()) << "the new port is closed";
}

TEST_F(ControllerTest, OnlyTheReceiveLampAllocatesOnlyItsTimer) {
  controller.Lights().SetRXDLight(&rxd);
  controller.SetRXDOffTimeout(3);
  port.SetOpen(true);
  controller.SetMonitoring(true);
  EXPECT_TRUE(Disp().StatusTriggers().empty());
  ASSERT_EQ(Disp().TimerTriggers().size(), 1u);

  Disp().PushBytes("12.5 g\r\n");
  Disp().Step();
  EXPECT_TRUE(rxd.lit);
  EXPECT_EQ(own.counts, std::vector<uint16_t>{8});
  EXPECT_TRUE(own.rxdLitWhenCalled) << "the port's own handler runs after the controller's";
  EXPECT_EQ(port.InputCount(), 8u) << "nobody read; the lamp waits for an empty buffer";

  PassTicks(4);
  EXPECT_TRUE(rxd.lit);
  while (port.InputCount() > 0) port.ReadChar();
  PassTicks(4);
  EXPECT_FALSE(rxd.lit);
  EXPECT_EQ(own.timers.size(), 2u) << "the port's own timer handler is chained";

  controller.SetMonitoring(false);
  EXPECT_EQ(port.OnTriggerAvail(), own.AvailEvent());
  EXPECT_EQ(port.OnTriggerTimer(), own.TimerEvent());
  EXPECT_TRUE(Disp().TimerTriggers().empty());
}

TEST_F(ControllerTest, ALineErrorLightsOnceForItsHoldTime) {
  controller.Lights().SetERRORLight(&error);
  controller.Lights().SetBREAKLight(&brk);
  controller.SetErrorOffTimeout(8);
  port.SetOpen(true);
  controller.SetMonitoring(true);

  LineError(ce_FRAME);
  EXPECT_TRUE(error.lit);
  EXPECT_FALSE(brk.lit);
  EXPECT_EQ(port.LastLineError(), 0) << "the controller read and cleared the error";
  const int switches = error.switches;

  LineError(ce_RXPARITY);
  EXPECT_EQ(error.switches, switches) << "no second flash during the hold time";
  EXPECT_EQ(own.statuses.size(), 1u);

  PassTicks(5);
  EXPECT_TRUE(error.lit);
  PassTicks(5);
  EXPECT_TRUE(error.lit) << "the parity error was still pending when the trigger was re-armed";
  EXPECT_EQ(error.switches, switches + 2);
  PassTicks(10);
  EXPECT_FALSE(error.lit);
  LineError(ce_OVERRUN);
  EXPECT_TRUE(error.lit) << "armed again after the hold time";

  LineError(ce_BREAK);
  EXPECT_TRUE(brk.lit);
  EXPECT_FALSE(port.BreakReceived());
}

TEST_F(ControllerTest, AFailedStartGivesEverythingBack) {
  controller.Lights().SetERRORLight(&error);
  port.SetOpen(true);
  // Fill every trigger slot but one: the error trigger fits, its timer does not.
  std::vector<int> fillers;
  try {
    for (;;) fillers.push_back(port.CreateTimerTrigger());
  } catch (const ENoMoreTriggers&) {
  }
  port.DeleteTrigger(fillers.back());

  EXPECT_EQ(CodeOf([&] { controller.SetMonitoring(true); }), ecNoMoreTriggers);
  EXPECT_FALSE(controller.Monitoring());
  EXPECT_EQ(port.OnTriggerAvail(), own.AvailEvent());
  EXPECT_TRUE(Disp().StatusTriggers().empty()) << "the error trigger was deleted again";

  Disp().PushBytes("a");
  Disp().Step();
  EXPECT_EQ(own.counts.size(), 1u) << "data still reaches the port's own handler";
}

TEST_F(ControllerTest, HidingWhileThePortIsClosedDropsTheWish) {
  AssignAll();
  controller.SetMonitoring(true);
  controller.SetMonitoring(false);
  EXPECT_FALSE(controller.MonitoringWanted());
  port.SetOpen(true);
  EXPECT_FALSE(controller.Monitoring());
  EXPECT_EQ(port.OnTriggerAvail(), own.AvailEvent());
}

}  // namespace
