// The serial port component: the port's settings as properties, opening and closing the device
// through a dispatcher, and the dispatcher's trigger messages turned into events on the GUI
// thread by a hidden window of the window-message facility.
//
// Threads: every operation runs on the GUI thread. Trigger events are raised there by the hidden
// window while a dispatch thread waits in its blocking send, under the process-wide dispatcher
// list lock. A handler may close the port; the close then completes once the dispatch thread
// has left (see ShutdownPort).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/Component.h"
#include "base/Event.h"
#include "serial/AwUser.h"
#include "serial/SerialContext.h"

// Base of the serial library's non-visual components.
class TApdBaseComponent : public TComponent {
 public:
  using TComponent::TComponent;
  // Read-only; not stored.
  std::string Version() const { return ApdVersionText; }
};

enum TDeviceLayer : uint8_t { dlWin32, dlWinsock };
enum TParity : uint8_t { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOptions : uint8_t { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };
enum TSWFlowOptions : uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState : uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode : uint8_t { tmNone, tmAuto, tmOn, tmOff };
enum TApdPortState : uint8_t { psClosed, psShuttingDown, psOpen };
// What an extended port user is told.
enum TApdCallbackType : uint8_t { ctOpen, ctClosing, ctClosed };

// A set of THWFlowOptions, one bit per member (the dispatcher's mask: DTR 1, RTS 2, DSR 4, CTS 8).
class THWFlowOptionSet {
 public:
  constexpr THWFlowOptionSet() = default;
  constexpr THWFlowOptionSet(std::initializer_list<THWFlowOptions> members) {
    for (auto m : members) bits_ |= Bit(m);
  }
  static constexpr THWFlowOptionSet FromMask(uint32_t mask) {
    THWFlowOptionSet s;
    s.bits_ = static_cast<uint8_t>(mask & 0x0F);
    return s;
  }
  constexpr uint32_t Mask() const { return bits_; }
  constexpr bool Contains(THWFlowOptions m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr THWFlowOptionSet Without(THWFlowOptionSet other) const {
    return FromMask(bits_ & ~other.bits_);
  }
  friend constexpr bool operator==(THWFlowOptionSet, THWFlowOptionSet) = default;

 private:
  static constexpr uint8_t Bit(THWFlowOptions m) { return static_cast<uint8_t>(1u << m); }
  uint8_t bits_ = 0;
};

using TTriggerEvent =
    TEvent<void(TObject* CP, uint16_t Msg, uint16_t TriggerHandle, uint16_t Data)>;
using TTriggerAvailEvent = TEvent<void(TObject* CP, uint16_t Count)>;
using TTriggerDataEvent = TEvent<void(TObject* CP, uint16_t TriggerHandle)>;
using TTriggerStatusEvent = TEvent<void(TObject* CP, uint16_t TriggerHandle)>;
using TTriggerTimerEvent = TEvent<void(TObject* CP, uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent = TEvent<void(TObject* CP, uint16_t Error, bool LineBreak)>;

// Port users: told when the port opens and closes.
using TPortCallback = TEvent<void(TObject* port, bool opening)>;
using TPortCallbackEx = TEvent<void(TObject* port, TApdCallbackType kind)>;

struct TPortUser {
  HWND Window = 0;  // nonzero: a window that is sent the port messages
  TPortCallback Callback;
  TPortCallbackEx CallbackEx;
  bool Extended = false;
};

// What writing the trace or the dispatch log to its file came to.
struct TRecorderDump {
  std::string FileName;
  int32_t Code = 0;      // 0, or the negative code of the failure
  bool Written = false;  // with code 0 and no file written, the recorder held nothing
};

// What an extended port-user window is sent when the port starts closing; every window user is
// sent MsgPortOpen and MsgPortClose.
constexpr UINT MsgPortClosing = MsgClosePending;

class TApdCustomComPort : public TApdBaseComponent {
 public:
  explicit TApdCustomComPort(TComponent* owner = nullptr);
  ~TApdCustomComPort() override;

  // ---- Published properties, in declaration order ----
  TDeviceLayer DeviceLayer() const { return deviceLayer_; }
  void SetDeviceLayer(TDeviceLayer v);
  uint16_t ComNumber() const { return comNumber_; }
  void SetComNumber(uint16_t v);
  int32_t Baud() const { return baud_; }
  void SetBaud(int32_t v);
  bool PromptForPort() const { return promptForPort_; }
  void SetPromptForPort(bool v) { promptForPort_ = v; }
  TParity Parity() const { return parity_; }
  void SetParity(TParity v);
  uint16_t DataBits() const { return dataBits_; }
  void SetDataBits(uint16_t v);
  uint16_t StopBits() const { return stopBits_; }
  void SetStopBits(uint16_t v);
  uint16_t InSize() const { return inSize_; }
  void SetInSize(uint16_t v);
  uint16_t OutSize() const { return outSize_; }
  void SetOutSize(uint16_t v);
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool v) { autoOpen_ = v; }
  // False while a close is completing, even when it was asked for from a handler.
  bool Open() const { return open_ && portState_ != psShuttingDown; }
  void SetOpen(bool v);
  bool DTR() const { return dtr_; }
  void SetDTR(bool v);
  bool RTS() const { return rts_; }
  void SetRTS(bool v);
  THWFlowOptionSet HWFlowOptions() const { return hwFlow_; }
  void SetHWFlowOptions(THWFlowOptionSet v);
  TSWFlowOptions SWFlowOptions() const { return swFlow_; }
  void SetSWFlowOptions(TSWFlowOptions v);
  char XOnChar() const { return xonChar_; }
  void SetXOnChar(char v);
  char XOffChar() const { return xoffChar_; }
  void SetXOffChar(char v);
  uint16_t BufferFull() const { return bufferFull_; }
  void SetBufferFull(uint16_t v);
  uint16_t BufferResume() const { return bufferResume_; }
  void SetBufferResume(uint16_t v);
  TTraceLogState Tracing() const { return tracing_; }
  void SetTracing(TTraceLogState v);
  uint32_t TraceSize() const { return traceSize_; }
  void SetTraceSize(uint32_t v);
  const std::string& TraceName() const { return traceName_; }
  void SetTraceName(const std::string& v) { traceName_ = v.substr(0, 255); }
  bool TraceHex() const { return traceHex_; }
  void SetTraceHex(bool v) { traceHex_ = v; }
  bool TraceAllHex() const { return traceAllHex_; }
  void SetTraceAllHex(bool v) { traceAllHex_ = v; }
  TTraceLogState Logging() const { return logging_; }
  void SetLogging(TTraceLogState v);
  uint32_t LogSize() const { return logSize_; }
  void SetLogSize(uint32_t v);
  const std::string& LogName() const { return logName_; }
  void SetLogName(const std::string& v) { logName_ = v.substr(0, 255); }
  bool LogHex() const { return logHex_; }
  void SetLogHex(bool v) { logHex_ = v; }
  bool LogAllHex() const { return logAllHex_; }
  void SetLogAllHex(bool v) { logAllHex_ = v; }
  bool UseMSRShadow() const { return useMSRShadow_; }
  void SetUseMSRShadow(bool v) { useMSRShadow_ = v; }
  bool UseEventWord() const { return useEventWord_; }
  void SetUseEventWord(bool v);
  uint16_t CommNotificationLevel() const { return commNotificationLevel_; }
  void SetCommNotificationLevel(uint16_t v) { commNotificationLevel_ = v; }
  TTapiMode TapiMode() const { return tapiMode_; }
  void SetTapiMode(TTapiMode v) { tapiMode_ = v; }
  bool RS485Mode() const { return rs485Mode_; }
  void SetRS485Mode(bool v);

  TNotifyEvent OnPortClose() const { return onPortClose_; }
  void SetOnPortClose(TNotifyEvent v) { onPortClose_ = v; }
  TNotifyEvent OnPortOpen() const { return onPortOpen_; }
  void SetOnPortOpen(TNotifyEvent v) { onPortOpen_ = v; }
  TTriggerEvent OnTrigger() const { return onTrigger_; }
  void SetOnTrigger(TTriggerEvent v);
  TTriggerAvailEvent OnTriggerAvail() const { return onTriggerAvail_; }
  void SetOnTriggerAvail(TTriggerAvailEvent v);
  TTriggerDataEvent OnTriggerData() const { return onTriggerData_; }
  void SetOnTriggerData(TTriggerDataEvent v);
  TTriggerStatusEvent OnTriggerStatus() const { return onTriggerStatus_; }
  void SetOnTriggerStatus(TTriggerStatusEvent v);
  TTriggerTimerEvent OnTriggerTimer() const { return onTriggerTimer_; }
  void SetOnTriggerTimer(TTriggerTimerEvent v);
  TTriggerLineErrorEvent OnTriggerLineError() const { return onTriggerLineError_; }
  void SetOnTriggerLineError(TTriggerLineErrorEvent v);
  TNotifyEvent OnTriggerModemStatus() const { return onTriggerModemStatus_; }
  void SetOnTriggerModemStatus(TNotifyEvent v);
  TNotifyEvent OnTriggerOutbuffFree() const { return onTriggerOutbuffFree_; }
  void SetOnTriggerOutbuffFree(TNotifyEvent v);
  TNotifyEvent OnTriggerOutbuffUsed() const { return onTriggerOutbuffUsed_; }
  void SetOnTriggerOutbuffUsed(TNotifyEvent v);
  TNotifyEvent OnTriggerOutSent() const { return onTriggerOutSent_; }
  void SetOnTriggerOutSent(TNotifyEvent v);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t v) { tag_ = v; }

