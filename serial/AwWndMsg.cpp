#include "serial/AwWndMsg.h"

#include <chrono>

TWndMsgFacility::TWndMsgFacility() : guiThread_(std::this_thread::get_id()) {}

TWndMsgFacility::~TWndMsgFacility() {
  std::lock_guard lock(mutex_);
  for (auto& s : sent_) s->state = TSent::Failed;
  sent_.clear();
  sentDone_.notify_all();
}

void TWndMsgFacility::AttachGuiThread() {
  std::lock_guard lock(mutex_);
  guiThread_ = std::this_thread::get_id();
}

bool TWndMsgFacility::OnGuiThread() const {
  std::lock_guard lock(mutex_);
  return guiThread_ == std::this_thread::get_id();
}

void TWndMsgFacility::SetWakeHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  wakeHook_ = std::move(hook);
}

void TWndMsgFacility::SetIdleHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  idleHook_ = std::move(hook);
}

HWND TWndMsgFacility::CreateWindow(TWndProc proc) {
  std::lock_guard lock(mutex_);
  HWND wnd = nextHandle_++;
  windows_[wnd] = proc;
  return wnd;
}

bool TWndMsgFacility::DestroyWindow(HWND wnd) {
  std::lock_guard lock(mutex_);
  if (windows_.erase(wnd) == 0) return false;
  std::erase_if(posted_, [wnd](const TMsg& m) { return m.hwnd == wnd; });
  bool released = false;
  std::erase_if(sent_, [wnd, &released](const std::shared_ptr<TSent>& s) {
    if (s->msg.hwnd != wnd) return false;
    s->state = TSent::Failed;
    released = true;
    return true;
  });
  if (released) sentDone_.notify_all();
  return true;
}

bool TWndMsgFacility::IsWindow(HWND wnd) const {
  std::lock_guard lock(mutex_);
  return windows_.contains(wnd);
}

LRESULT TWndMsgFacility::SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  SendMessageTimeout(wnd, msg, wParam, lParam, UINT32_MAX, &result);
  return result;
}

bool TWndMsgFacility::SendMessageTimeout(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         uint32_t timeoutMs, LRESULT* result) {
  if (result) *result = 0;
  std::unique_lock lock(mutex_);
  auto it = windows_.find(wnd);
  if (it == windows_.end()) return false;
  if (guiThread_ == std::this_thread::get_id()) {
    TWndProc proc = it->second;
    lock.unlock();
    LRESULT r = proc ? proc(wnd, msg, wParam, lParam) : 0;
    if (result) *result = r;
    return true;
  }
  auto sent = std::make_shared<TSent>();
  sent->msg = TMsg{wnd, msg, wParam, lParam};
  sent_.push_back(sent);
  Queued(lock);
  lock.lock();
  auto finished = [&] { return sent->state == TSent::Done || sent->state == TSent::Failed; };
  if (timeoutMs == UINT32_MAX) {
    sentDone_.wait(lock, finished);
  } else if (!sentDone_.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished)) {
    // Not taken yet: withdraw it so that it never runs after its sender gave up. One that is
    // already running completes into the shared record, which nobody reads any more.
    if (sent->state == TSent::Queued) std::erase(sent_, sent);
    return false;
  }
  if (sent->state != TSent::Done) return false;
  if (result) *result = sent->result;
  return true;
}

bool TWndMsgFacility::PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::unique_lock lock(mutex_);
  if (!windows_.contains(wnd)) return false;
  posted_.push_back(TMsg{wnd, msg, wParam, lParam});
  Queued(lock);
  return true;
}

void TWndMsgFacility::PostQuitMessage(int exitCode) {
  std::unique_lock lock(mutex_);
  quitPending_ = true;
  quitCode_ = exitCode;
  Queued(lock);
}

// Wakes the waiters and calls the wake hook; leaves `lock` unlocked.
void TWndMsgFacility::Queued(std::unique_lock<std::mutex>& lock) {
  ++wakeCount_;
  queueChanged_.notify_all();
  std::function<void()> hook = wakeHook_;
  lock.unlock();
  if (hook) hook();
}

bool TWndMsgFacility::RunOneSent() {
  std::unique_lock lock(mutex_);
  if (sent_.empty()) return false;
  std::shared_ptr<TSent> sent = sent_.front();
  sent_.pop_front();
  auto it = windows_.find(sent->msg.hwnd);
  if (it == windows_.end()) {
    sent->state = TSent::Failed;
    sentDone_.notify_all();
    return true;
  }
  TWndProc proc = it->second;
  sent->state = TSent::Running;
  lock.unlock();
  LRESULT r =
      proc ? proc(sent->msg.hwnd, sent->msg.message, sent->msg.wParam, sent->msg.lParam) : 0;
  lock.lock();
  sent->result = r;
  sent->state = TSent::Done;
  sentDone_.notify_all();
  return true;
}

bool TWndMsgFacility::PeekMessage(TMsg& msg, bool remove) {
  while (RunOneSent()) {
  }
  std::lock_guard lock(mutex_);
  if (!posted_.empty()) {
    msg = posted_.front();
    if (remove) posted_.pop_front();
    return true;
  }
  if (quitPending_) {
    msg = TMsg{0, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
    if (remove) quitPending_ = false;
    return true;
  }
  return false;
}

LRESULT TWndMsgFacility::DispatchMessage(const TMsg& msg) {
  std::unique_lock lock(mutex_);
  auto it = windows_.find(msg.hwnd);
  if (it == windows_.end()) return 0;
  TWndProc proc = it->second;
  lock.unlock();
  return proc ? proc(msg.hwnd, msg.message, msg.wParam, msg.lParam) : 0;
}

bool TWndMsgFacility::HandleOneMessage() {
  if (RunOneSent()) return true;
  TMsg msg;
  {
    std::lock_guard lock(mutex_);
    if (!posted_.empty()) {
      msg = posted_.front();
      posted_.pop_front();
    } else {
      // A quit request stays for the outer message loop.
      return false;
    }
  }
  DispatchMessage(msg);
  return true;
}

void TWndMsgFacility::WaitMessage(uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  uint64_t seen = wakeCount_;
  queueChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return !sent_.empty() || !posted_.empty() || wakeCount_ != seen; });
}

void TWndMsgFacility::Wake() {
  std::lock_guard lock(mutex_);
  ++wakeCount_;
  queueChanged_.notify_all();
}

void TWndMsgFacility::PumpUntil(const std::function<bool()>& done, uint32_t pollMs) {
  bool gui = OnGuiThread();
  while (!done()) {
    if (gui && HandleOneMessage()) continue;
    if (gui) {
      std::function<void()> idle;
      {
        std::lock_guard lock(mutex_);
        idle = idleHook_;
      }
      if (idle) {
        idle();
        if (done()) break;
      }
      WaitMessage(pollMs);
    } else {
      std::unique_lock lock(mutex_);
      uint64_t seen = wakeCount_;
      queueChanged_.wait_for(lock, std::chrono::milliseconds(pollMs),
                             [&] { return wakeCount_ != seen; });
    }
  }
}

size_t TWndMsgFacility::PendingCount() const {
  std::lock_guard lock(mutex_);
  return sent_.size() + posted_.size();
}

TWndMsgFacility& WndMsg() {
  static TWndMsgFacility facility;
  return facility;
}
