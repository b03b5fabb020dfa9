#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "serial/AdErrCodes.h"
#include "tests/serial/support/DispatcherFixture.h"

namespace {

std::string Pattern(size_t n, size_t from = 0) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + (from + i) % 26);
  return s;
}

}  // namespace

// ---- Avail notifications and the read-ahead ----

TEST_F(DispatcherTest, HandlersReadAheadAndTheBufferAdvancesByTheLargestRead) {
  Open();
  disp.SetAvailThreshold(1);
  TReaderWindow a(disp), b(disp);
  a.toRead = 3;
  b.toRead = 5;
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  disp.PushBytes("ABCDEFGH");
  ASSERT_TRUE(disp.ReadDeviceIntoBuffer());
  EXPECT_FALSE(disp.AvailCheck());
  EXPECT_EQ(a.seen, "ABC");
  EXPECT_EQ(b.seen, "ABCDE");
  ASSERT_EQ(a.msgs.size(), 1u);
  EXPECT_EQ(a.msgs[0].wParam, 8u);
  EXPECT_EQ(a.msgs[0].lParam, disp.DispatcherIndex() * 65536);
  EXPECT_EQ(disp.InputCount(), 3u);

  // Nothing new arrived: the three unread bytes are not announced again.
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 1u);

  disp.PushBytes("IJ");
  a.toRead = b.toRead = -1;
  disp.Step();
  ASSERT_EQ(b.msgs.size(), 2u);
  EXPECT_EQ(b.msgs[1].wParam, 5u);
  EXPECT_EQ(b.seen, "ABCDEFGHIJ");
  EXPECT_EQ(disp.InputCount(), 0u);
}

TEST_F(DispatcherTest, ReadingEverythingAnnouncedSucceedsOnce) {
  Open();
  disp.SetAvailThreshold(1);
  TReaderWindow a(disp), b(disp);
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  disp.PushBytes("xyz");
  disp.ReadDeviceIntoBuffer();
  EXPECT_TRUE(disp.AvailCheck());
  EXPECT_FALSE(disp.AvailCheck());
  EXPECT_EQ(a.seen, "xyz");
  EXPECT_EQ(disp.InputCount(), 0u);
  char c;
  EXPECT_EQ(disp.ReadChar(c), ecBufferIsEmpty);
}

TEST_F(DispatcherTest, ThresholdAndHandlerServiceDecideWhetherAnythingIsSent) {
  Open();
  TReaderWindow a(disp);
  disp.AddWindowHandler(a.wnd);
  disp.SetAvailThreshold(1);
  disp.PushBytes("1");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 0u) << "a single window without the port handler is not served";

  disp.RecomputeHandlerService(hsInstall);
  disp.SetAvailThreshold(0);
  disp.PushBytes("2");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 0u) << "threshold 0 switches avail off";

  disp.SetAvailThreshold(4);
  disp.PushBytes("3");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 0u) << "three bytes are below the threshold";
  disp.PushBytes("4");
  disp.Step();
  ASSERT_EQ(a.msgs.size(), 1u);
  EXPECT_EQ(a.seen, "1234");

  EXPECT_EQ(disp.DeleteTrigger(AvailTriggerHandle), 0);
  EXPECT_EQ(disp.AvailThreshold(), 0u);
  disp.PushBytes("5678");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 1u);
  EXPECT_EQ(disp.DeleteTrigger(0), ecBadTriggerHandle);
}

TEST_F(DispatcherTest, UnservedDataFillsTheBufferAndReadingResumesWhenSpaceIsMade) {
  Open();
  disp.SetAvailThreshold(1);
  disp.PushBytes(Pattern(10000));
  disp.Step();
  EXPECT_EQ(disp.InputCount(), DispatchBufferSize);
  EXPECT_TRUE(disp.ReceiveBufferFull());
  EXPECT_EQ(disp.DriverInCount(), 10000u - DispatchBufferSize);

  disp.ClearCalls();
  disp.Step();
  EXPECT_EQ(disp.CallCount("ReadDevice 8192"), 0);
  EXPECT_EQ(disp.DriverInCount(), 10000u - DispatchBufferSize);

  std::string got(100, '\0');
  ASSERT_EQ(disp.GetBlock(got.data(), 100), 100);
  EXPECT_EQ(got, Pattern(100));
  EXPECT_FALSE(disp.ReceiveBufferFull());
  disp.Step();
  EXPECT_TRUE(disp.ReceiveBufferFull());
  std::string all(DispatchBufferSize, '\0');
  ASSERT_EQ(disp.GetBlock(all.data(), DispatchBufferSize), static_cast<int>(DispatchBufferSize));
  EXPECT_EQ(all, Pattern(DispatchBufferSize, 100));
}

