#include "dialogs/serOptionsPort.h"

#include "serial/AdPort.h"
#include "serial/AdStatLt.h"

TserOptionPort::TserOptionPort(TAvailHandler onAvail, const TLamps& lamps)
    : comms_(new TApdComPort(&owner_)), ledController_(nullptr) {
  comms_->SetName("comms");
  comms_->SetTraceName("APRO.TRC");
  comms_->SetLogName("APRO.LOG");
  comms_->SetOnTriggerAvail(onAvail);
  // Created after comms, so that it takes comms as its port.
  ledController_ = new TApdSLController(&owner_);
  ledController_->SetName("ledController");
  ledController_->SetErrorOffTimeout(8);
  TLightSet& set = ledController_->Lights();
  for (int i = 0; i < TLightSet::LightCount; ++i) set.SetLight(i, lamps.at(static_cast<size_t>(i)));
  comms_->AddPortUserEx(TPortCallbackEx::Bind<&TserOptionPort::PortEvent>(this));
}

// The owner frees the controller, then the port, which closes if it is open; the recorders are
// not armed again for a port that goes away.
TserOptionPort::~TserOptionPort() {
  comms_->RemovePortUserEx(TPortCallbackEx::Bind<&TserOptionPort::PortEvent>(this));
}

uint16_t TserOptionPort::ComNumber() const {
  return comms_->ComNumber();
}
void TserOptionPort::SetComNumber(uint16_t number) {
  comms_->SetComNumber(number);
}
int32_t TserOptionPort::Baud() const {
  return comms_->Baud();
}
void TserOptionPort::SetBaud(int32_t baud) {
  comms_->SetBaud(baud);
}
uint16_t TserOptionPort::DataBits() const {
  return comms_->DataBits();
}
void TserOptionPort::SetDataBits(uint16_t bits) {
  comms_->SetDataBits(bits);
}
int32_t TserOptionPort::Parity() const {
  return comms_->Parity();
}
void TserOptionPort::SetParity(int32_t parity) {
  if (parity >= pNone && parity <= pSpace) comms_->SetParity(static_cast<TParity>(parity));
}
uint16_t TserOptionPort::StopBits() const {
  return comms_->StopBits();
}
void TserOptionPort::SetStopBits(uint16_t bits) {
  comms_->SetStopBits(bits);
}
int32_t TserOptionPort::SWFlowOptions() const {
  return comms_->SWFlowOptions();
}
void TserOptionPort::SetSWFlowOptions(int32_t options) {
  if (options >= swfNone && options <= swfBoth)
    comms_->SetSWFlowOptions(static_cast<TSWFlowOptions>(options));
}
uint8_t TserOptionPort::HWFlowOptions() const {
  return static_cast<uint8_t>(comms_->HWFlowOptions().Mask());
}
void TserOptionPort::SetHWFlowOptions(uint8_t mask) {
  comms_->SetHWFlowOptions(THWFlowOptionSet::FromMask(mask));
}
void TserOptionPort::SetAutoOpen(bool on) {
  comms_->SetAutoOpen(on);
}
bool TserOptionPort::Open() const {
  return comms_->Open();
}
void TserOptionPort::SetOpen(bool open) {
  comms_->SetOpen(open);
}
char TserOptionPort::ReadChar() {
  return comms_->ReadChar();
}
int32_t TserOptionPort::InputCount() {
  return static_cast<int32_t>(comms_->InputCount());
}
uint32_t TserOptionPort::DeviceReturns() {
  return comms_->DeviceReturns();
}
bool TserOptionPort::Monitoring() const {
  return ledController_->Monitoring();
}
void TserOptionPort::SetMonitoring(bool on) {
  ledController_->SetMonitoring(on);
}

void TserOptionPort::SetRecorders(const TRecorderConfig& recorders) {
  recorders_ = recorders;
  ArmRecorders();
}

void TserOptionPort::ArmRecorders() {
  if (recorders_.Tracing) {
    comms_->SetTraceSize(static_cast<uint32_t>(recorders_.TraceSize));
    comms_->SetTraceName(recorders_.TraceName);
  }
  comms_->SetTracing(recorders_.Tracing ? tlOn : tlOff);
  if (recorders_.Logging) {
    comms_->SetLogSize(static_cast<uint32_t>(recorders_.LogSize));
    comms_->SetLogName(recorders_.LogName);
  }
  comms_->SetLogging(recorders_.Logging ? tlOn : tlOff);
}

void TserOptionPort::PortEvent(TObject*, TApdCallbackType kind) {
  // Closing wrote the files and switched the recorders off; the next capture records again.
  if (kind == ctClosed) ArmRecorders();
}
