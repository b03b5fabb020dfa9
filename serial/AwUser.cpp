#include "serial/AwUser.h"

#include <algorithm>
#include <cstring>

#include "serial/AdErrCodes.h"

namespace {

std::recursive_mutex& ListLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::vector<TApdBaseDispatcher*>& List() {
  static std::vector<TApdBaseDispatcher*> list;
  return list;
}

}  // namespace

std::recursive_mutex& DispatcherListLock() {
  return ListLock();
}

TApdBaseDispatcher* DispatcherAt(int index) {
  std::lock_guard lock(ListLock());
  auto& list = List();
  if (index < 0 || index >= static_cast<int>(list.size())) return nullptr;
  return list[static_cast<size_t>(index)];
}

int DispatcherListCount() {
  std::lock_guard lock(ListLock());
  return static_cast<int>(List().size());
}

// ---------------------------------------------------------------------------------------------
// Life cycle

TApdBaseDispatcher::TApdBaseDispatcher(TObject* owner) : owner_(owner) {
  std::lock_guard lock(ListLock());
  auto& list = List();
  auto slot = std::find(list.begin(), list.end(), nullptr);
  if (slot != list.end()) {
    *slot = this;
  } else {
    list.push_back(this);
    slot = list.end() - 1;
  }
  index_ = static_cast<int>(slot - list.begin());
}

TApdBaseDispatcher::~TApdBaseDispatcher() {
  std::lock_guard lock(ListLock());
  auto& list = List();
  if (index_ >= 0 && index_ < static_cast<int>(list.size()))
    list[static_cast<size_t>(index_)] = nullptr;
  while (!list.empty() && list.back() == nullptr) list.pop_back();
}

void TApdBaseDispatcher::ShutdownDispatcher() {
  if (shutDown_) return;
  shutDown_ = true;
  if (closePending_.load())
    ReleaseBuffers();
  else
    CloseDevicePort();
  WndMsg().PumpUntil([this] { return liveThreads_.load() == 0; });
  std::lock_guard lock(dispLock_);
  RemoveAllTriggers();
  wndHandlers_.clear();
}

int TApdBaseDispatcher::ThreadEnded() {
  int left = --liveThreads_;
  if (left == 0) threadsRunning_.store(false);
  WndMsg().Wake();
  return left;
}

int TApdBaseDispatcher::OpenDevicePort(const std::string& name, int32_t baud, uint8_t parity,
                                       uint16_t dataBits, uint16_t stopBits, uint32_t inSize,
                                       uint32_t outSize, uint32_t options) {
  {
    std::lock_guard lock(dispLock_);
    ringFlag_.store(false);
    dispatching_ = false;
    handlerDeleted_ = false;
  }
  int cid = OpenDeviceHandle(name, inSize, outSize);
  if (cid < 0) return cid == ecOutOfMemory ? ecOutOfMemory : -LastDeviceError();
  cid_ = cid;
  auto fail = [this](int code) {
    CloseDevicePort();
    return code;
  };
  if (!SetupDeviceQueues(inSize, outSize)) return fail(-LastDeviceError());

  {
    std::scoped_lock lock(inLock_, dispLock_, outLock_);
    ring_.Allocate();
    outRing_.Allocate(outSize);
    inQue_ = inSize;
    outQue_ = outSize;
    comStat_ = TComStat{};
    lineErrors_ = 0;
    outSent_ = false;
    closePending_.store(false);
    modemStatus_ = 0;
    rs485_ = false;
    GetDeviceState(dcb_);
  }

  if (options & ooDtrHandshake)
    dtrHandshake_ = true;
  else
    SetDtr((options & ooDtr) != 0);
  if (options & ooRtsHandshake)
    rtsHandshake_ = true;
  else
    SetRts((options & ooRts) != 0);

  {
    std::scoped_lock lock(inLock_, dispLock_);
    RemoveAllTriggers();
    lastBaud_ = 115200;
  }
  GetModemStatus(msr_LevelMask);

  int rc = SetLine(baud, parity, stopBits, dataBits);
  if (rc != ecOK) return fail(rc);

  RefreshStatus();
  {
    std::scoped_lock lock(inLock_, dispLock_);
    trace_.Release();
    log_.Release();
    LogChanged();
    logStart_ = AdTimeGetTime();
  }
  StartThreads();
  return ecOK;
}

