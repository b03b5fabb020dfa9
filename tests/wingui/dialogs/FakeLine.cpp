#include "tests/wingui/dialogs/FakeLine.h"

#include <string>

#include "serial/AdPort.h"
#include "serial/AwFactory.h"
#include "serial/SerialContext.h"
#include "tests/serial/support/FakeSerialClock.h"
#include "tests/support/AwFake.h"

struct TFakeLine::TState {
  TFakeSerialClock clock;
  TApdFakeDispatcher* disp = nullptr;
  TDispatcherFactory previous;
};

TFakeLine::TFakeLine() : state_(std::make_unique<TState>()) {
  WndMsg().AttachGuiThread();
  state_->previous = SetDispatcherFactory([state = state_.get()](TApdCustomComPort*) {
    auto d = std::make_unique<TApdFakeDispatcher>();
    state->disp = d.get();
    return std::unique_ptr<TApdBaseDispatcher>(std::move(d));
  });
}

TFakeLine::~TFakeLine() {
  SetDispatcherFactory(std::move(state_->previous));
}

void TFakeLine::SetLines(bool cts, bool dsr, bool dcd) {
  state_->disp->SetModemLines(
      static_cast<uint8_t>((cts ? msr_Cts : 0) | (dsr ? msr_Dsr : 0) | (dcd ? msr_Dcd : 0)));
  state_->disp->Step(ev_CTS | ev_DSR | ev_RLSD);
}

void TFakeLine::FramingError() {
  state_->disp->RaiseErrors(ce_FRAME);
  state_->disp->Step(ev_ERR);
}

void TFakeLine::Advance(int ticks) {
  state_->clock.Advance(static_cast<uint32_t>(ticks) * MsPerTick);
  state_->disp->TimerStep();
}

namespace {

struct FakePorts : IPortList {
  uint32_t ProbePort(int n) override { return n == 1 || n == 3 ? 0 : 2; }  // file not found
  std::string Describe(int n) override { return "COM" + std::to_string(n) + " = fake"; }
  std::string Name(int) override { return {}; }
};

}  // namespace

struct TFakePortLayer::TState {
  TDeviceLayerOf<TApdFakeDispatcher, FakePorts> layer;
  IDeviceLayer* previous = nullptr;
};

TFakePortLayer::TFakePortLayer() : state_(std::make_unique<TState>()) {
  state_->previous = SetDeviceLayer(&state_->layer);
}

TFakePortLayer::~TFakePortLayer() {
  SetDeviceLayer(state_->previous);
}
