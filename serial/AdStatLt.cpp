#include "serial/AdStatLt.h"

#include <exception>

#include "serial/AdErrCodes.h"
#include "serial/AdExcept.h"

namespace {

// Values of the line-status triggers: overrun, parity and framing errors; a break.
constexpr uint16_t kLineErrors = 1 | 2 | 4;
constexpr uint16_t kLineBreak = 8;

}  // namespace

TApdCustomSLController::TApdCustomSLController(TComponent* owner) : TApdBaseComponent(owner) {
  if (!owner) return;
  for (TComponent* c : owner->Components()) {
    if (auto* port = dynamic_cast<TApdCustomComPort*>(c)) {
      SetComPort(port);
      break;
    }
  }
}

TApdCustomSLController::~TApdCustomSLController() {
  try {
    SetMonitoring(false);
  } catch (...) {
    // Nothing can be reported from a destructor; the port gets its handlers back regardless.
  }
  Unregister();
}

void TApdCustomSLController::SetComPort(TApdCustomComPort* port) {
  if (port == comPort_) {
    RegisterWith(port);
    return;
  }
  // A wish made while the old port was closed carries over like running monitoring.
  const bool wanted = monitoring_ || monitoringWanted_;
  Unregister();
  SetMonitoring(false);
  comPort_ = port;
  if (port) port->FreeNotification(this);
  RegisterWith(port);
  if (wanted) SetMonitoring(true);
}

void TApdCustomSLController::SetMonitoring(bool on) {
  if (IsDesigning() || IsLoading()) return;
  // Switching off also drops a wish made while the port was closed; otherwise a hidden dialog
  // would start watching at the next open.
  if (!on) monitoringWanted_ = false;
  if (on == monitoring_) return;
  if (!comPort_) RaiseOnErrorCode(this, ecPortNotAssigned);
  if (!comPort_->Open()) {
    monitoringWanted_ = on;
    if (on) return;
  }
  monitoring_ = on;
  if (on) {
    try {
      StartMonitor();
    } catch (...) {
      monitoring_ = false;
      UpdateLights();
      throw;
    }
  } else {
    try {
      StopMonitor();
    } catch (...) {
      UpdateLights();
      throw;
    }
  }
  UpdateLights();
}

void TApdCustomSLController::StartMonitor() {
  savedAvail_ = comPort_->OnTriggerAvail();
  savedStatus_ = comPort_->OnTriggerStatus();
  savedTimer_ = comPort_->OnTriggerTimer();
  comPort_->SetOnTriggerAvail(
      TTriggerAvailEvent::Bind<&TApdCustomSLController::AvailHandler>(this));
  comPort_->SetOnTriggerStatus(
      TTriggerStatusEvent::Bind<&TApdCustomSLController::StatusHandler>(this));
  comPort_->SetOnTriggerTimer(
      TTriggerTimerEvent::Bind<&TApdCustomSLController::TimerHandler>(this));

  modemMask_ = 0;
  modemTrigger_ = errorTrigger_ = breakTrigger_ = txdTrigger_ = 0;
  errorOffTimer_ = breakOffTimer_ = rxdOffTimer_ = txdOffTimer_ = ringOffTimer_ = 0;
  TApdCustomComPort& port = *comPort_;
  const bool modem = Assigned(TLightSet::CtsIndex) || Assigned(TLightSet::DsrIndex) ||
                     Assigned(TLightSet::DcdIndex) || Assigned(TLightSet::RingIndex);
  try {
    if (modem) {
      modemTrigger_ = port.CreateStatusTrigger(skModemLines);
      if (Assigned(TLightSet::RingIndex)) ringOffTimer_ = port.CreateTimerTrigger();
    }
    if (Assigned(TLightSet::ErrorIndex)) {
      errorTrigger_ = port.CreateStatusTrigger(skLineError);
      errorOffTimer_ = port.CreateTimerTrigger();
    }
    if (Assigned(TLightSet::BreakIndex)) {
      breakTrigger_ = port.CreateStatusTrigger(skLineError);
      breakOffTimer_ = port.CreateTimerTrigger();
    }
    if (Assigned(TLightSet::RxdIndex)) rxdOffTimer_ = port.CreateTimerTrigger();
    if (Assigned(TLightSet::TxdIndex)) {
      txdTrigger_ = port.CreateStatusTrigger(skOutputSent);
      txdOffTimer_ = port.CreateTimerTrigger();
    }

    if (Assigned(TLightSet::CtsIndex)) modemMask_ |= msr_Cts;
    if (Assigned(TLightSet::DsrIndex)) modemMask_ |= msr_Dsr;
    if (Assigned(TLightSet::DcdIndex)) modemMask_ |= msr_Dcd;
    if (Assigned(TLightSet::RingIndex)) modemMask_ |= msr_TrailingRing;

    if (modemTrigger_) port.ArmStatusTrigger(modemTrigger_, modemMask_, true);
    if (errorTrigger_) port.ArmStatusTrigger(errorTrigger_, kLineErrors, true);
    if (breakTrigger_) port.ArmStatusTrigger(breakTrigger_, kLineBreak, true);
    if (txdTrigger_) port.ArmStatusTrigger(txdTrigger_, 0, true);
  } catch (...) {
    // Undo everything, handlers included: a controller handler left in place without its
    // triggers would fail on every data event before the port's own handler ran.
    modemMask_ = 0;
    try {
      StopMonitor();
    } catch (...) {
      // The allocation error is the one worth reporting.
    }
    throw;
  }
}