void TApdBaseDispatcher::CloseDevicePort() {
  if (cid_ >= 0) {
    FlushOutput();
    FlushInput();
    CloseDevice();
    cid_ = -1;
  }
  {
    std::lock_guard lock(dispLock_);
    if (dispatching_) {
      closePending_.store(true);
      return;
    }
  }
  ReleaseBuffers();
}

void TApdBaseDispatcher::ReleaseBuffers() {
  if (threadsRunning_.load()) StopThreads();
  ReleaseNow();
}

void TApdBaseDispatcher::ReleaseNow() {
  std::scoped_lock lock(inLock_, dispLock_, outLock_);
  ring_.Release();
  outRing_.Release();
}

void TApdBaseDispatcher::ApplyPriorityBoost(int boost) {
  priorityBoost_ = boost;
}

// ---------------------------------------------------------------------------------------------
// Trace and log

void TApdBaseDispatcher::LogChanged() {
  logging_.store(log_.Active(), std::memory_order_relaxed);
}

int TApdBaseDispatcher::StartTracing(uint32_t entries) {
  TraceLock lock(*this);
  return trace_.Start(entries);
}

void TApdBaseDispatcher::ClearTracing() {
  TraceLock lock(*this);
  trace_.Clear();
}

void TApdBaseDispatcher::PauseTracing() {
  TraceLock lock(*this);
  trace_.SetActive(false);
}

void TApdBaseDispatcher::ResumeTracing() {
  TraceLock lock(*this);
  trace_.SetActive(true);
}

void TApdBaseDispatcher::StopTracing() {
  TraceLock lock(*this);
  trace_.Release();
}

int TApdBaseDispatcher::WriteTrace(const std::string& fileName, bool append, bool inHex,
                                   bool allHex, bool* written) {
  TraceLock lock(*this);
  bool wrote = false;
  int rc = trace_.Write(fileName, append, inHex, allHex, wrote);
  if (written) *written = wrote;
  return rc;
}

int TApdBaseDispatcher::DumpTrace(const std::string& fileName, bool inHex, bool allHex,
                                  bool* written) {
  return WriteTrace(fileName, false, inHex, allHex, written);
}

int TApdBaseDispatcher::StartLogging(uint32_t bytes) {
  std::lock_guard lock(dispLock_);
  int rc = log_.Start(bytes);
  LogChanged();
  return rc;
}

void TApdBaseDispatcher::ClearLogging() {
  std::lock_guard lock(dispLock_);
  log_.Clear();
}

void TApdBaseDispatcher::PauseLogging() {
  std::lock_guard lock(dispLock_);
  log_.SetActive(false);
  LogChanged();
}

void TApdBaseDispatcher::ResumeLogging() {
  std::lock_guard lock(dispLock_);
  log_.SetActive(true);
  LogChanged();
}

void TApdBaseDispatcher::StopLogging() {
  std::lock_guard lock(dispLock_);
  log_.Release();
  LogChanged();
}

int TApdBaseDispatcher::WriteLog(const std::string& fileName, bool append, bool inHex, bool allHex,
                                 bool* written) {
  std::lock_guard lock(dispLock_);
  bool wrote = false;
  int rc = log_.Write(fileName, append, inHex, allHex, portName_, wrote);
  LogChanged();
  if (written) *written = wrote;
  return rc;
}

int TApdBaseDispatcher::DumpLog(const std::string& fileName, bool inHex, bool allHex,
                                bool* written) {
  return WriteLog(fileName, false, inHex, allHex, written);
}

bool TApdBaseDispatcher::Tracing() {
  TraceLock lock(*this);
  return trace_.Active();
}

bool TApdBaseDispatcher::Logging() {
  std::lock_guard lock(dispLock_);
  return log_.Active();
}

bool TApdBaseDispatcher::TurnsWanted() {
  if (InputCount() > 0) return true;
  std::lock_guard lock(dispLock_);
  return triggers_.TurnsWanted();
}

bool TApdBaseDispatcher::TraceExists() {
  TraceLock lock(*this);
  return trace_.Exists();
}

bool TApdBaseDispatcher::LogExists() {
  std::lock_guard lock(dispLock_);
  return log_.Exists();
}

