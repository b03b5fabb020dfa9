#include "dialogs/PortControl.h"

#include "serial/AdExcept.h"
#include "serial/AdPort.h"

namespace {

class TComPortControl : public IPortControl {
 public:
  explicit TComPortControl(TApdCustomComPort& port) : port_(port) {}
  bool Open() const override { return port_.Open(); }
  void SetOpen(bool open) override { port_.SetOpen(open); }
  uint16_t ComNumber() const override { return port_.ComNumber(); }
  char ReadChar() override { return port_.ReadChar(); }
  uint32_t InputCount() override { return port_.InputCount(); }
  bool DeviceLost() override { return port_.DeviceLost(); }
  uint32_t DeviceReturns() override { return port_.DeviceReturns(); }
  std::vector<TRecorderFile> RecorderFiles() const override {
    std::vector<TRecorderFile> files;
    if (port_.Open()) return files;
    for (const TRecorderDump& d : port_.RecorderDumps())
      files.push_back({d.FileName, d.Written, d.Code < 0 ? MessageForCode(d.Code) : std::string()});
    return files;
  }

 private:
  TApdCustomComPort& port_;
};

}  // namespace

std::unique_ptr<IPortControl> MakePortControl(TApdComPort& port) {
  return std::make_unique<TComPortControl>(port);
}

void SetPortExceptionDisplay(std::function<void(const std::exception&)> display) {
  SetApplicationExceptionDisplay(std::move(display));
}
