#include "app/AuditedPort.h"

#include "app/CaptureApp.h"

TAuditedPort::TAuditedPort(IPortControl& port, TCaptureApp& capture, IMessageBoxes& boxes,
                           TAdapterOf adapterOf)
    : port_(port), capture_(capture), boxes_(boxes), adapterOf_(std::move(adapterOf)) {}

void TAuditedPort::SetOpen(bool open) {
  if (!open) {
    const bool wasOpen = port_.Open();
    try {
      port_.SetOpen(false);
    } catch (...) {
      // A stop that closed the port and failed at the trace or log is a stop all the same.
      if (wasOpen && !port_.Open()) capture_.auditCaptureStopped();
      throw;
    }
    if (wasOpen) capture_.auditCaptureStopped();
    return;
  }
  if (port_.Open()) return;
  // Readings are never typed unrecorded: without a trail that takes records there is no capture.
  if (const std::string cause = capture_.auditStartProblem(); !cause.empty()) {
    boxes_.ShowMessageBox("Fehler", "Start nicht m\xF6glich!\n" + cause, TMessageKind::Error);
    return;
  }
  port_.SetOpen(true);
  lost_ = false;
  returns_ = port_.DeviceReturns();
  const uint16_t com = port_.ComNumber();
  if (const std::string cause = capture_.auditCaptureStarted(com, adapterOf_(com));
      !cause.empty()) {
    port_.SetOpen(false);
    boxes_.ShowMessageBox("Fehler", "Start nicht m\xF6glich!\n" + cause, TMessageKind::Error);
  }
}

bool TAuditedPort::DeviceLost() {
  const bool lost = port_.DeviceLost();
  if (lost && !lost_) capture_.auditDeviceLost();
  lost_ = lost;
  return lost;
}

uint32_t TAuditedPort::DeviceReturns() {
  const uint32_t returns = port_.DeviceReturns();
  if (returns != returns_) {
    returns_ = returns;
    lost_ = false;
    capture_.auditDeviceBack();
  }
  return returns;
}
