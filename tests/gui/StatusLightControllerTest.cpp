#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

#include "gui/serial/AdStatLt.h"
#include "serial/AdStatLt.h"
#include "serial/AwFactory.h"
#include "tests/support/AwFake.h"
#include "tests/gui/support/QtTestSupport.h"
#include "tests/serial/support/FakeSerialClock.h"

namespace {

struct TReader : TObject {
  void Avail(TObject*, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) seen += port->ReadChar();
  }
  TApdComPort* port = nullptr;
  std::string seen;
};

// On-screen lamps switched by a controller on a simulated device.
class StatusLightControllerTest : public ::testing::Test {
 protected:
  StatusLightControllerTest() {
    WndMsg().AttachGuiThread();
    previous_ = SetDispatcherFactory([this](TApdCustomComPort*) {
      auto d = std::make_unique<TApdFakeDispatcher>();
      disp = d.get();
      return std::unique_ptr<TApdBaseDispatcher>(std::move(d));
    });
    port->SetComNumber(4);
    reader.port = port;
    port->SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TReader::Avail>(&reader));
    controller->Lights().SetCTSLight(&cts);
    controller->Lights().SetRXDLight(rxd);
  }
  ~StatusLightControllerTest() override { SetDispatcherFactory(std::move(previous_)); }

  QApplication& app = App();
  TFakeSerialClock clock;
  TApdFakeDispatcher* disp = nullptr;
  QWidget panel;
  TApdStatusLight cts{&panel};
  TApdStatusLight* rxd = new TApdStatusLight(&panel);
  TComponent form{nullptr};
  TApdComPort* port = new TApdComPort(&form);
  TApdSLController* controller = new TApdSLController(&form);
  TReader reader;

 private:
  TDispatcherFactory previous_;
};

TEST_F(StatusLightControllerTest, LampsRepaintOnlyWhenTheLineChanges) {
  EXPECT_EQ(controller->ComPort(), port);
  port->SetOpen(true);
  controller->SetMonitoring(true);
  const int before = cts.RepaintRequests();
  disp->SetModemLines(msr_Cts);
  disp->Step(ev_CTS);
  EXPECT_TRUE(cts.Lit());
  EXPECT_EQ(cts.RepaintRequests(), before + 1);
  disp->SetModemLines(msr_Cts | msr_Dsr);
  disp->Step(ev_DSR);
  EXPECT_EQ(cts.RepaintRequests(), before + 1) << "an unchanged level is not set again";

  port->SetOpen(false);
  EXPECT_FALSE(cts.Lit());
}

TEST_F(StatusLightControllerTest, ADestroyedLampIsDroppedWhileWatching) {
  port->SetOpen(true);
  controller->SetMonitoring(true);
  delete rxd;
  EXPECT_EQ(controller->Lights().RXDLight(), nullptr);
  disp->PushBytes("abc");
  disp->Step();
  EXPECT_EQ(reader.seen, "abc");
  clock.Advance(3 * MsPerTick);
  disp->TimerStep();

  // Freeing the port first leaves the controller without one and its lamps dark.
  delete port;
  EXPECT_EQ(controller->ComPort(), nullptr);
  EXPECT_FALSE(controller->Monitoring());
  EXPECT_FALSE(cts.Lit());
}

}  // namespace