TApdTraceRecorder TApdBaseDispatcher::TakeTrace() {
  TraceLock lock(*this);
  TApdTraceRecorder taken = std::move(trace_);
  trace_ = TApdTraceRecorder();
  return taken;
}

TApdDispatchLogRecorder TApdBaseDispatcher::TakeLog() {
  std::lock_guard lock(dispLock_);
  TApdDispatchLogRecorder taken = std::move(log_);
  log_ = TApdDispatchLogRecorder();
  LogChanged();
  return taken;
}

uint32_t TApdBaseDispatcher::LogStartTime() {
  std::lock_guard lock(dispLock_);
  return logStart_;
}

void TApdBaseDispatcher::Log(TDispatchType type, TDispatchSubType sub, uint32_t data,
                             const void* extra, uint32_t length) {
  if (!logging_.load(std::memory_order_relaxed)) return;
  std::lock_guard lock(dispLock_);
  log_.Add(type, sub, AdTimeGetTime() - logStart_, data, length ? extra : nullptr, length);
}

// ---------------------------------------------------------------------------------------------
// Receive buffer

bool TApdBaseDispatcher::ReceiveBufferFull() {
  std::lock_guard lock(inLock_);
  return ring_.Full();
}

int TApdBaseDispatcher::PeekByte(uint32_t n, char& c) {
  std::lock_guard lock(inLock_);
  return ring_.Peek(n, c) ? ecOK : ecBufferIsEmpty;
}

int TApdBaseDispatcher::ReadChar(char& c) {
  std::lock_guard lock(inLock_);
  if (!ring_.Read(c)) return ecBufferIsEmpty;
  // The input lock held here guards the trace too: no second lock for every character.
  trace_.Add('R', c);
  return ecOK;
}

int TApdBaseDispatcher::GetBlock(char* block, uint32_t count) {
  std::lock_guard lock(inLock_);
  if (count > ring_.Unread()) return ecBufferIsEmpty;
  for (uint32_t i = 0; i < count; ++i) ReadChar(block[i]);
  return static_cast<int>(count);
}

int TApdBaseDispatcher::PeekBlock(char* block, uint32_t count) {
  std::lock_guard lock(inLock_);
  if (!ring_.PeekBlock(block, count)) return ecBufferIsEmpty;
  return static_cast<int>(count);
}

uint32_t TApdBaseDispatcher::InputCount() {
  std::lock_guard lock(inLock_);
  return ring_.Unread();
}

uint32_t TApdBaseDispatcher::OutBuffUsed() {
  std::lock_guard lock(outLock_);
  return outRing_.Used();
}

// The device status record belongs to the dispatcher lock; the device layer takes the output
// lock inside GetDeviceStatus for its own output ring.
uint32_t TApdBaseDispatcher::OutputCount() {
  std::lock_guard lock(dispLock_);
  RefreshStatus();
  return comStat_.OutQueue;
}

uint32_t TApdBaseDispatcher::OutputFree() {
  std::lock_guard lock(dispLock_);
  RefreshStatus();
  return outQue_ - std::min(outQue_, comStat_.OutQueue);
}

int TApdBaseDispatcher::FlushOutput() {
  return FlushDevice(0);
}

int TApdBaseDispatcher::FlushInput() {
  std::lock_guard lock(inLock_);
  int rc = FlushDevice(1);
  ring_.Flush();
  std::lock_guard dlock(dispLock_);
  triggers_.ResetMatches();
  return rc;
}

bool TApdBaseDispatcher::ReadDeviceIntoBuffer() {
  std::lock_guard lock(inLock_);
  if (!ring_.Allocated()) return false;
  if (ring_.Full()) return true;
  RefreshStatus();
  uint32_t driverBytes;
  {
    std::lock_guard dlock(dispLock_);
    driverBytes = comStat_.InQueue;
  }
  if (driverBytes == 0) return false;
  return ring_.Fill(driverBytes, [this](char* into, uint32_t size) -> uint32_t {
    int n = ReadDevice(into, size);
    if (n < 0) {
      // The failed read counts as nothing received.
      ReportReadError(n);
      n = 0;
    }
    const uint32_t got = std::min(static_cast<uint32_t>(n), size);
    Log(dtDispatch, dstReadCom, got, got ? into : nullptr, got);
    return got;
  });
}

// ---------------------------------------------------------------------------------------------
// Checks and notification