  // ---- Public state ----
  uint16_t AvailThreshold() const { return availThreshold_; }
  void SetAvailThreshold(uint16_t v);
  uint8_t ThreadPriorityBoost() const { return threadPriorityBoost_; }
  void SetThreadPriorityBoost(uint8_t v);
  TApdPortState PortState() const { return portState_; }
  // The dispatcher while the port is open or its close is still completing; otherwise null.
  TApdBaseDispatcher* Dispatcher() const { return dispatcher_.get(); }
  // The hidden window while the port is open; otherwise 0.
  HWND ComWindow() const { return comWindow_; }
  bool OpenPending() const { return openPending_; }
  // The trace and log files written (or not) since the port last opened, in the order of the
  // attempts; closing writes the trace first, then the log.
  const std::vector<TRecorderDump>& RecorderDumps() const { return dumps_; }
  bool Force() const { return force_; }

  // Copies the settings of another port (see the implementation); other objects are ignored.
  void Assign(TObject* source);

  // ---- Data and status ----
  // Next received character; 0 while closing. Raises on an empty buffer (-3007).
  char ReadChar();
  uint32_t InputCount();
  uint32_t OutputCount();
  bool CtsOn();
  bool DsrOn();
  bool DcdOn();
  bool RingTrailingEdge();
  int LastLineError();
  bool BreakReceived();
  // Whether the open port's device has gone away (see TApdBaseDispatcher::DeviceLost); false
  // while closed, without opening the port.
  bool DeviceLost();
  // How often the device came back since the port was opened; 0 while closed.
  uint32_t DeviceReturns();
  int CreateTimerTrigger();
  int CreateStatusTrigger(uint16_t kind);
  void ArmTimerTrigger(int32_t handle, int32_t ticks, bool activate);
  void ArmStatusTrigger(int32_t handle, uint16_t value, bool activate);
  void DeleteTrigger(int32_t handle);
  void YieldToDevice();

