// The status light controller: watches one serial port through the dispatcher's triggers and
// switches up to eight lamps (line levels CTS, DSR and DCD; pulses for ring, sent and received
// data, line errors and breaks).
//
// Threads: everything runs on the thread that delivers the port's trigger events, the GUI thread.
#pragma once

#include <cstdint>

#include "serial/AdLights.h"
#include "serial/AdPort.h"

class TApdCustomSLController : public TApdBaseComponent {
 public:
  // The watched port starts as the first serial port among the owner's components.
  explicit TApdCustomSLController(TComponent* owner = nullptr);
  ~TApdCustomSLController() override;

  TApdCustomComPort* ComPort() const { return comPort_; }
  // Moves the open/close callback and the monitoring to `port`; raises -1005 when monitoring
  // was on and `port` is null.
  void SetComPort(TApdCustomComPort* port);

  // Hold times in ticks of 55 ms.
  int32_t ErrorOffTimeout() const { return errorOffTimeout_; }
  void SetErrorOffTimeout(int32_t v) { errorOffTimeout_ = v; }
  int32_t BreakOffTimeout() const { return breakOffTimeout_; }
  void SetBreakOffTimeout(int32_t v) { breakOffTimeout_ = v; }
  int32_t RXDOffTimeout() const { return rxdOffTimeout_; }
  void SetRXDOffTimeout(int32_t v) { rxdOffTimeout_ = v; }
  int32_t TXDOffTimeout() const { return txdOffTimeout_; }
  void SetTXDOffTimeout(int32_t v) { txdOffTimeout_ = v; }
  int32_t RingOffTimeout() const { return ringOffTimeout_; }
  void SetRingOffTimeout(int32_t v) { ringOffTimeout_ = v; }

  TLightSet& Lights() { return lights_; }
  const TLightSet& Lights() const { return lights_; }
  void SetLights(const TLightSet& lights) { lights_ = lights; }

  bool Monitoring() const { return monitoring_; }
  // True while the port is closed: watching starts when it opens.
  bool MonitoringWanted() const { return monitoringWanted_; }
  // Switches watching on or off. Without a port raises -1005 (EPortNotAssigned); on a closed
  // port only remembers the wish. Trigger failures while starting undo what was allocated, leave
  // monitoring off and pass the error on.
  void SetMonitoring(bool on);

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void StartMonitor();
  void StopMonitor();
  void DeleteTriggers();
  void UpdateLights();
  void SetLamp(int index, bool lit);
  bool Assigned(int index) const { return lights_.Light(index) != nullptr; }
  void RegisterWith(TApdCustomComPort* port);
  void Unregister();

  void PortOpenClose(TObject* port, bool opening);
  void AvailHandler(TObject* cp, uint16_t count);
  void StatusHandler(TObject* cp, uint16_t triggerHandle);
  void TimerHandler(TObject* cp, uint16_t triggerHandle);
  void StatusLamps(uint16_t triggerHandle);
  void TimerLamps(uint16_t triggerHandle);

  TApdCustomComPort* comPort_ = nullptr;
  // The port that holds the open/close callback; at most one, so that a close is heard once.
  TApdCustomComPort* registeredWith_ = nullptr;
  int32_t errorOffTimeout_ = 36;
  int32_t breakOffTimeout_ = 36;
  int32_t rxdOffTimeout_ = 1;
  int32_t txdOffTimeout_ = 1;
  int32_t ringOffTimeout_ = 8;
  TLightSet lights_;

  bool monitoring_ = false;
  bool monitoringWanted_ = false;
  TTriggerAvailEvent savedAvail_;
  TTriggerStatusEvent savedStatus_;
  TTriggerTimerEvent savedTimer_;
  uint16_t modemMask_ = 0;
  int32_t modemTrigger_ = 0;
  int32_t errorTrigger_ = 0;
  int32_t breakTrigger_ = 0;
  int32_t txdTrigger_ = 0;
  int32_t errorOffTimer_ = 0;
  int32_t breakOffTimer_ = 0;
  int32_t rxdOffTimer_ = 0;
  int32_t txdOffTimer_ = 0;
  int32_t ringOffTimer_ = 0;
};

// The controller as the forms stream it.
class TApdSLController : public TApdCustomSLController {
 public:
  using TApdCustomSLController::TApdCustomSLController;
};