// A handler that flushes the input sees nothing left to read, nor does a later handler.
TEST_F(DispatcherTest, FlushInputDuringADispatchLeavesNothingToRead) {
  Open();
  disp.SetAvailThreshold(1);
  TReaderWindow a(disp), b(disp);
  a.toRead = 2;
  uint32_t leftAfterFlush = 99;
  a.action = [&] {
    disp.FlushInput();
    leftAfterFlush = disp.InputCount();
  };
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  disp.PushBytes("hello");
  disp.Step();
  EXPECT_EQ(a.seen, "he");
  EXPECT_EQ(leftAfterFlush, 0u);
  EXPECT_EQ(b.seen, "");
  EXPECT_EQ(disp.InputCount(), 0u);
}

// ---- Window handlers during a dispatch ----

TEST_F(DispatcherTest, HandlerRemovedDuringADispatchIsSkippedAndPurgedAfterwards) {
  Open();
  disp.SetAvailThreshold(1);
  disp.RecomputeHandlerService(hsInstall);
  TReaderWindow a(disp), b(disp), c(disp);
  a.action = [&] {
    disp.RemoveWindowHandler(a.wnd);
    disp.RemoveWindowHandler(b.wnd);
  };
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  disp.AddWindowHandler(c.wnd);
  disp.PushBytes("1");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 1u);
  EXPECT_EQ(b.msgs.size(), 0u);
  EXPECT_EQ(c.msgs.size(), 1u);
  disp.PushBytes("2");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 1u);
  EXPECT_EQ(c.msgs.size(), 2u);
  EXPECT_EQ(c.seen, "12");
}

TEST_F(DispatcherTest, CloseInsideAHandlerEndsTheDispatchAndIsCompletedLater) {
  Open();
  disp.SetAvailThreshold(1);
  TReaderWindow a(disp), b(disp);
  a.action = [&] { disp.CloseDevicePort(); };
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  disp.PushBytes("abc");
  disp.Step();
  EXPECT_EQ(a.msgs.size(), 1u);
  EXPECT_EQ(b.msgs.size(), 0u);
  EXPECT_TRUE(disp.ClosePending());
  EXPECT_FALSE(disp.Dispatching());
  EXPECT_EQ(disp.CallCount("CloseDevice"), 1);
  EXPECT_EQ(disp.CallCount("StopThreads"), 0) << "the release is left to the dispatch thread";
  disp.TimerStep();
  disp.ShutdownDispatcher();
  EXPECT_EQ(disp.CallCount("StopThreads"), 1);
  EXPECT_EQ(disp.CallCount("CloseDevice"), 1);
}

// ---- Opening, closing and the dispatcher list ----

TEST_F(DispatcherTest, OpeningReportsDeviceFailuresAndClosesWhatWasOpened) {
  {
    TApdFakeDispatcher d;
    d.FailOpen(-1, 5);
    EXPECT_EQ(d.OpenDevicePort("COM2", 9600, NOPARITY, 8, 1, 4096, 4096, 0), -5);
    EXPECT_EQ(d.CallCount("CloseDevice"), 0);
  }
  {
    TApdFakeDispatcher d;
    d.FailOpen(-8, 5);
    EXPECT_EQ(d.OpenDevicePort("COM2", 9600, NOPARITY, 8, 1, 4096, 4096, 0), -8);
  }
  {
    TApdFakeDispatcher d;
    d.FailSetupQueues(87);
    EXPECT_EQ(d.OpenDevicePort("COM2", 9600, NOPARITY, 8, 1, 4096, 4096, 0), -87);
    EXPECT_EQ(d.CallCount("CloseDevice"), 1);
    EXPECT_EQ(d.CallCount("StartThreads"), 0);
  }
  {
    TApdFakeDispatcher d;
    d.FailSetState(-31);
    EXPECT_EQ(d.OpenDevicePort("COM2", 9600, NOPARITY, 8, 1, 4096, 4096, 0), -31);
    EXPECT_EQ(d.CallCount("CloseDevice"), 1);
    EXPECT_EQ(d.InputCount(), 0u);
  }
}

TEST_F(DispatcherTest, OpenSetsTheLinesAndStartsTheThreadsOnce) {
  Open(ooDtr | ooRtsHandshake);
  EXPECT_EQ(disp.CallCount("OpenDeviceHandle COM1"), 1);
  EXPECT_EQ(disp.CallCount("SetupDeviceQueues 4096 4096"), 1);
  EXPECT_EQ(disp.CallCount("StartThreads"), 1);
  EXPECT_FALSE(disp.DtrHandshake());
  EXPECT_TRUE(disp.RtsHandshake());
  EXPECT_GE(disp.CallCount("EscapeFunction 5"), 1);
  EXPECT_EQ(disp.CallCount("EscapeFunction 3") + disp.CallCount("EscapeFunction 4"), 0);
  EXPECT_EQ(disp.DeviceBlock().BaudRate, 19200u);
  disp.CloseDevicePort();
  EXPECT_EQ(disp.CallCount("FlushDevice 0"), 1);
  EXPECT_EQ(disp.CallCount("FlushDevice 1"), 1);
  EXPECT_EQ(disp.CallCount("StopThreads"), 1);
  EXPECT_EQ(disp.InputCount(), 0u);
}