  // ---- Port users ----
  void AddPortUser(TPortCallback callback);
  // Removes every record with that callback.
  void RemovePortUser(TPortCallback callback);
  void AddPortUserEx(TPortCallbackEx callback);
  void RemovePortUserEx(TPortCallbackEx callback);
  // A window is sent MsgPortOpen and MsgPortClose, and MsgPortClosing when `extended`.
  void AddPortUserWindow(HWND window, bool extended = false);
  void RemovePortUserWindow(HWND window);
  const std::vector<TPortUser>& PortUsers() const { return users_; }

  // The dispatcher, opening the port first when AutoOpen allows it; may stay null.
  TApdBaseDispatcher* ActiveDispatcher();
  // ActiveDispatcher, raising -2007 when there is none.
  TApdBaseDispatcher& RequireDispatcher();

 protected:
  void Loaded() override;

  // ---- Virtual operations ----
  virtual std::unique_ptr<TApdBaseDispatcher> CreateDispatcher();
  virtual void DeviceLayerChanged() {}
  virtual int OpenDevice();
  virtual void SetComWindow(bool create);
  virtual void ValidatePort();
  virtual void RaiseTrigger(uint16_t msg, uint16_t triggerHandle, uint16_t data);
  virtual void RaiseAvail(uint16_t count);
  virtual void RaiseData(uint16_t triggerHandle);
  virtual void RaiseStatus(uint16_t triggerHandle);
  virtual void RaiseTimer(uint16_t triggerHandle);
  virtual void UpdatePortHandler();
  virtual void RaiseLineError(uint16_t error, bool lineBreak);
  virtual void RaiseModemStatus();
  virtual void RaiseOutbuffFree();
  virtual void RaiseOutbuffUsed();
  virtual void RaiseOutSent();
  virtual void ShutdownPort();
  virtual void NotifyPortOpen();
  virtual void NotifyPortClose();
  virtual void NotifyPortClosing();
  virtual void StartPort();