bool TApdBaseDispatcher::AvailCheck() {
  uint32_t n;
  uint32_t tail;
  {
    // Data (string) triggers would scan the new bytes here; none are ever created.
    std::lock_guard lock(inLock_);
    n = ring_.Unread();
    tail = ring_.Tail();
    std::lock_guard dlock(dispLock_);
    const uint32_t threshold = triggers_.AvailThreshold();
    if (threshold == 0 || !ring_.NewSinceAnnounced() || n < threshold) return false;
  }
  Log(dtTrigger, dstAvail, n);
  bool result = Notify(MsgTriggerAvail, n, 0);
  std::lock_guard lock(inLock_);
  ring_.Announced(tail);
  return result;
}

bool TApdBaseDispatcher::TimerCheck() {
  int32_t handle = 0;
  {
    std::lock_guard lock(dispLock_);
    handle = triggers_.FireTimer(CurrentTicks());
    if (handle == 0) return false;
  }
  Log(dtTrigger, dstTimer, static_cast<uint32_t>(handle));
  return Notify(MsgTriggerTimer, static_cast<WPARAM>(handle), 0);
}

bool TApdBaseDispatcher::StatusCheck() {
  int32_t handle = 0;
  uint16_t value = 0;
  {
    std::lock_guard lock(dispLock_);
    handle = triggers_.FireStatus(modemStatus_, lineErrors_, outSent_, *this, value);
    if (handle == 0) return false;
    UpdateLinesWatched();
  }
  Log(dtTrigger, dstStatus, static_cast<uint32_t>(handle));
  return Notify(MsgTriggerStatus, static_cast<WPARAM>(handle), value);
}

void TApdBaseDispatcher::ClearHitFlags() {
  std::lock_guard lock(dispLock_);
  triggers_.ClearHits();
}

bool TApdBaseDispatcher::StatusRun() {
  while (StatusCheck())
    if (closePending_.load()) return false;
  return !closePending_.load();
}

bool TApdBaseDispatcher::Notify(UINT msg, WPARAM wParam, uint16_t value) {
  LPARAM lParam;
  {
    std::lock_guard lock(dispLock_);
    if (!handlerServiceNeeded_) return true;
    dispatching_ = true;
    lParam = static_cast<LPARAM>(value) + static_cast<LPARAM>(index_) * 65536;
  }
  bool availDispatch = msg == MsgTriggerAvail || msg == MsgTriggerData;
  {
    std::lock_guard lock(inLock_);
    ring_.BeginNotify(availDispatch);
  }
  bool result = true;
  bool sendToWindows;
  {
    std::lock_guard lock(dispLock_);
    sendToWindows = wndHandlers_.size() > 1 || portHandlerInstalled_;
  }
  bool closed = false;
  for (size_t i = 0; sendToWindows; ++i) {
    TWndHandler handler;
    {
      std::lock_guard lock(dispLock_);
      if (i >= wndHandlers_.size()) break;
      handler = wndHandlers_[i];
    }
    if (i > 0) {
      std::lock_guard lock(inLock_);
      ring_.NextHandler();
    }
    if (!handler.Deleted) {
      LRESULT ignored;
      WndMsg().SendMessageTimeout(handler.Window, msg, wParam, lParam, NotifyTimeoutMs, &ignored);
    }
    if (closePending_.load()) {
      closed = true;
      result = false;
      break;
    }
    std::lock_guard lock(inLock_);
    ring_.HandlerDone();
  }

  {
    std::lock_guard lock(inLock_);
    const bool allocated = ring_.Allocated();
    const uint32_t consumed = ring_.EndNotify(closed);
    if (availDispatch && !closed && allocated && msg == MsgTriggerAvail && consumed != wParam)
      result = false;
  }
  std::lock_guard lock(dispLock_);
  dispatching_ = false;
  if (handlerDeleted_) {
    std::erase_if(wndHandlers_, [](const TWndHandler& h) { return h.Deleted; });
    handlerDeleted_ = false;
    RecomputeKeep();
  }
  return result;
}