void TApdCustomSLController::StopMonitor() {
  comPort_->SetOnTriggerAvail(savedAvail_);
  comPort_->SetOnTriggerStatus(savedStatus_);
  comPort_->SetOnTriggerTimer(savedTimer_);
  savedAvail_ = nullptr;
  savedStatus_ = nullptr;
  savedTimer_ = nullptr;
  DeleteTriggers();
}

void TApdCustomSLController::DeleteTriggers() {
  std::exception_ptr first;
  for (int32_t* handle :
       {&modemTrigger_, &ringOffTimer_, &errorTrigger_, &errorOffTimer_, &breakTrigger_,
        &breakOffTimer_, &rxdOffTimer_, &txdTrigger_, &txdOffTimer_}) {
    if (*handle != 0 && comPort_) {
      try {
        comPort_->DeleteTrigger(*handle);
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    }
    *handle = 0;
  }
  if (first) std::rethrow_exception(first);
}

void TApdCustomSLController::UpdateLights() {
  for (int i = 0; i < TLightSet::LightCount; ++i) SetLamp(i, false);
  if (comPort_ && monitoring_) {
    SetLamp(TLightSet::CtsIndex, comPort_->CtsOn());
    SetLamp(TLightSet::DsrIndex, comPort_->DsrOn());
    SetLamp(TLightSet::DcdIndex, comPort_->DcdOn());
  }
}

void TApdCustomSLController::SetLamp(int index, bool lit) {
  TApdLamp* lamp = lights_.Light(index);
  if (lamp && lamp->Lit() != lit) lamp->SetLit(lit);
}

void TApdCustomSLController::RegisterWith(TApdCustomComPort* port) {
  if (port == registeredWith_) return;
  Unregister();
  if (!port) return;
  port->AddPortUser(TPortCallback::Bind<&TApdCustomSLController::PortOpenClose>(this));
  registeredWith_ = port;
}

void TApdCustomSLController::Unregister() {
  if (!registeredWith_) return;
  registeredWith_->RemovePortUser(
      TPortCallback::Bind<&TApdCustomSLController::PortOpenClose>(this));
  registeredWith_ = nullptr;
}

void TApdCustomSLController::Loaded() {
  TApdBaseComponent::Loaded();
  RegisterWith(comPort_);
}

void TApdCustomSLController::Notification(TComponent* component, TOperation operation) {
  TApdBaseComponent::Notification(component, operation);
  if (component == this) return;
  if (operation == TOperation::opInsert) {
    // A port still under construction is not recognisable yet; only finished ones are taken.
    if (!comPort_)
      if (auto* port = dynamic_cast<TApdCustomComPort*>(component)) SetComPort(port);
    return;
  }
  if (component != comPort_) return;
  if (component->IsDestroying()) {
    // Only the component base is left: the port has already closed (and told us) and dropped
    // its user records, so nothing may be called on it.
    registeredWith_ = nullptr;
    comPort_ = nullptr;
    monitoring_ = false;
    monitoringWanted_ = false;
    UpdateLights();
    return;
  }
  Unregister();
  SetMonitoring(false);
  comPort_ = nullptr;
}

void TApdCustomSLController::PortOpenClose(TObject*, bool opening) {
  if (IsDesigning()) return;
  if (opening) {
    if (monitoringWanted_) {
      monitoringWanted_ = false;
      SetMonitoring(true);
    }
    return;
  }
  const bool was = monitoring_;
  SetMonitoring(false);
  monitoringWanted_ = was;
}

void TApdCustomSLController::AvailHandler(TObject* cp, uint16_t count) {
  // The chained handler reads the received data: it runs even when the lamp fails.
  std::exception_ptr lampError;
  try {
    TApdLamp* rxd = lights_.RXDLight();
    if (rxd && !rxd->Lit()) {
      rxd->SetLit(true);
      comPort_->ArmTimerTrigger(rxdOffTimer_, rxdOffTimeout_, true);
    }
  } catch (...) {
    lampError = std::current_exception();
  }
  TTriggerAvailEvent chained = savedAvail_;
  if (chained) chained(cp, count);
  if (lampError) std::rethrow_exception(lampError);
}

void TApdCustomSLController::StatusHandler(TObject* cp, uint16_t triggerHandle) {
  std::exception_ptr lampError;
  try {
    StatusLamps(triggerHandle);
  } catch (...) {
    lampError = std::current_exception();
  }
  TTriggerStatusEvent chained = savedStatus_;
  if (chained) chained(cp, triggerHandle);
  if (lampError) std::rethrow_exception(lampError);
}

void TApdCustomSLController::TimerHandler(TObject* cp, uint16_t triggerHandle) {
  std::exception_ptr lampError;
  try {
    TimerLamps(triggerHandle);
  } catch (...) {
    lampError = std::current_exception();
  }
  TTriggerTimerEvent chained = savedTimer_;
  if (chained) chained(cp, triggerHandle);
  if (lampError) std::rethrow_exception(lampError);
}

void TApdCustomSLController::StatusLamps(uint16_t h) {
  if (h == 0) return;
  TApdCustomComPort& port = *comPort_;
  if (h == modemTrigger_) {
    if (Assigned(TLightSet::DcdIndex)) SetLamp(TLightSet::DcdIndex, port.DcdOn());
    if (Assigned(TLightSet::CtsIndex)) SetLamp(TLightSet::CtsIndex, port.CtsOn());
    if (Assigned(TLightSet::DsrIndex)) SetLamp(TLightSet::DsrIndex, port.DsrOn());
    TApdLamp* ring = lights_.RINGLight();
    if (ring && port.RingTrailingEdge() && !ring->Lit()) {
      ring->SetLit(true);
      port.ArmTimerTrigger(ringOffTimer_, ringOffTimeout_, true);
    }
    port.ArmStatusTrigger(modemTrigger_, modemMask_, true);
  } else if (h == errorTrigger_) {
    SetLamp(TLightSet::ErrorIndex, true);
    port.ArmTimerTrigger(errorOffTimer_, errorOffTimeout_, true);
    port.LastLineError();
  } else if (h == breakTrigger_) {
    SetLamp(TLightSet::BreakIndex, true);
    port.ArmTimerTrigger(breakOffTimer_, breakOffTimeout_, true);
    port.BreakReceived();
  } else if (h == txdTrigger_) {
    SetLamp(TLightSet::TxdIndex, true);
    port.ArmTimerTrigger(txdOffTimer_, txdOffTimeout_, true);
  }
}

void TApdCustomSLController::TimerLamps(uint16_t h) {
  if (h == 0) return;
  TApdCustomComPort& port = *comPort_;
  if (h == errorOffTimer_) {
    SetLamp(TLightSet::ErrorIndex, false);
    port.ArmStatusTrigger(errorTrigger_, kLineErrors, true);
  } else if (h == breakOffTimer_) {
    SetLamp(TLightSet::BreakIndex, false);
    port.ArmStatusTrigger(breakTrigger_, kLineBreak, true);
  } else if (h == rxdOffTimer_) {
    if (port.InputCount() != 0)
      port.ArmTimerTrigger(rxdOffTimer_, rxdOffTimeout_, true);
    else
      SetLamp(TLightSet::RxdIndex, false);
  } else if (h == txdOffTimer_) {
    if (port.OutputCount() != 0) {
      port.ArmTimerTrigger(txdOffTimer_, txdOffTimeout_, true);
    } else {
      SetLamp(TLightSet::TxdIndex, false);
      port.ArmStatusTrigger(txdTrigger_, 0, true);
    }
  } else if (h == ringOffTimer_) {
    SetLamp(TLightSet::RingIndex, false);
  }
}
