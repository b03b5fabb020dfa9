#include "serial/AdPort.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>

#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "serial/AdExcept.h"
#include "serial/AwFactory.h"

namespace {

// Dispatcher option flag that UseEventWord switches.
constexpr uint32_t OptionEventWord = 4;

// Raises the exception of a failing code whatever state the component is in.
[[noreturn]] void RaiseCode(int32_t code) {
  RaiseOnErrorCode(nullptr, code);
  throw EAPDException(code);
}

// Sets a flag for the lifetime of the guard and restores the previous value.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~TFlagGuard() { flag_ = saved_; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

uint32_t SoftwareMask(TSWFlowOptions options) {
  switch (options) {
    case swfReceive:
      return 2;
    case swfTransmit:
      return 1;
    case swfBoth:
      return 3;
    default:
      return 0;
  }
}

TSWFlowOptions SoftwareOptions(uint32_t mask) {
  switch (mask & 3) {
    case 1:
      return swfTransmit;
    case 2:
      return swfReceive;
    case 3:
      return swfBoth;
    default:
      return swfNone;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Life cycle

TApdCustomComPort::TApdCustomComPort(TComponent* owner) : TApdBaseComponent(owner) {}

TApdCustomComPort::~TApdCustomComPort() {
  try {
    ShutdownPort();
  } catch (const std::exception& e) {
    ShowApplicationException(e);
  }
  // A close that was still completing in the hidden window.
  ReleaseDispatcher();
}

int32_t TApdCustomComPort::Check(int32_t code) {
  return RaiseOnErrorCode(this, code);
}

void TApdCustomComPort::Loaded() {
  TApdBaseComponent::Loaded();
  if (forceOpenAfterLoad_) open_ = true;
  if (!open_) return;
  forceOpenAfterLoad_ = false;
  open_ = false;
  try {
    StartPort();
  } catch (const std::exception& e) {
    open_ = false;
    ShowApplicationException(e);
  }
}

void TApdCustomComPort::Assign(TObject* source) {
  auto* src = dynamic_cast<TApdCustomComPort*>(source);
  if (!src || src == this) return;
  users_ = src->users_;
  if (src->IsOpen() && src->dispatcher_) {
    src->dispatcher_->SnapshotTriggers(savedTriggers_);
    copyTriggers_ = true;
  }
  force_ = src->force_;
  deviceLayer_ = src->deviceLayer_;
  comNumber_ = src->comNumber_;
  baud_ = src->baud_;
  parity_ = src->parity_;
  dataBits_ = src->dataBits_;
  stopBits_ = src->stopBits_;
  inSize_ = src->inSize_;
  outSize_ = src->outSize_;
  autoOpen_ = src->autoOpen_;
  promptForPort_ = src->promptForPort_;
  rs485Mode_ = src->rs485Mode_;
  threadPriorityBoost_ = src->threadPriorityBoost_;
  dtr_ = src->dtr_;
  rts_ = src->rts_;
  bufferFull_ = src->bufferFull_;
  bufferResume_ = src->bufferResume_;
  hwFlow_ = src->hwFlow_;
  swFlow_ = src->swFlow_;
  xonChar_ = src->xonChar_;
  xoffChar_ = src->xoffChar_;
  tracing_ = src->tracing_;
  traceSize_ = src->traceSize_;
  traceName_ = src->traceName_;
  traceHex_ = src->traceHex_;
  traceAllHex_ = src->traceAllHex_;
  logging_ = src->logging_;
  logSize_ = src->logSize_;
  logName_ = src->logName_;
  logHex_ = src->logHex_;
  logAllHex_ = src->logAllHex_;
  availThreshold_ = src->availThreshold_;
  open_ = false;
  SetOnTrigger(src->onTrigger_);
  SetOnTriggerAvail(src->onTriggerAvail_);
  SetOnTriggerData(src->onTriggerData_);
  SetOnTriggerStatus(src->onTriggerStatus_);
  SetOnTriggerTimer(src->onTriggerTimer_);
  onPortOpen_ = src->onPortOpen_;
  onPortClose_ = src->onPortClose_;
  tapiMode_ = src->tapiMode_;
}

// ---------------------------------------------------------------------------------------------
// Property setters

void TApdCustomComPort::SetDeviceLayer(TDeviceLayer v) {
  // The native layer is the only one this component supports.
  if (v == deviceLayer_ || portState_ != psClosed || v != dlWin32) return;
  deviceLayer_ = v;
  DeviceLayerChanged();
}

void TApdCustomComPort::SetComNumber(uint16_t v) {
  if (v == comNumber_) return;
  if (!IsOpen()) {
    comNumber_ = v;
    return;
  }
  TTriggerSave triggers;
  dispatcher_->SnapshotTriggers(triggers);
  TTraceLogState tracing = tracing_;
  TTraceLogState logging = logging_;
  // A trace or log file that could not be written is raised once the port runs on the new
  // number.
  std::exception_ptr failure;
  try {
    SetOpen(false);
  } catch (...) {
    if (IsOpen()) throw;
    failure = std::current_exception();
  }
  comNumber_ = v;
  tracing_ = tracing;
  logging_ = logging;
  SetOpen(true);
  if (IsOpen()) dispatcher_->ReinstateTriggers(triggers);
  if (failure) std::rethrow_exception(failure);
}

void TApdCustomComPort::ApplyLine() {
  if (IsOpen())
    Check(dispatcher_->SetLine(baud_, static_cast<uint8_t>(parity_), stopBits_, dataBits_));
}

void TApdCustomComPort::SetBaud(int32_t v) {
  if (v == baud_) return;
  baud_ = v;
  ApplyLine();
}

void TApdCustomComPort::SetParity(TParity v) {
  if (v == parity_) return;
  parity_ = v;
  ApplyLine();
}

void TApdCustomComPort::SetDataBits(uint16_t v) {
  if (v == dataBits_) return;
  dataBits_ = v;
  ApplyLine();
}

void TApdCustomComPort::SetStopBits(uint16_t v) {
  if (v == stopBits_) return;
  stopBits_ = v;
  ApplyLine();
}

void TApdCustomComPort::SetInSize(uint16_t v) {
  if (v == inSize_) return;
  inSize_ = v;
  if (IsOpen()) dispatcher_->ResizeDeviceQueues(inSize_, outSize_);
}

void TApdCustomComPort::SetOutSize(uint16_t v) {
  if (v == outSize_) return;
  outSize_ = v;
  if (IsOpen()) dispatcher_->ResizeDeviceQueues(inSize_, outSize_);
}

void TApdCustomComPort::SetOpen(bool v) {
  if (Streaming()) {
    open_ = v;
    if (v) forceOpenAfterLoad_ = true;
    return;
  }
  if (starting_) return;
  if (!v) {
    ShutdownPort();
  } else if (portState_ == psClosed) {
    StartPort();
  } else if (Closing()) {
    // A close deferred behind a notification finishes as soon as the dispatch thread has left
    // its send. Outside this port's handlers it is waited for, so that the caller finds the port
    // open (or the open's failure raised) as after any other open; inside one, the dispatch
    // thread waits for the handler, and the open follows the close.
    if (handlerDepth_ > 0 || !dispatcher_ || !dispatcher_->ClosePending()) {
      openPending_ = true;
      return;
    }
    WndMsg().PumpUntil([this] { return !Closing(); });
    if (portState_ == psClosed) StartPort();
  }
}

void TApdCustomComPort::SetDTR(bool v) {
  if (v == dtr_ && !force_) return;
  if (!IsOpen()) {
    dtr_ = v;
    return;
  }
  // Under handshake control the dispatcher answers 1 and the property keeps its value.
  int rc = Check(dispatcher_->SetDtr(v));
  if (rc == ecOK) dtr_ = v;
}

void TApdCustomComPort::SetRTS(bool v) {
  if (v == rts_ && !force_) return;
  if (!IsOpen()) {
    rts_ = v;
    return;
  }
  int rc = Check(dispatcher_->SetRts(v));
  if (rc == ecOK) rts_ = v;
}

void TApdCustomComPort::DeriveThresholds(bool hardware, bool software) {
  auto derive = [this](uint32_t fullPercent, uint32_t resumePercent) {
    if (bufferFull_ == 0 || bufferFull_ > inSize_)
      bufferFull_ = static_cast<uint16_t>(inSize_ * fullPercent / 100);
    if (bufferResume_ == 0 || bufferResume_ > bufferFull_)
      bufferResume_ = static_cast<uint16_t>(inSize_ * resumePercent / 100);
  };
  if (hardware) derive(90, 10);
  if (software) derive(75, 25);
}

void TApdCustomComPort::SetHWFlowOptions(THWFlowOptionSet v) {
  if (v == hwFlow_ && !force_) return;
  if (rs485Mode_ && (v.Contains(hwfUseRTS) || v.Contains(hwfRequireCTS))) SetRS485Mode(false);
  hwFlow_ = v;
  DeriveThresholds(!v.Empty(), false);
  if (IsOpen()) Check(dispatcher_->SetHardwareFlow(bufferFull_, bufferResume_, v.Mask()));
}

void TApdCustomComPort::SetSWFlowOptions(TSWFlowOptions v) {
  if (v == swFlow_ && !force_) return;
  swFlow_ = v;
  DeriveThresholds(false, v != swfNone);
  if (!IsOpen()) return;
  if (v == swfNone)
    Check(dispatcher_->SoftwareFlowOff());
  else
    Check(dispatcher_->SetSoftwareFlow(bufferFull_, bufferResume_, SoftwareMask(v)));
}

void TApdCustomComPort::SetXOnChar(char v) {
  if (v == xonChar_ && !force_) return;
  xonChar_ = v;
  if (IsOpen()) Check(dispatcher_->SetFlowChars(xonChar_, xoffChar_));
}

void TApdCustomComPort::SetXOffChar(char v) {
  if (v == xoffChar_ && !force_) return;
  xoffChar_ = v;
  if (IsOpen()) Check(dispatcher_->SetFlowChars(xonChar_, xoffChar_));
}

void TApdCustomComPort::ReapplyFlow() {
  TFlagGuard force(force_);
  SetHWFlowOptions(hwFlow_);
  SetSWFlowOptions(swFlow_);
}

void TApdCustomComPort::SetBufferFull(uint16_t v) {
  if (v == bufferFull_ && !force_) return;
  if (v > inSize_) v = static_cast<uint16_t>(v * 9u / 10u);
  bufferFull_ = v;
  ReapplyFlow();
}

void TApdCustomComPort::SetBufferResume(uint16_t v) {
  if (v == bufferResume_ && !force_) return;
  if (v > bufferFull_) v = static_cast<uint16_t>(bufferFull_ / 10u);
  bufferResume_ = v;
  ReapplyFlow();
}

TTraceLogState TApdCustomComPort::ChangeRecorder(TTraceLogState old, TTraceLogState wanted,
                                                 bool trace) {
  TApdBaseDispatcher& d = *dispatcher_;
  // A state restored at open (a change of ComNumber keeps a pause) finds no ring yet.
  const bool exists = trace ? d.TraceExists() : d.LogExists();
  const bool wasOn = old == tlOn && exists;
  const bool paused = old == tlPause && exists;
  const auto start = [&] { Check(trace ? d.StartTracing(traceSize_) : d.StartLogging(logSize_)); };
  switch (wanted) {
    case tlOff:
      if (exists) trace ? d.StopTracing() : d.StopLogging();
      return tlOff;
    case tlOn:
      if (paused)
        trace ? d.ResumeTracing() : d.ResumeLogging();
      else
        start();
      return tlOn;
    case tlDump:
    case tlAppend: {
      if (!wasOn && !paused && (trace ? keptTraces_.empty() : keptLogs_.empty())) return tlOff;
      TRecorderDump dump;
      dump.FileName = trace ? traceName_ : logName_;
      bool append = wanted == tlAppend;
      const bool inHex = trace ? traceHex_ : logHex_;
      const bool allHex = trace ? traceAllHex_ : logAllHex_;
      dump.Code = WriteKept(trace, dump.FileName, append, inHex, allHex, dump.Written);
      if (dump.Code == 0 && (wasOn || paused)) {
        trace ? d.ResumeTracing() : d.ResumeLogging();
        bool wrote = false;
        dump.Code = trace ? d.WriteTrace(dump.FileName, append, inHex, allHex, &wrote)
                          : d.WriteLog(dump.FileName, append, inHex, allHex, &wrote);
        dump.Written = dump.Written || wrote;
        // A file that could not be written leaves the recorder as it was, with all it holds.
        if (dump.Code != 0 && paused) trace ? d.PauseTracing() : d.PauseLogging();
      }
      dumps_.push_back(dump);
      Check(dump.Code);
      return tlOff;
    }
    case tlClear:
      if (exists) trace ? d.ClearTracing() : d.ClearLogging();
      return old;
    case tlPause:
      if (old == tlPause && !exists) {
        start();
      } else if (!wasOn) {
        return old;
      }
      trace ? d.PauseTracing() : d.PauseLogging();
      return tlPause;
  }
  return old;
}

int32_t TApdCustomComPort::WriteKept(bool trace, const std::string& fileName, bool& append,
                                     bool inHex, bool allHex, bool& written) {
  const auto writeAll = [&](auto& kept, auto write) -> int32_t {
    while (!kept.empty()) {
      bool wrote = false;
      if (const int32_t code = write(kept.front(), wrote); code != 0) return code;
      written = written || wrote;
      append = append || wrote;
      kept.erase(kept.begin());
    }
    return 0;
  };
  if (trace)
    return writeAll(keptTraces_, [&](TApdTraceRecorder& r, bool& wrote) {
      return r.Write(fileName, append, inHex, allHex, wrote);
    });
  return writeAll(keptLogs_, [&](TKeptLog& k, bool& wrote) {
    return k.Recorder.Write(fileName, append, inHex, allHex, k.Device, wrote);
  });
}

void TApdCustomComPort::SetTracing(TTraceLogState v) {
  if (v == tracing_ && !force_) return;
  if (!IsOpen())
    tracing_ = v == tlOn ? tlOn : tlOff;
  else
    tracing_ = ChangeRecorder(tracing_, v, true);
}

void TApdCustomComPort::SetLogging(TTraceLogState v) {
  if (v == logging_ && !force_) return;
  if (!IsOpen())
    logging_ = v == tlOn ? tlOn : tlOff;
  else
    logging_ = ChangeRecorder(logging_, v, false);
}

void TApdCustomComPort::SetTraceSize(uint32_t v) {
  v = std::min(v, MaxTraceEntries);
  if (v == traceSize_) return;
  traceSize_ = v;
  if (IsOpen() && (tracing_ == tlOn || tracing_ == tlPause)) {
    TTraceLogState previous = tracing_;
    SetTracing(tlOff);
    SetTracing(previous);
  }
}

void TApdCustomComPort::SetLogSize(uint32_t v) {
  v = std::min(v, MaxLogBytes);
  if (v == logSize_) return;
  logSize_ = v;
  if (IsOpen() && (logging_ == tlOn || logging_ == tlPause)) {
    TTraceLogState previous = logging_;
    SetLogging(tlOff);
    SetLogging(previous);
  }
}

void TApdCustomComPort::SetUseEventWord(bool v) {
  if (v == useEventWord_ && !force_) return;
  useEventWord_ = v;
  if (!IsOpen()) return;
  if (v)
    dispatcher_->SetOptionFlag(OptionEventWord);
  else
    dispatcher_->ClearOptionFlag(OptionEventWord);
}

void TApdCustomComPort::SetRS485Mode(bool v) {
  if (v == rs485Mode_ && !force_) return;
  if (IsOpen()) Check(dispatcher_->SetRs485(v));
  rs485Mode_ = v;
  if (!v) return;
  SetHWFlowOptions(hwFlow_.Without({hwfUseRTS, hwfRequireCTS}));
  SetRTS(false);
}

void TApdCustomComPort::SetAvailThreshold(uint16_t v) {
  if (v == availThreshold_ && !force_) return;
  availThreshold_ = v;
  if (IsOpen()) dispatcher_->SetAvailThreshold(v);
}

void TApdCustomComPort::SetThreadPriorityBoost(uint8_t v) {
  if (v == threadPriorityBoost_ && !force_) return;
  threadPriorityBoost_ = v;
  if (IsOpen()) dispatcher_->SetPriorityBoost(v);
}

void TApdCustomComPort::SetOnTrigger(TTriggerEvent v) {
  onTrigger_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent v) {
  onTriggerAvail_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerData(TTriggerDataEvent v) {
  onTriggerData_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerStatus(TTriggerStatusEvent v) {
  onTriggerStatus_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerTimer(TTriggerTimerEvent v) {
  onTriggerTimer_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent v) {
  onTriggerLineError_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerModemStatus(TNotifyEvent v) {
  onTriggerModemStatus_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerOutbuffFree(TNotifyEvent v) {
  onTriggerOutbuffFree_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerOutbuffUsed(TNotifyEvent v) {
  onTriggerOutbuffUsed_ = v;
  UpdatePortHandler();
}

void TApdCustomComPort::SetOnTriggerOutSent(TNotifyEvent v) {
  onTriggerOutSent_ = v;
  UpdatePortHandler();
}

bool TApdCustomComPort::AnyTriggerEventAssigned() const {
  return onTrigger_ || onTriggerAvail_ || onTriggerData_ || onTriggerStatus_ || onTriggerTimer_ ||
         onTriggerLineError_ || onTriggerModemStatus_ || onTriggerOutbuffFree_ ||
         onTriggerOutbuffUsed_ || onTriggerOutSent_;
}

void TApdCustomComPort::UpdatePortHandler() {
  if (!IsOpen() || !dispatcher_) return;
  dispatcher_->RecomputeHandlerService(AnyTriggerEventAssigned() ? hsInstall : hsUninstall);
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

void TApdCustomComPort::ValidatePort() {
  if (comNumber_ != 0) return;
  if (!promptForPort_) RaiseCode(ecNoPortSelected);
  const TPortPrompt& prompt = SerialContext().PortPrompt;
  int chosen = prompt ? prompt() : ecNoPortSelected;
  if (chosen < 1 || chosen > UINT16_MAX) RaiseCode(ecNoPortSelected);
  SetComNumber(static_cast<uint16_t>(chosen));
}

std::unique_ptr<TApdBaseDispatcher> TApdCustomComPort::CreateDispatcher() {
  if (deviceLayer_ != dlWin32) RaiseCode(ecNullApi);
  // Telephony has no device layer of its own here: its dispatcher is the native one, which
  // then fails the handle check below.
  auto d = CreateDispatcherFor(this);
  if (!d) RaiseCode(ecNullApi);
  return d;
}

int TApdCustomComPort::OpenDevice() {
  std::string name = tapiMode_ == tmOn ? std::string() : Format("\\\\.\\COM%d", comNumber_);
  uint32_t options = (dtr_ ? ooDtr : 0u) | (rts_ ? ooRts : 0u) |
                     (hwFlow_.Contains(hwfUseDTR) ? ooDtrHandshake : 0u) |
                     (hwFlow_.Contains(hwfUseRTS) ? ooRtsHandshake : 0u);
  return dispatcher_->OpenDevicePort(name, baud_, static_cast<uint8_t>(parity_), dataBits_,
                                     stopBits_, inSize_, outSize_, options);
}

void TApdCustomComPort::StartPort() {
  TFlagGuard starting(starting_);
  dumps_.clear();
  try {
    if (tapiMode_ != tmOn) ValidatePort();
    dispatcher_ = CreateDispatcher();
    dispatcher_->SetPortName(Format("COM%d", comNumber_));

    if (tapiMode_ == tmOn) {
      if (dispatcher_->DeviceHandle() < 0) RaiseCode(ecNotOpenedByTapi);
      int32_t baud;
      uint8_t parity;
      uint16_t dataBits, stopBits;
      dispatcher_->GetLine(baud, parity, dataBits, stopBits);
      baud_ = baud;
      parity_ = static_cast<TParity>(std::min<uint8_t>(parity, pSpace));
      dataBits_ = dataBits;
      stopBits_ = stopBits;
      uint32_t hardware, software;
      dispatcher_->GetFlowOptions(hardware, software, xonChar_, xoffChar_);
      hwFlow_ = THWFlowOptionSet::FromMask(hardware);
      swFlow_ = SoftwareOptions(software);
    }

    int rc = OpenDevice();
    if (rc == ecAccessDenied)
      rc = ecAlreadyOpen;
    else if (rc == ecFileNotFound || rc == ecPathNotFound)
      rc = ecBadId;
    if (rc < 0) RaiseCode(rc);

    portState_ = psOpen;
    UpdatePortHandler();
    {
      TFlagGuard force(force_);
      SetTracing(tracing_);
      SetLogging(logging_);
      SetHWFlowOptions(hwFlow_);
      SetSWFlowOptions(swFlow_);
      SetXOnChar(xonChar_);
      SetXOffChar(xoffChar_);
      SetAvailThreshold(availThreshold_);
      SetDTR(dtr_);
      SetRTS(rts_);
      SetUseEventWord(useEventWord_);
      SetRS485Mode(rs485Mode_);
      SetThreadPriorityBoost(threadPriorityBoost_);
    }
    open_ = true;

    SetComWindow(true);
    if (copyTriggers_) {
      copyTriggers_ = false;
      dispatcher_->ReinstateTriggers(savedTriggers_);
    }
    NotifyPortOpen();
  } catch (...) {
    open_ = false;
    portState_ = psClosed;
    // The hidden window goes with the dispatcher: a window left registered would outlive it.
    ReleaseDispatcher();
    throw;
  }
}

void TApdCustomComPort::SetComWindow(bool create) {
  if (create) {
    comWindow_ = WndMsg().CreateWindow(TWndProc::Bind<&TApdCustomComPort::ComWindowProc>(this));
    dispatcher_->AddWindowHandler(comWindow_);
    return;
  }
  if (comWindow_ == 0) return;
  if (dispatcher_) dispatcher_->RemoveWindowHandler(comWindow_);
  WndMsg().DestroyWindow(comWindow_);
  comWindow_ = 0;
}

void TApdCustomComPort::ReleaseDispatcher() {
  SetComWindow(false);
  // The threads call the device layer's operations until they leave: they are stopped while
  // the dispatcher is whole, before its destructors take the layers away one by one.
  if (dispatcher_) dispatcher_->ShutdownDispatcher();
  dispatcher_.reset();
}

void TApdCustomComPort::ShutdownPort() {
  if (!IsOpen()) return;
  // A trace or log file that cannot be written must not keep the port open: the close goes on
  // and the failure is raised once it is done.
  std::exception_ptr failure;
  for (bool trace : {true, false}) {
    try {
      trace ? SetTracing(tlDump) : SetLogging(tlDump);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  // What could not be written stays with the port for the next close; a closed port knows only
  // on and off.
  if (dispatcher_->TraceExists()) keptTraces_.push_back(dispatcher_->TakeTrace());
  if (dispatcher_->LogExists())
    keptLogs_.push_back({dispatcher_->TakeLog(), dispatcher_->PortName()});
  if (tracing_ != tlOn) tracing_ = tlOff;
  if (logging_ != tlOn) logging_ = tlOff;
  portState_ = psShuttingDown;
  NotifyPortClosing();
  dispatcher_->SnapshotTriggers(savedTriggers_);
  copyTriggers_ = true;
  dispatcher_->CloseDevicePort();
  if (dispatcher_->ClosePending()) {
    // Inside a handler the dispatch thread is still in its send: the hidden window finishes
    // the close once the threads have gone.
    WndMsg().PostMessage(comWindow_, MsgClosePending, 0,
                         static_cast<LPARAM>(dispatcher_->DispatcherIndex()) * 65536);
    WndMsg().HandleOneMessage();
  } else {
    ReleaseDispatcher();
    portState_ = psClosed;
    open_ = false;
  }
  NotifyPortClose();
  // An open asked for while closing (by a port user, or from a message handled while the
  // threads stopped) follows the close; left set, it would reopen after some later close.
  if (portState_ == psClosed && openPending_) {
    openPending_ = false;
    StartPort();
  }
  if (failure) std::rethrow_exception(failure);
}

void TApdCustomComPort::FinishDeferredClose() {
  ReleaseDispatcher();
  portState_ = psClosed;
  open_ = false;
  if (openPending_) {
    openPending_ = false;
    StartPort();
  }
}

// ---------------------------------------------------------------------------------------------
// Hidden window

LRESULT TApdCustomComPort::ComWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  bool trigger = msg >= MsgTriggerAvail && msg <= MsgTriggerStatus;
  if (!trigger && msg != MsgClosePending) return 0;
  std::lock_guard lock(DispatcherListLock());
  TApdBaseDispatcher* d = DispatcherAt(static_cast<int>((lParam >> 16) & 0xFFFF));
  // A dispatcher in that slot that is not this port's belongs to a later open.
  if (!d || d != dispatcher_.get()) return 0;
  ++handlerDepth_;
  try {
    if (trigger) {
      HandleTriggerMessage(msg, wParam, lParam);
    } else {
      RaiseTrigger(static_cast<uint16_t>(msg), 0, 0);
      if (d->ThreadsRunning())
        WndMsg().PostMessage(wnd, msg, wParam, lParam);
      else
        FinishDeferredClose();
    }
  } catch (const std::exception& e) {
    if (WndMsg().OnGuiThread()) ShowApplicationException(e);
  } catch (...) {
    // Nothing may escape into the sender's wait; a foreign exception has no text to show.
    if (WndMsg().OnGuiThread()) ShowApplicationException(Exception("Unknown exception"));
  }
  --handlerDepth_;
  return 0;
}

void TApdCustomComPort::HandleTriggerMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  auto m = static_cast<uint16_t>(msg);
  auto handle = static_cast<uint16_t>(wParam & 0xFFFF);
  auto value = static_cast<uint16_t>(lParam & 0xFFFF);
  switch (msg) {
    case MsgTriggerAvail:
      RaiseTrigger(m, handle, handle);
      RaiseAvail(handle);
      break;
    case MsgTriggerData:
      RaiseTrigger(m, handle, value);
      RaiseData(handle);
      break;
    case MsgTriggerTimer:
      RaiseTrigger(m, handle, 0);
      RaiseTimer(handle);
      break;
    case MsgTriggerStatus:
      RaiseTrigger(m, handle, value);
      RaiseStatus(handle);
      switch (handle & 7) {
        case skModemLines:
          RaiseModemStatus();
          break;
        case skLineError: {
          // The break first: LastLineError would otherwise report it as the error.
          bool lineBreak = BreakReceived();
          auto error = static_cast<uint16_t>(LastLineError());
          RaiseLineError(error, lineBreak);
          break;
        }
        case skOutputFree:
          RaiseOutbuffFree();
          break;
        case skOutputUsed:
          RaiseOutbuffUsed();
          break;
        case skOutputSent:
          RaiseOutSent();
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
}

void TApdCustomComPort::RaiseTrigger(uint16_t msg, uint16_t triggerHandle, uint16_t data) {
  if (onTrigger_) onTrigger_(this, msg, triggerHandle, data);
}

void TApdCustomComPort::RaiseAvail(uint16_t count) {
  if (onTriggerAvail_) onTriggerAvail_(this, count);
}

void TApdCustomComPort::RaiseData(uint16_t triggerHandle) {
  if (onTriggerData_) onTriggerData_(this, triggerHandle);
}

void TApdCustomComPort::RaiseStatus(uint16_t triggerHandle) {
  if (onTriggerStatus_) onTriggerStatus_(this, triggerHandle);
}

void TApdCustomComPort::RaiseTimer(uint16_t triggerHandle) {
  if (onTriggerTimer_) onTriggerTimer_(this, triggerHandle);
}

void TApdCustomComPort::RaiseLineError(uint16_t error, bool lineBreak) {
  if (onTriggerLineError_) onTriggerLineError_(this, error, lineBreak);
}

void TApdCustomComPort::RaiseModemStatus() {
  if (onTriggerModemStatus_) onTriggerModemStatus_(this);
}

void TApdCustomComPort::RaiseOutbuffFree() {
  if (onTriggerOutbuffFree_) onTriggerOutbuffFree_(this);
}

void TApdCustomComPort::RaiseOutbuffUsed() {
  if (onTriggerOutbuffUsed_) onTriggerOutbuffUsed_(this);
}

void TApdCustomComPort::RaiseOutSent() {
  if (onTriggerOutSent_) onTriggerOutSent_(this);
}

// ---------------------------------------------------------------------------------------------
// Port users, told from the last registered to the first. A user may deregister while it is
// told, so each record is copied before it is called.

void TApdCustomComPort::NotifyPortOpen() {
  for (size_t i = users_.size(); i-- > 0;) {
    if (i >= users_.size()) continue;
    TPortUser u = users_[i];
    if (u.Window)
      WndMsg().SendMessage(u.Window, MsgPortOpen, 0, 0);
    else if (u.Extended)
      u.CallbackEx(this, ctOpen);
    else
      u.Callback(this, true);
  }
  if (onPortOpen_) onPortOpen_(this);
}

void TApdCustomComPort::NotifyPortClosing() {
  for (size_t i = users_.size(); i-- > 0;) {
    if (i >= users_.size()) continue;
    TPortUser u = users_[i];
    if (!u.Extended) continue;
    if (u.Window)
      WndMsg().SendMessage(u.Window, MsgPortClosing, 0, 0);
    else
      u.CallbackEx(this, ctClosing);
  }
}

void TApdCustomComPort::NotifyPortClose() {
  for (size_t i = users_.size(); i-- > 0;) {
    if (i >= users_.size()) continue;
    TPortUser u = users_[i];
    if (u.Window)
      WndMsg().SendMessage(u.Window, MsgPortClose, 0, 0);
    else if (u.Extended)
      u.CallbackEx(this, ctClosed);
    else
      u.Callback(this, false);
  }
  if (onPortClose_) onPortClose_(this);
}

void TApdCustomComPort::AddPortUser(TPortCallback callback) {
  TPortUser u;
  u.Callback = callback;
  users_.push_back(u);
}

void TApdCustomComPort::RemovePortUser(TPortCallback callback) {
  std::erase_if(users_, [&](const TPortUser& u) {
    return !u.Window && !u.Extended && u.Callback == callback;
  });
}

void TApdCustomComPort::AddPortUserEx(TPortCallbackEx callback) {
  TPortUser u;
  u.CallbackEx = callback;
  u.Extended = true;
  users_.push_back(u);
}

void TApdCustomComPort::RemovePortUserEx(TPortCallbackEx callback) {
  std::erase_if(users_, [&](const TPortUser& u) {
    return !u.Window && u.Extended && u.CallbackEx == callback;
  });
}

void TApdCustomComPort::AddPortUserWindow(HWND window, bool extended) {
  TPortUser u;
  u.Window = window;
  u.Extended = extended;
  users_.push_back(u);
}

void TApdCustomComPort::RemovePortUserWindow(HWND window) {
  std::erase_if(users_, [&](const TPortUser& u) { return u.Window == window; });
}

// ---------------------------------------------------------------------------------------------
// Data and status

TApdBaseDispatcher* TApdCustomComPort::ActiveDispatcher() {
  if (!dispatcher_ && !Streaming() && portState_ == psClosed && autoOpen_) SetOpen(true);
  return dispatcher_.get();
}

TApdBaseDispatcher& TApdCustomComPort::RequireDispatcher() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  if (!d) RaiseCode(ecCommNotOpen);
  return *d;
}

char TApdCustomComPort::ReadChar() {
  if (Closing()) return 0;
  char c = 0;
  Check(RequireDispatcher().ReadChar(c));
  return c;
}

uint32_t TApdCustomComPort::InputCount() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() ? d->InputCount() : 0;
}

uint32_t TApdCustomComPort::OutputCount() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() ? d->OutputCount() : 0;
}

bool TApdCustomComPort::CtsOn() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() && d->CtsOn();
}

bool TApdCustomComPort::DsrOn() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() && d->DsrOn();
}

bool TApdCustomComPort::DcdOn() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() && d->DcdOn();
}

bool TApdCustomComPort::RingTrailingEdge() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() && d->RingTrailingEdge();
}

int TApdCustomComPort::LastLineError() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() ? d->LastLineError() : 0;
}

bool TApdCustomComPort::BreakReceived() {
  TApdBaseDispatcher* d = ActiveDispatcher();
  return d && IsOpen() && d->BreakReceived();
}

bool TApdCustomComPort::DeviceLost() {
  // Asked on every tick of the main window: it must never open a closed port.
  TApdBaseDispatcher* d = Dispatcher();
  return d && IsOpen() && d->DeviceLost();
}

uint32_t TApdCustomComPort::DeviceReturns() {
  TApdBaseDispatcher* d = Dispatcher();
  return d && IsOpen() ? d->DeviceReturns() : 0;
}

int TApdCustomComPort::CreateTimerTrigger() {
  if (Closing()) return 0;
  return Check(RequireDispatcher().CreateTimerTrigger());
}

int TApdCustomComPort::CreateStatusTrigger(uint16_t kind) {
  if (Closing()) return 0;
  return Check(RequireDispatcher().CreateStatusTrigger(kind));
}

void TApdCustomComPort::ArmTimerTrigger(int32_t handle, int32_t ticks, bool activate) {
  Check(RequireDispatcher().ArmTimerTrigger(handle, ticks, activate));
}

void TApdCustomComPort::ArmStatusTrigger(int32_t handle, uint16_t value, bool activate) {
  Check(RequireDispatcher().ArmStatusTrigger(handle, value, activate));
}

void TApdCustomComPort::DeleteTrigger(int32_t handle) {
  if (IsOpen()) Check(RequireDispatcher().DeleteTrigger(handle));
}

void TApdCustomComPort::YieldToDevice() {
  std::this_thread::yield();
}