void TApdBaseDispatcher::MapModemStatusChange() {
  std::lock_guard lock(dispLock_);
  uint8_t before = modemStatus_;
  GetModemStatus(0xFF);
  uint8_t moved = static_cast<uint8_t>((before ^ modemStatus_) & msr_LevelMask);
  if (moved & msr_Cts) modemStatus_ |= msr_DeltaCts;
  if (moved & msr_Dsr) modemStatus_ |= msr_DeltaDsr;
  if (moved & msr_Ring) modemStatus_ |= msr_TrailingRing;
  if (moved & msr_Dcd) modemStatus_ |= msr_DeltaDcd;
}

void TApdBaseDispatcher::DispatchEvents(uint32_t eventMask) {
  if (eventMask & (ev_CTS | ev_DSR | ev_RLSD | ev_RING | ev_RINGTE)) {
    MapModemStatusChange();
    if (!Dispatching()) {
      if (!StatusRun()) return;
      ClearHitFlags();
    }
  }
  if ((eventMask & 0xFF) >= ev_BREAK) {
    RefreshStatus();
    if (!Dispatching()) {
      if (!StatusRun()) return;
      ClearHitFlags();
    }
  }
  ReadDeviceIntoBuffer();
  if (!Dispatching()) {
    if (!StatusRun()) return;
    while (AvailCheck())
      if (closePending_.load()) return;
    if (closePending_.load()) return;
  }
  ClearHitFlags();
}

