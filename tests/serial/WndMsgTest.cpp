#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/AwWndMsg.h"

namespace {

// A window that records what reaches it and can hold the GUI thread inside message 1 until
// released.
struct TRecordingWindow {
  explicit TRecordingWindow(TWndMsgFacility& f) : facility(f) {
    wnd = facility.CreateWindow(TWndProc::Bind<&TRecordingWindow::Proc>(this));
  }
  ~TRecordingWindow() { facility.DestroyWindow(wnd); }

  LRESULT Proc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    std::unique_lock lock(mutex);
    received.push_back(msg);
    threads.push_back(std::this_thread::get_id());
    if (msg == 1) {
      holding = true;
      changed.notify_all();
      changed.wait(lock, [this] { return released; });
    }
    return static_cast<LRESULT>(wParam * 2);
  }
  void WaitHolding() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return holding; });
  }
  void Release() {
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
  }
  std::vector<UINT> Received() {
    std::lock_guard lock(mutex);
    return received;
  }

  TWndMsgFacility& facility;
  HWND wnd;
  std::mutex mutex;
  std::condition_variable changed;
  bool holding = false;
  bool released = false;
  std::vector<UINT> received;
  std::vector<std::thread::id> threads;
};

}  // namespace

TEST(WndMsg, SendOnTheGuiThreadCallsDirectly) {
  TWndMsgFacility f;
  TRecordingWindow w(f);
  EXPECT_EQ(f.SendMessage(w.wnd, 7, 21, 0), 42);
  EXPECT_EQ(w.Received(), std::vector<UINT>{7});
  EXPECT_EQ(f.PendingCount(), 0u);
  EXPECT_EQ(f.SendMessage(w.wnd + 1000, 7, 21, 0), 0);
}

TEST(WndMsg, PostedMessagesRunOnePerPumpStepInOrder) {
  TWndMsgFacility f;
  TRecordingWindow a(f);
  TRecordingWindow b(f);
  EXPECT_TRUE(f.PostMessage(a.wnd, 10, 0, 0));
  EXPECT_TRUE(f.PostMessage(b.wnd, 11, 0, 0));
  EXPECT_TRUE(f.PostMessage(a.wnd, 12, 0, 0));
  EXPECT_FALSE(f.PostMessage(0, 13, 0, 0));
  EXPECT_TRUE(f.HandleOneMessage());
  EXPECT_EQ(a.Received(), std::vector<UINT>{10});
  EXPECT_TRUE(f.HandleOneMessage());
  EXPECT_TRUE(f.HandleOneMessage());
  EXPECT_FALSE(f.HandleOneMessage());
  EXPECT_EQ(a.Received(), (std::vector<UINT>{10, 12}));
  EXPECT_EQ(b.Received(), std::vector<UINT>{11});
}

TEST(WndMsg, QuitStaysPendingForTheOuterLoop) {
  TWndMsgFacility f;
  TRecordingWindow w(f);
  f.PostQuitMessage(3);
  f.PostMessage(w.wnd, 10, 0, 0);
  EXPECT_TRUE(f.HandleOneMessage());
  EXPECT_FALSE(f.HandleOneMessage());
  EXPECT_FALSE(f.HandleOneMessage());
  TMsg msg;
  ASSERT_TRUE(f.PeekMessage(msg, true));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(f.PeekMessage(msg, true));
}

TEST(WndMsg, DestroyingAWindowDropsItsPostedMessages) {
  TWndMsgFacility f;
  TRecordingWindow keep(f);
  auto gone = std::make_unique<TRecordingWindow>(f);
  f.PostMessage(gone->wnd, 10, 0, 0);
  f.PostMessage(keep.wnd, 11, 0, 0);
  HWND goneWnd = gone->wnd;
  gone.reset();
  EXPECT_FALSE(f.IsWindow(goneWnd));
  EXPECT_EQ(f.PendingCount(), 1u);
  EXPECT_TRUE(f.HandleOneMessage());
  EXPECT_EQ(keep.Received(), std::vector<UINT>{11});
}

TEST(WndMsg, SendFromAnotherThreadRunsOnTheGuiThread) {
  TWndMsgFacility f;
  TRecordingWindow w(f);
  std::atomic<bool> done{false};
  LRESULT result = 0;
  std::thread sender([&] {
    result = f.SendMessage(w.wnd, 5, 4, 0);
    done = true;
    f.Wake();
  });
  f.PumpUntil([&] { return done.load(); });
  sender.join();
  EXPECT_EQ(result, 8);
  ASSERT_EQ(w.threads.size(), 1u);
  EXPECT_EQ(w.threads[0], std::this_thread::get_id());
}

TEST(WndMsg, SendTimesOutAgainstABusyGuiThreadAndNeverRunsLater) {
  TWndMsgFacility f;
  TRecordingWindow w(f);
  std::atomic<bool> firstDone{false};
  bool secondOk = true;
  std::thread first([&] {
    f.SendMessage(w.wnd, 1, 0, 0);
    firstDone = true;
    f.Wake();
  });
  std::thread second([&] {
    w.WaitHolding();
    LRESULT r = -1;
    secondOk = f.SendMessageTimeout(w.wnd, 2, 0, 0, 30, &r);
    EXPECT_EQ(r, 0);
    w.Release();
  });
  f.PumpUntil([&] { return firstDone.load(); });
  first.join();
  second.join();
  while (f.HandleOneMessage()) {
  }
  EXPECT_FALSE(secondOk);
  EXPECT_EQ(w.Received(), std::vector<UINT>{1});
}

TEST(WndMsg, DestroyReleasesABlockedSenderWithFailure) {
  TWndMsgFacility f;
  auto w = std::make_unique<TRecordingWindow>(f);
  std::mutex m;
  std::condition_variable cv;
  bool queued = false;
  f.SetWakeHook([&] {
    std::lock_guard lock(m);
    queued = true;
    cv.notify_all();
  });
  bool ok = true;
  HWND wnd = w->wnd;
  std::thread sender([&] { ok = f.SendMessageTimeout(wnd, 5, 0, 0, UINT32_MAX, nullptr); });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return queued; });
  }
  w.reset();
  sender.join();
  f.SetWakeHook(nullptr);
  EXPECT_FALSE(ok);
  EXPECT_EQ(f.PendingCount(), 0u);
}

TEST(WndMsg, ManyThreadsSendAndPostWhileWindowsComeAndGo) {
  TWndMsgFacility f;
  TRecordingWindow w(f);
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  std::atomic<int> finished{0};
  std::atomic<LRESULT> sum{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        f.PostMessage(w.wnd, 20, 0, 0);
        LRESULT r = 0;
        if (f.SendMessageTimeout(w.wnd, 21, 1, 0, UINT32_MAX, &r)) sum += r;
      }
      ++finished;
      f.Wake();
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < kEach; ++i) {
      HWND temp = f.CreateWindow(TWndProc());
      f.PostMessage(temp, 22, 0, 0);
      f.DestroyWindow(temp);
    }
    ++finished;
    f.Wake();
  });
  f.PumpUntil([&] { return finished.load() == kThreads + 1; });
  for (auto& t : threads) t.join();
  while (f.HandleOneMessage()) {
  }
  auto received = w.Received();
  EXPECT_EQ(std::count(received.begin(), received.end(), 20u), kThreads * kEach);
  EXPECT_EQ(std::count(received.begin(), received.end(), 21u), kThreads * kEach);
  EXPECT_EQ(sum.load(), 2 * kThreads * kEach);
}
