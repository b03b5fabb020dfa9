// The serial half of the port settings dialog: the port component comms and the status light
// controller ledController, owned here, with their settings in plain types, so that the dialog's
// translation units need only this header and not the serial subsystem's. It is comms as the
// capture logic sets it and reads from it.
#pragma once

#include <array>
#include <cstdint>

#include "app/CaptureViews.h"
#include "app/RecorderConfig.h"
#include "base/Component.h"
#include "base/Event.h"

class TApdComPort;
enum TApdCallbackType : uint8_t;
class TApdSLController;
class TApdLamp;

class TserOptionPort : public ICommsPort, public ICharSource {
 public:
  using TAvailHandler = TEvent<void(TObject* CP, uint16_t Count)>;
  // CTS, DSR, DCD, RING, TXD, RXD, ERROR, BREAK.
  using TLamps = std::array<TApdLamp*, 8>;

  // Creates comms (its received data going to `onAvail`), then ledController watching comms
  // and switching `lamps`.
  TserOptionPort(TAvailHandler onAvail, const TLamps& lamps);
  ~TserOptionPort() override;
  TserOptionPort(const TserOptionPort&) = delete;
  TserOptionPort& operator=(const TserOptionPort&) = delete;

  TApdComPort& comms() const { return *comms_; }
  TApdSLController& ledController() const { return *ledController_; }

  // The port's settings; each setter raises what the port raises.
  uint16_t ComNumber() const;
  void SetComNumber(uint16_t number) override;
  int32_t Baud() const;
  void SetBaud(int32_t baud) override;
  uint16_t DataBits() const;
  void SetDataBits(uint16_t bits) override;
  int32_t Parity() const;  // 0 pNone ... 4 pSpace
  void SetParity(int32_t parity) override;
  uint16_t StopBits() const;
  void SetStopBits(uint16_t bits) override;
  int32_t SWFlowOptions() const;  // 0 swfNone ... 3 swfBoth
  void SetSWFlowOptions(int32_t options) override;
  uint8_t HWFlowOptions() const;  // DTR 1, RTS 2, DSR 4, CTS 8
  void SetHWFlowOptions(uint8_t mask) override;
  void SetAutoOpen(bool on) override;
  bool Open() const;
  void SetOpen(bool open) override;
  char ReadChar() override;
  int32_t InputCount() override;
  // How often the port's device came back since it was opened.
  uint32_t DeviceReturns();

  bool Monitoring() const;
  void SetMonitoring(bool on);

  // Switches the trace and the dispatch log on (or off) for every capture: comms writes them to
  // their files when it closes, and they are on again for the next open.
  void SetRecorders(const TRecorderConfig& recorders) override;

 private:
  void PortEvent(TObject* port, TApdCallbackType kind);
  void ArmRecorders();

  TComponent owner_{nullptr};
  TApdComPort* comms_;
  TApdSLController* ledController_;
  TRecorderConfig recorders_;
};
