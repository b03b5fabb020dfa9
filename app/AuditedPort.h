// The port as the main window sees it, with the audit trail told of every capture: a Start is
// refused while the trail cannot be written, and the start, the stop and the device going and
// coming back are recorded. Without a trail it is the port itself.
#pragma once

#include <functional>
#include <string>

#include "app/PortControl.h"

class IMessageBoxes;
class TCaptureApp;

class TAuditedPort : public IPortControl {
 public:
  // What a COM number stands for, as the trail names the adapter.
  using TAdapterOf = std::function<std::string(uint16_t com)>;

  // Everything must outlive the port. GUI thread.
  TAuditedPort(IPortControl& port, TCaptureApp& capture, IMessageBoxes& boxes,
               TAdapterOf adapterOf);

  bool Open() const override { return port_.Open(); }
  void SetOpen(bool open) override;
  uint16_t ComNumber() const override { return port_.ComNumber(); }
  char ReadChar() override { return port_.ReadChar(); }
  uint32_t InputCount() override { return port_.InputCount(); }
  bool DeviceLost() override;
  uint32_t DeviceReturns() override;
  std::vector<TRecorderFile> RecorderFiles() const override { return port_.RecorderFiles(); }

 private:
  IPortControl& port_;
  TCaptureApp& capture_;
  IMessageBoxes& boxes_;
  TAdapterOf adapterOf_;
  bool lost_ = false;
  uint32_t returns_ = 0;
};
