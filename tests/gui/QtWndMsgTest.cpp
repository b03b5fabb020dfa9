// The window-message facility inside Qt's event loop, on the offscreen platform: serial-side
// threads send to windows whose procedures run on the GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "gui/serial/QtWndMsg.h"
#include "serial/AwWndMsg.h"

namespace {

using Clock = std::chrono::steady_clock;

// A window whose procedure counts its calls and notes the thread it ran on.
struct TTestWindow {
  TTestWindow() { wnd = WndMsg().CreateWindow(TWndProc::Bind<&TTestWindow::Proc>(this)); }
  ~TTestWindow() { WndMsg().DestroyWindow(wnd); }
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;

  LRESULT Proc(HWND, UINT, WPARAM wParam, LPARAM) {
    ++calls;
    thread = std::this_thread::get_id();
    if (body) return body(wParam);
    return static_cast<LRESULT>(wParam) * 2;
  }

  HWND wnd = 0;
  std::atomic<int> calls{0};
  std::thread::id thread;
  std::function<LRESULT(WPARAM)> body;
};

// Runs Qt's event loop until `quit` is called from any thread, or 10 s passed.
class TLoop {
 public:
  void Quit() { QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection); }
  // Whether the loop ended by Quit.
  bool Run() {
    bool timedOut = false;
    QTimer::singleShot(10000, &loop_, [&] {
      timedOut = true;
      loop_.quit();
    });
    loop_.exec();
    return !timedOut;
  }

 private:
  QEventLoop loop_;
};

class QtWndMsgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "QtWndMsgTest";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    pump_ = TQtWndMsgPump::Install();
  }
  static void TearDownTestSuite() {
    app_.reset();
    pump_ = nullptr;
  }

  static std::unique_ptr<QApplication> app_;
  static TQtWndMsgPump* pump_;
};

std::unique_ptr<QApplication> QtWndMsgTest::app_;
TQtWndMsgPump* QtWndMsgTest::pump_ = nullptr;

}  // namespace

TEST_F(QtWndMsgTest, InstallsOncePerApplication) {
  ASSERT_NE(pump_, nullptr);
  EXPECT_EQ(TQtWndMsgPump::Install(), pump_);
  EXPECT_EQ(TQtWndMsgPump::Instance(), pump_);
  EXPECT_EQ(pump_->parent(), app_.get());
  EXPECT_TRUE(WndMsg().OnGuiThread());
}

TEST_F(QtWndMsgTest, AWorkersSendRunsOnTheGuiThreadWhileQtsLoopRuns) {
  TTestWindow window;
  TLoop loop;
  LRESULT result = 0;
  bool delivered = false;
  std::thread worker([&] {
    delivered = WndMsg().SendMessageTimeout(window.wnd, WM_USER, 21, 0, 5000, &result);
    loop.Quit();
  });
  EXPECT_TRUE(loop.Run());
  worker.join();
  EXPECT_TRUE(delivered);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(window.calls, 1);
  EXPECT_EQ(window.thread, std::this_thread::get_id());
}

TEST_F(QtWndMsgTest, ASendTimesOutWhileTheGuiThreadIsBusyInAHandler) {
  TTestWindow busy, late;
  TLoop loop;
  std::promise<bool> lateResult;
  std::thread second;
  // The busy handler waits, without handling messages, for the second send to give up.
  busy.body = [&](WPARAM) -> LRESULT {
    auto result = lateResult.get_future();
    second = std::thread([&] {
      lateResult.set_value(WndMsg().SendMessageTimeout(late.wnd, WM_USER, 1, 0, 100, nullptr));
    });
    return result.get() ? 1 : 0;
  };
  LRESULT busyResult = -1;
  std::thread first([&] {
    WndMsg().SendMessageTimeout(busy.wnd, WM_USER, 0, 0, 5000, &busyResult);
    loop.Quit();
  });
  EXPECT_TRUE(loop.Run());
  first.join();
  second.join();
  EXPECT_EQ(busyResult, 0) << "the second send was not refused";
  // The message that timed out was withdrawn: it never runs, however long Qt goes on.
  QCoreApplication::processEvents();
  while (WndMsg().HandleOneMessage()) {
  }
  EXPECT_EQ(late.calls, 0);
}

TEST_F(QtWndMsgTest, WaitingByPumpingServesBlockedSendersAndQtEvents) {
  TTestWindow window;
  std::mutex mutex;
  std::condition_variable changed;
  bool timerFired = false;
  // Only Qt's event processing fires the timer; no event loop runs while the GUI thread waits.
  QTimer::singleShot(0, [&] {
    std::lock_guard lock(mutex);
    timerFired = true;
    changed.notify_all();
  });
  std::atomic<bool> done{false};
  bool sawTimer = false;
  std::thread worker([&] {
    {
      std::unique_lock lock(mutex);
      sawTimer = changed.wait_for(lock, std::chrono::seconds(5), [&] { return timerFired; });
    }
    if (sawTimer) WndMsg().SendMessage(window.wnd, WM_USER, 5, 0);
    done = true;
    WndMsg().Wake();
  });
  auto deadline = Clock::now() + std::chrono::seconds(10);
  WndMsg().PumpUntil([&] { return done.load() || Clock::now() > deadline; });
  worker.join();
  EXPECT_TRUE(done);
  EXPECT_TRUE(sawTimer) << "Qt's events were not processed while waiting";
  EXPECT_EQ(window.calls, 1);
  EXPECT_EQ(window.thread, std::this_thread::get_id());
}

TEST_F(QtWndMsgTest, AProcedureThatPostsItselfAgainDoesNotStarveQt) {
  TTestWindow window;
  bool timerFired = false;
  int postsBeforeTimer = -1;
  constexpr int kLimit = 100000;
  TLoop loop;
  window.body = [&](WPARAM) -> LRESULT {
    // Qt's event comes after the first message was taken from Qt's queue.
    if (window.calls == 1) {
      QTimer::singleShot(0, [&] {
        timerFired = true;
        postsBeforeTimer = window.calls;
      });
    }
    if (timerFired) {
      loop.Quit();
    } else if (window.calls < kLimit) {
      WndMsg().PostMessage(window.wnd, WM_USER, 0, 0);
    }
    return 0;
  };
  WndMsg().PostMessage(window.wnd, WM_USER, 0, 0);
  EXPECT_TRUE(loop.Run());
  EXPECT_TRUE(timerFired);
  EXPECT_LT(postsBeforeTimer, kLimit);
}
