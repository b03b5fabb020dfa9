// Window messages without a window system: window handles with window procedures, one message
// queue owned by the GUI thread, blocking sends with a time-out, posted messages and a pump step.
//
// The serial threads reach the GUI thread only through this facility. The GUI thread is the
// thread that created the facility, or the one that last called AttachGuiThread. A toolkit event
// loop drains the queue by calling HandleOneMessage after the wake hook has told it that a
// message is waiting; code that must wait without blocking the GUI thread pumps with PumpUntil.
// All members are thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "base/Event.h"

using HWND = uint32_t;  // 0 is no window
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A window procedure; bound as TWndProc::Bind<&Class::Method>(object).
using TWndProc = TEvent<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

struct TMsg {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class TWndMsgFacility {
 public:
  TWndMsgFacility();
  ~TWndMsgFacility();
  TWndMsgFacility(const TWndMsgFacility&) = delete;
  TWndMsgFacility& operator=(const TWndMsgFacility&) = delete;

  // Makes the calling thread the GUI thread.
  void AttachGuiThread();
  bool OnGuiThread() const;

  // Called (on the queuing thread, without locks held) whenever a message is queued, so that a
  // toolkit can wake its event loop. An empty function removes the hook.
  void SetWakeHook(std::function<void()> hook);
  // Called by PumpUntil on the GUI thread once per turn, so that a toolkit can process its own
  // events while the GUI thread waits. An empty function removes the hook.
  void SetIdleHook(std::function<void()> hook);

  // A window without a procedure answers every message with 0.
  HWND CreateWindow(TWndProc proc);
  // Drops the messages posted to the window and releases its blocked senders with failure.
  // Returns false for an unknown handle.
  bool DestroyWindow(HWND wnd);
  bool IsWindow(HWND wnd) const;

  // On the GUI thread the procedure is called directly; from another thread the sender blocks
  // until it has run on the GUI thread (or the window is destroyed). 0 for an unknown window.
  LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Like SendMessage, but a sender on another thread waits at most `timeoutMs`. Returns whether
  // the procedure ran to completion in time; its result goes to `result` (when not null). A
  // message that timed out before the GUI thread took it is withdrawn and never runs. The sender
  // handles no messages while it waits.
  bool SendMessageTimeout(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, uint32_t timeoutMs,
                          LRESULT* result);
  // Queues the message for the GUI thread; false for an unknown window.
  bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Sets the queue's quit request; it is reported by PeekMessage once no posted message waits.
  void PostQuitMessage(int exitCode);

  // GUI thread: runs the messages sent from other threads, then looks for a posted message (or
  // the quit request) and takes it from the queue when `remove` is set.
  bool PeekMessage(TMsg& msg, bool remove);
  // Calls the window procedure of the message's window (0 for an unknown window).
  LRESULT DispatchMessage(const TMsg& msg);

  // One pump step on the GUI thread: runs one message sent from another thread, or removes and
  // dispatches one posted message. A quit request that is found is set again (the outer loop
  // must still see it) and counts as nothing handled. Returns whether a message was handled.
  bool HandleOneMessage();
  // Waits until a message is queued, Wake is called or `timeoutMs` passed.
  void WaitMessage(uint32_t timeoutMs);
  // Ends a WaitMessage in progress (any thread), for example when a waited-for thread ended.
  void Wake();
  // Handles messages until `done` returns true. On the GUI thread it pumps; elsewhere it only
  // waits. `done` is checked at least every `pollMs`.
  void PumpUntil(const std::function<bool()>& done, uint32_t pollMs = 5);

  // Number of messages waiting (sent and posted).
  size_t PendingCount() const;

 private:
  struct TSent {
    TMsg msg;
    LRESULT result = 0;
    enum { Queued, Running, Done, Failed } state = Queued;
  };

  bool RunOneSent();
  void Queued(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable sentDone_;
  std::condition_variable queueChanged_;
  std::thread::id guiThread_;
  std::function<void()> wakeHook_;
  std::function<void()> idleHook_;
  std::map<HWND, TWndProc> windows_;
  HWND nextHandle_ = 0x100;
  std::deque<std::shared_ptr<TSent>> sent_;
  std::deque<TMsg> posted_;
  bool quitPending_ = false;
  int quitCode_ = 0;
  uint64_t wakeCount_ = 0;
};

// The process-wide facility used by the serial subsystem.
TWndMsgFacility& WndMsg();