 private:
  // The hidden window's procedure.
  LRESULT ComWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleTriggerMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void FinishDeferredClose();
  // Closes the window and frees the dispatcher: the end of every close and of a failed open.
  void ReleaseDispatcher();
  bool IsOpen() const { return portState_ == psOpen; }
  bool Closing() const { return portState_ == psShuttingDown; }
  bool Streaming() const { return IsLoading() || IsDesigning(); }
  int32_t Check(int32_t code);
  void ApplyLine();
  void DeriveThresholds(bool hardware, bool software);
  void ReapplyFlow();
  bool AnyTriggerEventAssigned() const;

  // Trace and log state changes of an open port: the dispatcher's recorder follows, and the
  // new state is returned. Raises what the dispatcher refuses (a ring size, a file).
  TTraceLogState ChangeRecorder(TTraceLogState old, TTraceLogState wanted, bool trace);
  // Writes the rings that earlier closes could not write, oldest first, to `fileName`; each one
  // written makes the rest append. 0 or the failure's code, with the ring that failed kept.
  int32_t WriteKept(bool trace, const std::string& fileName, bool& append, bool inHex, bool allHex,
                    bool& written);

  TDeviceLayer deviceLayer_ = dlWin32;
  uint16_t comNumber_ = 0;
  int32_t baud_ = 19200;
  bool promptForPort_ = true;
  TParity parity_ = pNone;
  uint16_t dataBits_ = 8;
  uint16_t stopBits_ = 1;
  uint16_t inSize_ = 4096;
  uint16_t outSize_ = 4096;
  bool autoOpen_ = true;
  bool open_ = false;
  bool dtr_ = true;
  bool rts_ = true;
  THWFlowOptionSet hwFlow_;
  TSWFlowOptions swFlow_ = swfNone;
  char xonChar_ = 17;
  char xoffChar_ = 19;
  uint16_t bufferFull_ = 0;
  uint16_t bufferResume_ = 0;
  TTraceLogState tracing_ = tlOff;
  uint32_t traceSize_ = 10000;
  std::string traceName_ = "APRO.TRC";
  bool traceHex_ = true;
  bool traceAllHex_ = false;
  TTraceLogState logging_ = tlOff;
  uint32_t logSize_ = 10000;
  std::string logName_ = "APRO.LOG";
  bool logHex_ = true;
  bool logAllHex_ = false;
  bool useMSRShadow_ = true;
  bool useEventWord_ = true;
  uint16_t commNotificationLevel_ = 10;
  TTapiMode tapiMode_ = tmAuto;
  bool rs485Mode_ = false;
  TNotifyEvent onPortClose_;
  TNotifyEvent onPortOpen_;
  TTriggerEvent onTrigger_;
  TTriggerAvailEvent onTriggerAvail_;
  TTriggerDataEvent onTriggerData_;
  TTriggerStatusEvent onTriggerStatus_;
  TTriggerTimerEvent onTriggerTimer_;
  TTriggerLineErrorEvent onTriggerLineError_;
  TNotifyEvent onTriggerModemStatus_;
  TNotifyEvent onTriggerOutbuffFree_;
  TNotifyEvent onTriggerOutbuffUsed_;
  TNotifyEvent onTriggerOutSent_;
  int32_t tag_ = 0;

  uint16_t availThreshold_ = 1;
  uint8_t threadPriorityBoost_ = 0;
  TApdPortState portState_ = psClosed;
  std::unique_ptr<TApdBaseDispatcher> dispatcher_;
  HWND comWindow_ = 0;
  bool openPending_ = false;
  // How deep the GUI thread is in this port's hidden-window handlers, whose dispatch thread
  // waits in its send until they return.
  int handlerDepth_ = 0;
  // StartPort is under way: Open changes asked for meanwhile (from a message handled while a
  // failing open closes the device again) are ignored, not run inside it.
  bool starting_ = false;
  bool force_ = false;
  bool forceOpenAfterLoad_ = false;
  bool copyTriggers_ = false;
  TTriggerSave savedTriggers_;
  std::vector<TPortUser> users_;
  std::vector<TRecorderDump> dumps_;
  // What a close could not write outlives the dispatcher it was recorded in.
  struct TKeptLog {
    TApdDispatchLogRecorder Recorder;
    std::string Device;
  };
  std::vector<TApdTraceRecorder> keptTraces_;
  std::vector<TKeptLog> keptLogs_;
};

// The component as the forms stream it; it only publishes what TApdCustomComPort holds.
class TApdComPort : public TApdCustomComPort {
 public:
  using TApdCustomComPort::TApdCustomComPort;
};