TEST_F(DispatcherTest, DispatchersTakeTheFirstFreeSlotOfTheList) {
  auto first = std::make_unique<TApdFakeDispatcher>();
  auto second = std::make_unique<TApdFakeDispatcher>();
  int slot = first->DispatcherIndex();
  EXPECT_EQ(DispatcherAt(slot), first.get());
  EXPECT_EQ(DispatcherAt(second->DispatcherIndex()), second.get());
  first.reset();
  EXPECT_EQ(DispatcherAt(slot), nullptr);
  TApdFakeDispatcher third;
  EXPECT_EQ(third.DispatcherIndex(), slot);
  int count = DispatcherListCount();
  int last = second->DispatcherIndex();
  second.reset();
  EXPECT_LT(DispatcherListCount(), count) << "empty slots at the end are dropped";
  EXPECT_EQ(DispatcherAt(last), nullptr);
}

// ---- Triggers ----

TEST_F(DispatcherTest, AnExpiredTimerIsNotifiedOnce) {
  Open();
  TReaderWindow a(disp);
  disp.AddWindowHandler(a.wnd);
  disp.RecomputeHandlerService(hsInstall);
  int timer = disp.CreateTimerTrigger();
  clock.SetTicks(5000);
  ASSERT_EQ(disp.ArmTimerTrigger(timer, 18, true), 0);
  clock.SetTicks(5018);
  disp.TimerStep();
  EXPECT_EQ(a.Count(MsgTriggerTimer), 0);
  clock.SetTicks(5019);
  disp.TimerStep();
  disp.TimerStep();
  ASSERT_EQ(a.Count(MsgTriggerTimer), 1);
  EXPECT_EQ(a.msgs.back().wParam, static_cast<WPARAM>(timer));
}

TEST_F(DispatcherTest, StatusTriggersFireOncePerArming) {
  Open();
  TReaderWindow a(disp);
  disp.AddWindowHandler(a.wnd);
  disp.RecomputeHandlerService(hsInstall);
  int modem = disp.CreateStatusTrigger(skModemLines);
  int errors = disp.CreateStatusTrigger(skLineError);
  int outFree = disp.CreateStatusTrigger(skOutputFree);
  ASSERT_EQ(disp.ArmStatusTrigger(modem, msr_Cts, true), 0);
  ASSERT_EQ(disp.ArmStatusTrigger(errors, 1, true), 0);  // overrun

  disp.SetModemLines(msr_Cts);
  disp.Step(ev_CTS);
  ASSERT_EQ(a.Count(MsgTriggerStatus), 1);
  EXPECT_EQ(a.msgs.back().wParam, static_cast<WPARAM>(modem));
  disp.SetModemLines(0);
  disp.Step(ev_CTS);
  EXPECT_EQ(a.Count(MsgTriggerStatus), 1);
  ASSERT_EQ(disp.ArmStatusTrigger(modem, msr_Cts, true), 0);
  disp.SetModemLines(msr_Cts);
  disp.Step(ev_CTS);
  EXPECT_EQ(a.Count(MsgTriggerStatus), 2);

  disp.RaiseErrors(ce_RXPARITY);
  disp.Step(ev_ERR);
  EXPECT_EQ(a.Count(MsgTriggerStatus), 2) << "parity is not among the armed errors";
  disp.RaiseErrors(ce_OVERRUN);
  disp.Step(ev_ERR);
  ASSERT_EQ(a.Count(MsgTriggerStatus), 3);
  EXPECT_EQ(a.msgs.back().wParam, static_cast<WPARAM>(errors));

  ASSERT_EQ(disp.ArmStatusTrigger(outFree, 100, true), 0);
  disp.TimerStep();
  ASSERT_EQ(a.Count(MsgTriggerStatus), 4);
  EXPECT_EQ(a.msgs.back().wParam, static_cast<WPARAM>(outFree));
  EXPECT_EQ(a.msgs.back().lParam & 0xFFFF, 4096);
  disp.TimerStep();
  EXPECT_EQ(a.Count(MsgTriggerStatus), 4);
}

TEST_F(DispatcherTest, NotificationsFromADispatchThreadRunOnTheGuiThread) {
  Open();
  disp.SetAvailThreshold(1);
  TReaderWindow a(disp), b(disp);
  b.toRead = 1;
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  std::string sent;
  for (int i = 0; i < 200; ++i) sent += Pattern(7, static_cast<size_t>(i));
  std::atomic<bool> done{false};
  std::thread dispatchThread([&] {
    for (int i = 0; i < 200; ++i) {
      disp.PushBytes(sent.substr(static_cast<size_t>(i) * 7, 7));
      disp.Step();
      disp.TimerStep();
    }
    done = true;
    WndMsg().Wake();
  });
  WndMsg().PumpUntil([&] {
    // The GUI thread keeps using the dispatcher while the dispatch thread works.
    disp.InputCount();
    disp.CreateTimerTrigger();
    return done.load();
  });
  dispatchThread.join();
  EXPECT_EQ(a.seen, sent);
  EXPECT_EQ(disp.InputCount(), 0u);
}