void TApdBaseDispatcher::DispatchTimers() {
  if (closePending_.load() || Dispatching()) return;
  {
    std::lock_guard lock(dispLock_);
    triggers_.ForgetHitRun();
  }
  while (!closePending_.load() && (StatusCheck() || TimerCheck())) {
  }
  ClearHitFlags();
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TApdBaseDispatcher::AddWindowHandler(HWND window) {
  std::lock_guard lock(dispLock_);
  wndHandlers_.push_back(TWndHandler{window, false});
  handlerServiceNeeded_ = true;
  Log(dtTriggerHandlerAlloc, dstWndHandler, window);
}

void TApdBaseDispatcher::RemoveWindowHandler(HWND window) {
  std::lock_guard lock(dispLock_);
  auto it = std::find_if(wndHandlers_.begin(), wndHandlers_.end(), [window](const TWndHandler& h) {
    return h.Window == window && !h.Deleted;
  });
  if (it == wndHandlers_.end()) return;
  Log(dtTriggerHandlerDispose, dstWndHandler, window);
  if (dispatching_) {
    it->Deleted = true;
    handlerDeleted_ = true;
  } else {
    wndHandlers_.erase(it);
    RecomputeKeep();
  }
}

void TApdBaseDispatcher::UpdateLinesWatched() {
  const bool watched = triggers_.LinesWatched();
  if (linesWatched_.exchange(watched) != watched) LinesWatchChanged();
}

void TApdBaseDispatcher::RecomputeKeep() {
  // Callback handler lists are never filled in this system; only window handlers count.
  handlerServiceNeeded_ = wndHandlers_.size() > 1 || portHandlerInstalled_;
}

void TApdBaseDispatcher::RecomputeHandlerService(int kind) {
  std::lock_guard lock(dispLock_);
  switch (kind) {
    case hsInstall:
      portHandlerInstalled_ = true;
      handlerServiceNeeded_ = true;
      break;
    case hsUninstall:
      portHandlerInstalled_ = false;
      RecomputeKeep();
      break;
    default:
      RecomputeKeep();
      break;
  }
}

bool TApdBaseDispatcher::HandlerServiceNeeded() {
  std::lock_guard lock(dispLock_);
  return handlerServiceNeeded_;
}

bool TApdBaseDispatcher::Dispatching() {
  std::lock_guard lock(dispLock_);
  return dispatching_;
}

bool TApdBaseDispatcher::ClosePending() {
  return closePending_.load();
}

// ---------------------------------------------------------------------------------------------
// Triggers

void TApdBaseDispatcher::SetAvailThreshold(uint32_t threshold) {
  std::lock_guard lock(dispLock_);
  triggers_.SetAvailThreshold(threshold);
  Log(dtTriggerDataChange, dstAvailTrigger, threshold);
}

uint32_t TApdBaseDispatcher::AvailThreshold() {
  std::lock_guard lock(dispLock_);
  return triggers_.AvailThreshold();
}

int TApdBaseDispatcher::CreateTimerTrigger() {
  std::lock_guard lock(dispLock_);
  const int handle = triggers_.CreateTimer();
  if (handle < 0) return handle;
  Log(dtTriggerAlloc, dstTimerTrigger, static_cast<uint32_t>(handle));
  return handle;
}

int TApdBaseDispatcher::CreateStatusTrigger(uint16_t kind) {
  std::lock_guard lock(dispLock_);
  const int handle = triggers_.CreateStatus(kind);
  if (handle < 0) return handle;
  const uint8_t kindByte = static_cast<uint8_t>(kind);
  Log(dtTriggerAlloc, dstStatusTrigger, static_cast<uint32_t>(handle), &kindByte, 1);
  return handle;
}

int TApdBaseDispatcher::ArmTimerTrigger(int32_t handle, int32_t ticks, bool activate) {
  std::lock_guard lock(dispLock_);
  int32_t stored = ticks;
  const int rc = triggers_.ArmTimer(handle, stored, activate);
  if (rc != ecOK) return rc;
  if (activate) {
    TurnsChanged();
    Log(dtTriggerDataChange, dstTimerTrigger, static_cast<uint32_t>(handle), &stored, 4);
  } else {
    static const char deactivated[] = "Deactivated";
    Log(dtTriggerDataChange, dstTimerTrigger, static_cast<uint32_t>(handle), deactivated,
        sizeof deactivated - 1);
  }
  return ecOK;
}

int TApdBaseDispatcher::ArmStatusTrigger(int32_t handle, uint16_t value, bool activate) {
  std::lock_guard lock(dispLock_);
  TStatusTrigger armed;
  const int rc = triggers_.ArmStatus(handle, value, activate, modemStatus_, armed);
  if (rc != ecOK) return rc;
  if (activate) {
    const uint8_t record[4] = {static_cast<uint8_t>(armed.Value & 0xFF),
                               static_cast<uint8_t>(armed.Value >> 8), 1,
                               static_cast<uint8_t>(armed.Hit)};
    Log(dtTriggerDataChange, dstStatusTrigger, static_cast<uint32_t>(handle), record, 4);
  }
  UpdateLinesWatched();
  if (activate) TurnsChanged();
  return ecOK;
}

int TApdBaseDispatcher::DeleteTrigger(int32_t handle) {
  std::lock_guard lock(dispLock_);
  TRemovedKind removed;
  uint16_t kind;
  const int rc = triggers_.Delete(handle, removed, kind);
  if (rc != ecOK) return rc;
  const auto h = static_cast<uint32_t>(handle);
  switch (removed) {
    case TRemovedKind::Avail:
      break;
    case TRemovedKind::Timer:
      Log(dtTriggerDispose, dstTimer, h);
      break;
    case TRemovedKind::Status: {
      UpdateLinesWatched();
      const uint8_t kindByte = static_cast<uint8_t>(kind);
      Log(dtTriggerDispose, dstStatusTrigger, h, &kindByte, 1);
      break;
    }
    case TRemovedKind::Data:
      Log(dtTriggerDispose, dstData, h);
      break;
  }
  return ecOK;
}

void TApdBaseDispatcher::RemoveAllTriggers() {
  triggers_.Clear();
  UpdateLinesWatched();
}

void TApdBaseDispatcher::SnapshotTriggers(TTriggerSave& set) {
  std::lock_guard lock(dispLock_);
  triggers_.Snapshot(set);
}

void TApdBaseDispatcher::ReinstateTriggers(const TTriggerSave& set) {
  std::lock_guard lock(dispLock_);
  triggers_.Reinstate(set);
  UpdateLinesWatched();
}

std::vector<TTimerTrigger> TApdBaseDispatcher::TimerTriggers() {
  std::lock_guard lock(dispLock_);
  return triggers_.Timers();
}

std::vector<TStatusTrigger> TApdBaseDispatcher::StatusTriggers() {
  std::lock_guard lock(dispLock_);
  return triggers_.Statuses();
}

void TApdBaseDispatcher::SetOptionFlag(uint32_t bits) {
  std::lock_guard lock(dispLock_);
  options_ |= bits;
}

void TApdBaseDispatcher::ClearOptionFlag(uint32_t bits) {
  std::lock_guard lock(dispLock_);
  options_ &= ~bits;
}

uint32_t TApdBaseDispatcher::OptionFlags() {
  std::lock_guard lock(dispLock_);
  return options_;
}
