#include <gtest/gtest.h>

#include "serial/AdErrCodes.h"
#include "serial/AdExcept.h"
#include "tests/serial/AdPortFixture.h"

TEST(PortDefaults, EveryPropertyStartsAtItsDefault) {
  TApdComPort port;
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_EQ(port.Baud(), 19200);
  EXPECT_TRUE(port.PromptForPort());
  EXPECT_EQ(port.Parity(), pNone);
  EXPECT_EQ(port.DataBits(), 8);
  EXPECT_EQ(port.StopBits(), 1);
  EXPECT_EQ(port.InSize(), 4096);
  EXPECT_EQ(port.OutSize(), 4096);
  EXPECT_TRUE(port.AutoOpen());
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.DTR());
  EXPECT_TRUE(port.RTS());
  EXPECT_TRUE(port.HWFlowOptions().Empty());
  EXPECT_EQ(port.SWFlowOptions(), swfNone);
  EXPECT_EQ(port.XOnChar(), 17);
  EXPECT_EQ(port.XOffChar(), 19);
  EXPECT_EQ(port.BufferFull(), 0);
  EXPECT_EQ(port.BufferResume(), 0);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(port.TraceSize(), 10000u);
  EXPECT_EQ(port.TraceName(), "APRO.TRC");
  EXPECT_TRUE(port.TraceHex());
  EXPECT_FALSE(port.TraceAllHex());
  EXPECT_EQ(port.Logging(), tlOff);
  EXPECT_EQ(port.LogSize(), 10000u);
  EXPECT_EQ(port.LogName(), "APRO.LOG");
  EXPECT_TRUE(port.LogHex());
  EXPECT_FALSE(port.LogAllHex());
  EXPECT_TRUE(port.UseMSRShadow());
  EXPECT_TRUE(port.UseEventWord());
  EXPECT_EQ(port.CommNotificationLevel(), 10);
  EXPECT_EQ(port.TapiMode(), tmAuto);
  EXPECT_FALSE(port.RS485Mode());
  EXPECT_FALSE(port.OnTrigger());
  EXPECT_FALSE(port.OnTriggerAvail());
  EXPECT_EQ(port.Tag(), 0);
  EXPECT_EQ(port.AvailThreshold(), 1);
  EXPECT_EQ(port.ThreadPriorityBoost(), 0);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_EQ(port.Version(), "v4.03");
}

// ---- Opening ----

TEST_F(PortTest, OpeningNamesTheDeviceAndAppliesEverySetting) {
  port.SetHWFlowOptions({hwfUseDTR});
  port.SetAvailThreshold(5);
  port.SetInSize(2048);
  port.SetOpen(true);
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(port.PortState(), psOpen);
  auto calls = Disp().Calls();
  EXPECT_EQ(calls.at(0), "OpenDeviceHandle \\\\.\\COM3");
  EXPECT_EQ(Disp().CallCount("SetupDeviceQueues 2048 4096"), 1);
  EXPECT_EQ(Disp().PortName(), "COM3");
  // DTR is left to the handshake; RTS is raised.
  EXPECT_TRUE(Disp().DtrHandshake());
  EXPECT_GE(Disp().CallCount("EscapeFunction 3"), 1);
  EXPECT_EQ(Disp().CallCount("EscapeFunction 5"), 0);
  EXPECT_EQ(Disp().AvailThreshold(), 5u);
  EXPECT_EQ(Disp().OptionFlags() & 4, 4u);
  EXPECT_NE(port.ComWindow(), 0u);
  EXPECT_TRUE(WndMsg().IsWindow(port.ComWindow()));

  HWND window = port.ComWindow();
  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_FALSE(WndMsg().IsWindow(window));
}

TEST_F(PortTest, NoPortNumberWithoutPromptFailsBeforeAnyDispatcherExists) {
  int prompts = 0;
  SerialContext().PortPrompt = [&] { return ++prompts, 4; };
  port.SetComNumber(0);
  port.SetPromptForPort(false);
  EXPECT_EQ(CodeOf<ENoPortSelected>([&] { port.SetOpen(true); }), ecNoPortSelected);
  EXPECT_EQ(prompts, 0);
  EXPECT_EQ(created, 0);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.PortState(), psClosed);
}

TEST_F(PortTest, ThePromptChoosesThePortOrCancelsTheOpen) {
  port.SetComNumber(0);
  // Without a dialog installed the answer is Cancel.
  EXPECT_EQ(CodeOf<ENoPortSelected>([&] { port.SetOpen(true); }), ecNoPortSelected);

  int answer = 0;
  SerialContext().PortPrompt = [&] { return answer; };
  EXPECT_EQ(CodeOf<ENoPortSelected>([&] { port.SetOpen(true); }), ecNoPortSelected);
  EXPECT_EQ(port.Dispatcher(), nullptr);

  answer = 12;
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.ComNumber(), 12);
  EXPECT_EQ(Disp().Calls().at(0), "OpenDeviceHandle \\\\.\\COM12");
}

TEST_F(PortTest, OpenFailuresAreMappedAndLeaveThePortClosed) {
  struct Case {
    int result, error;
    int32_t code;
  };
  for (Case c : {Case{-1, 5, ecAlreadyOpen}, Case{-1, 2, ecBadId}, Case{-1, 3, ecBadId}}) {
    configure = [c](TTestDispatcher& d) { d.FailOpen(c.result, c.error); };
    EXPECT_EQ(CodeOf<EAPDException>([&] { port.SetOpen(true); }), c.code) << c.error;
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.Dispatcher(), nullptr);
    EXPECT_EQ(port.ComWindow(), 0u);
  }
  EXPECT_THROW(
      {
        configure = [](TTestDispatcher& d) { d.FailOpen(-1, 5); };
        port.SetOpen(true);
      },
      EAlreadyOpen);
  EXPECT_THROW(
      {
        configure = [](TTestDispatcher& d) { d.FailOpen(-1, 2); };
        port.SetOpen(true);
      },
      EBadId);
}

TEST_F(PortTest, MissingPermissionIsReportedWithItsOwnText) {
  configure = [](TTestDispatcher& d) { d.FailOpen(-1, 65); };
  try {
    port.SetOpen(true);
    FAIL() << "the open succeeded";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 65);
#ifndef _WIN32  // the POSIX text; Windows has its own for 65
    EXPECT_NE(e.Message().find("dialout"), std::string::npos) << e.Message();
#endif
  }
  EXPECT_EQ(port.Dispatcher(), nullptr);
}

TEST_F(PortTest, AFailedSetupAfterTheDeviceOpenedClosesItAgain) {
  configure = [](TTestDispatcher& d) { d.FailSetupQueues(87); };
  EXPECT_THROW(port.SetOpen(true), EInOutError);
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_FALSE(port.Open());
}

TEST_F(PortTest, OpenAndCloseAskedForWhileThePortOpensAreNotRunInsideTheOpen) {
  // What a click handled while the threads start would do: without the guard the second open
  // would free the dispatcher that is still opening.
  configure = [this](TTestDispatcher& d) {
    d.whileStarting = [this] {
      port.SetOpen(true);
      port.SetOpen(false);
    };
  };
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(created, 1);
  EXPECT_EQ(Disp().CallCount("OpenDeviceHandle \\\\.\\COM3"), 1);
}

TEST_F(PortTest, ARefusedHandshakeLeavesNothingBehind) {
  port.SetOpen(true);
  Disp().FailSetState(-50);
  EXPECT_THROW(port.SetHWFlowOptions({hwfUseDTR, hwfUseRTS}), EInOutError);
  EXPECT_FALSE(Disp().DtrHandshake());
  EXPECT_FALSE(Disp().RtsHandshake());
  EXPECT_EQ(Disp().LineBlock().Flags & dcb_DtrMask, dcb_DTR_CONTROL_ENABLE);

  // The lines still follow their properties.
  Disp().FailSetState(0);
  Disp().ClearCalls();
  port.SetDTR(false);
  EXPECT_FALSE(port.DTR());
  EXPECT_EQ(Disp().CallCount("EscapeFunction 6"), 1);
}

TEST_F(PortTest, OnlyTheNativeLayerOpensAndTelephonyNeedsAHandle) {
  port.SetDeviceLayer(dlWinsock);
  EXPECT_EQ(port.DeviceLayer(), dlWin32);

  port.SetTapiMode(tmOn);
  EXPECT_EQ(CodeOf<ENotOpenedByTapi>([&] { port.SetOpen(true); }), ecNotOpenedByTapi);
  EXPECT_EQ(port.Dispatcher(), nullptr);

  // A handle from the telephony layer: the line settings are read back from the device.
  configure = [](TTestDispatcher& d) {
    d.AdoptHandle(7);
    DCB block;
    block.BaudRate = 2400;
    block.Parity = EVENPARITY;
    block.ByteSize = 7;
    block.StopBits = TWOSTOPBITS;
    block.Flags = dcb_OutxCtsFlow | dcb_InX;
    d.SetDeviceBlock(block);
  };
  port.SetOpen(true);
  EXPECT_EQ(port.Baud(), 2400);
  EXPECT_EQ(port.Parity(), pEven);
  EXPECT_EQ(port.DataBits(), 7);
  EXPECT_EQ(port.StopBits(), 2);
  EXPECT_EQ(port.HWFlowOptions(), THWFlowOptionSet({hwfRequireCTS}));
  EXPECT_EQ(port.SWFlowOptions(), swfReceive);
  EXPECT_EQ(Disp().Calls().at(0), "OpenDeviceHandle ");
}

// ---- Setters, closed and open ----

TEST_F(PortTest, LineSettingsApplyToAnOpenDeviceOnlyWhenTheyChange) {
  port.SetBaud(9600);
  EXPECT_EQ(created, 0);
  port.SetOpen(true);
  EXPECT_EQ(Disp().DeviceBlock().BaudRate, 9600u);

  Disp().ClearCalls();
  port.SetParity(pOdd);
  DCB block = Disp().DeviceBlock();
  EXPECT_EQ(block.Parity, ODDPARITY);
  EXPECT_EQ(block.BaudRate, 9600u);
  EXPECT_EQ(block.ByteSize, 8);
  EXPECT_EQ(block.StopBits, ONESTOPBIT);
  port.SetStopBits(2);
  port.SetDataBits(7);
  block = Disp().DeviceBlock();
  EXPECT_EQ(block.StopBits, TWOSTOPBITS);
  EXPECT_EQ(block.ByteSize, 7);
  EXPECT_EQ(block.Parity, ODDPARITY);
  EXPECT_EQ(Disp().CallCount("SetDeviceState"), 3);

  // The device already runs at the new rate: nothing is written.
  block.BaudRate = 4800;
  Disp().SetDeviceBlock(block);
  Disp().ClearCalls();
  port.SetBaud(4800);
  EXPECT_EQ(port.Baud(), 4800);
  EXPECT_EQ(Disp().CallCount("SetDeviceState"), 0);
}

TEST_F(PortTest, ARejectedLineSettingIsRaisedAfterItWasStored) {
  port.SetOpen(true);
  Disp().FailSetState(-87);
  EXPECT_THROW(port.SetBaud(1200), EInOutError);
  EXPECT_EQ(port.Baud(), 1200);
}

TEST_F(PortTest, QueueSizesArePassedToAnOpenDevice) {
  port.SetOpen(true);
  port.SetInSize(1024);
  port.SetOutSize(512);
  EXPECT_EQ(Disp().CallCount("SetupDeviceQueues 1024 4096"), 1);
  EXPECT_EQ(Disp().CallCount("SetupDeviceQueues 1024 512"), 1);
  // The dispatcher keeps the sizes it was opened with.
  EXPECT_EQ(Disp().InQue(), 4096u);
}

TEST_F(PortTest, DtrAndRtsUnderHandshakeKeepTheirProperty) {
  port.SetHWFlowOptions({hwfUseDTR});
  port.SetOpen(true);
  port.SetDTR(false);
  EXPECT_TRUE(port.DTR());
  EXPECT_EQ(Disp().CallCount("EscapeFunction 6"), 0);

  port.SetRTS(false);
  EXPECT_FALSE(port.RTS());
  EXPECT_EQ(Disp().CallCount("EscapeFunction 4"), 1);
}

TEST_F(PortTest, FlowThresholdsDeriveFromTheQueueSize) {
  port.SetSWFlowOptions(swfBoth);
  EXPECT_EQ(port.BufferFull(), 3072);
  EXPECT_EQ(port.BufferResume(), 1024);

  TApdComPort hardware;
  hardware.SetHWFlowOptions({hwfRequireCTS});
  hardware.SetSWFlowOptions(swfBoth);
  EXPECT_EQ(hardware.BufferFull(), 3686);
  EXPECT_EQ(hardware.BufferResume(), 409);

  // Without handshake the thresholds stay 0 and still reach the dispatcher.
  TApdComPort none;
  none.SetComNumber(4);
  none.SetOpen(true);
  EXPECT_EQ(none.BufferFull(), 0);
  EXPECT_EQ(none.BufferResume(), 0);
}

TEST_F(PortTest, BufferFullAboveTheQueueSize) {
  port.SetBufferFull(5000);
  EXPECT_EQ(port.BufferFull(), 4500);
  // The hardware handshake derives its own value from the queue size.
  port.SetHWFlowOptions({hwfUseRTS});
  EXPECT_EQ(port.BufferFull(), 3686);
  EXPECT_EQ(port.BufferResume(), 409);
  port.SetBufferFull(5000);
  EXPECT_EQ(port.BufferFull(), 3686);

  port.SetBufferResume(4000);
  EXPECT_EQ(port.BufferResume(), 368);
}

TEST_F(PortTest, BufferFullAboveTheQueueSizeIsRefusedByAnOpenPortWithoutHandshake) {
  port.SetOpen(true);
  EXPECT_EQ(CodeOf<EBadArgument>([&] { port.SetBufferFull(5000); }), ecBadArgument);
  EXPECT_EQ(port.BufferFull(), 4500);
}

TEST_F(PortTest, FlowOptionsReachAnOpenDevice) {
  port.SetOpen(true);
  port.SetHWFlowOptions({hwfUseRTS, hwfRequireCTS});
  DCB block = Disp().DeviceBlock();
  EXPECT_EQ(block.Flags & dcb_RtsMask, dcb_RTS_CONTROL_HANDSHAKE);
  EXPECT_TRUE(block.Flags & dcb_OutxCtsFlow);
  EXPECT_EQ(block.XoffLim, 4096 - 3686);

  port.SetSWFlowOptions(swfReceive);
  EXPECT_TRUE(Disp().DeviceBlock().Flags & dcb_InX);
  EXPECT_FALSE(Disp().DeviceBlock().Flags & dcb_OutX);
  port.SetSWFlowOptions(swfNone);
  EXPECT_FALSE(Disp().DeviceBlock().Flags & (dcb_InX | dcb_OutX));

  port.SetXOnChar('A');
  port.SetXOffChar('B');
  EXPECT_EQ(Disp().DeviceBlock().XonChar, 'A');
  EXPECT_EQ(Disp().DeviceBlock().XoffChar, 'B');
}

TEST_F(PortTest, Rs485ModeAndTheRtsHandshakeExcludeEachOther) {
  port.SetHWFlowOptions({hwfUseDTR, hwfUseRTS, hwfRequireCTS, hwfRequireDSR});
  port.SetRS485Mode(true);
  EXPECT_EQ(port.HWFlowOptions(), THWFlowOptionSet({hwfUseDTR, hwfRequireDSR}));
  EXPECT_FALSE(port.RTS());

  port.SetHWFlowOptions({hwfUseDTR});
  EXPECT_TRUE(port.RS485Mode());
  port.SetHWFlowOptions({hwfRequireCTS});
  EXPECT_FALSE(port.RS485Mode());

  port.SetRS485Mode(true);
  port.SetOpen(true);
  EXPECT_TRUE(Disp().Rs485Mode());
  port.SetHWFlowOptions({hwfUseRTS});
  EXPECT_FALSE(port.RS485Mode());
  EXPECT_FALSE(Disp().Rs485Mode());
}

TEST_F(PortTest, TraceAndLogStates) {
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff);
  port.SetTracing(tlPause);
  EXPECT_EQ(port.Tracing(), tlOff);
  port.SetLogging(tlOn);
  EXPECT_EQ(port.Logging(), tlOn);
  port.SetTraceSize(5000000);
  EXPECT_EQ(port.TraceSize(), 4000000u);
  port.SetLogSize(20000000);
  EXPECT_EQ(port.LogSize(), 16000000u);

  port.SetOpen(true);
  EXPECT_TRUE(Disp().Logging());
  EXPECT_FALSE(Disp().Tracing());
  port.SetTracing(tlOn);
  EXPECT_TRUE(Disp().Tracing());
  port.SetTracing(tlPause);
  EXPECT_EQ(port.Tracing(), tlPause);
  EXPECT_FALSE(Disp().Tracing());
  port.SetTracing(tlClear);
  EXPECT_EQ(port.Tracing(), tlPause);
  // A new size restarts the recorder; a paused one ends stopped.
  port.SetTraceSize(500);
  EXPECT_EQ(port.Tracing(), tlOff);
  port.SetTracing(tlOn);
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_FALSE(Disp().Tracing());

  // Closing dumps what is still recorded.
  port.SetOpen(false);
  EXPECT_EQ(port.Logging(), tlOff);
}

TEST_F(PortTest, OptionFlagAndPriorityBoostFollowTheirProperties) {
  port.SetThreadPriorityBoost(2);
  port.SetOpen(true);
  EXPECT_EQ(Disp().Boost(), 2);
  port.SetThreadPriorityBoost(1);
  EXPECT_EQ(Disp().Boost(), 1);
  port.SetUseEventWord(false);
  EXPECT_EQ(Disp().OptionFlags() & 4, 0u);
  port.SetAvailThreshold(9);
  EXPECT_EQ(Disp().AvailThreshold(), 9u);
}

TEST_F(PortTest, ANewPortNumberReopensWithTheTriggersAndRecorders) {
  port.SetOpen(true);
  port.SetTracing(tlOn);
  int timer = port.CreateTimerTrigger();
  port.SetComNumber(5);
  EXPECT_EQ(created, 2);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(Disp().Calls().at(0), "OpenDeviceHandle \\\\.\\COM5");
  ASSERT_EQ(Disp().TimerTriggers().size(), 1u);
  EXPECT_EQ(Disp().TimerTriggers()[0].Handle, timer);
  EXPECT_EQ(port.Tracing(), tlOn);
  EXPECT_TRUE(Disp().Tracing());
}

// ---- Dispatcher access ----

TEST_F(PortTest, OperationsOpenThePortWhenAutoOpenAllowsIt) {
  port.SetAutoOpen(false);
  EXPECT_FALSE(port.CtsOn());
  EXPECT_EQ(port.InputCount(), 0u);
  EXPECT_EQ(CodeOf<ECommNotOpen>([&] { port.ReadChar(); }), ecCommNotOpen);
  EXPECT_EQ(created, 0);

  port.SetAutoOpen(true);
  EXPECT_EQ(CodeOf<EBufferIsEmpty>([&] { port.ReadChar(); }), ecBufferIsEmpty);
  EXPECT_TRUE(port.Open());
  Disp().SetModemLines(msr_Cts | msr_Dcd);
  EXPECT_TRUE(port.CtsOn());
  EXPECT_FALSE(port.DsrOn());
  EXPECT_TRUE(port.DcdOn());
}

TEST_F(PortTest, TriggerOperationsRaiseTheDispatchersCodes) {
  port.SetOpen(true);
  EXPECT_EQ(CodeOf<EBadTriggerHandle>([&] { port.ArmTimerTrigger(8000, 1, true); }),
            ecBadTriggerHandle);
  EXPECT_EQ(CodeOf<EBadArgument>([&] { port.CreateStatusTrigger(6); }), ecBadArgument);
  int status = port.CreateStatusTrigger(skModemLines);
  EXPECT_EQ(status & 7, skModemLines);
  port.DeleteTrigger(status);
  EXPECT_EQ(CodeOf<EBadTriggerHandle>([&] { port.DeleteTrigger(status); }), ecBadTriggerHandle);
  port.SetOpen(false);
  // Only an open port deletes.
  port.SetAutoOpen(false);
  EXPECT_NO_THROW(port.DeleteTrigger(status));
}

// ---- Streaming, copying, destruction ----

TEST_F(PortTest, AnOpenStoredWhileLoadingHappensWhenLoadingEnds) {
  port.BeginLoading();
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(created, 0);
  port.EndLoading();
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_EQ(created, 1);

  TApdComPort failing;
  configure = [](TTestDispatcher& d) { d.FailOpen(-1, 5); };
  failing.SetComNumber(1);
  failing.BeginLoading();
  failing.SetOpen(true);
  failing.EndLoading();
  EXPECT_FALSE(failing.Open());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], MessageForCode(ecAlreadyOpen));
}

TEST_F(PortTest, AssignCopiesSettingsHandlersUsersAndTriggers) {
  struct Sink : TObject {
    void Avail(TObject*, uint16_t) {}
    void Opened(TObject*) {}
    void User(TObject*, bool) {}
  } sink;
  port.SetBaud(57600);
  port.SetHWFlowOptions({hwfRequireDSR});
  port.SetTraceName("X.TRC");
  port.SetAvailThreshold(4);
  port.SetUseEventWord(false);
  port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&Sink::Avail>(&sink));
  port.SetOnPortOpen(TNotifyEvent::Bind<&Sink::Opened>(&sink));
  port.AddPortUser(TPortCallback::Bind<&Sink::User>(&sink));
  port.SetOpen(true);
  int timer = port.CreateTimerTrigger();

  TApdComPort copy;
  copy.Assign(&port);
  copy.Assign(&sink);
  EXPECT_FALSE(copy.Open());
  EXPECT_EQ(copy.ComNumber(), 3);
  EXPECT_EQ(copy.Baud(), 57600);
  EXPECT_EQ(copy.HWFlowOptions(), THWFlowOptionSet({hwfRequireDSR}));
  EXPECT_EQ(copy.BufferFull(), 3686);
  EXPECT_EQ(copy.TraceName(), "X.TRC");
  EXPECT_EQ(copy.AvailThreshold(), 4);
  EXPECT_TRUE(copy.UseEventWord());
  EXPECT_TRUE(copy.OnTriggerAvail() == port.OnTriggerAvail());
  EXPECT_TRUE(copy.OnPortOpen() == port.OnPortOpen());
  ASSERT_EQ(copy.PortUsers().size(), 1u);

  port.SetOpen(false);
  copy.SetOpen(true);
  auto* d = dynamic_cast<TTestDispatcher*>(copy.Dispatcher());
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->TimerTriggers().size(), 1u);
  EXPECT_EQ(d->TimerTriggers()[0].Handle, timer);
}

TEST_F(PortTest, DestroyingAnOpenPortClosesIt) {
  struct Sink : TObject {
    void User(TObject*, bool opening) { events.push_back(opening); }
    std::vector<bool> events;
  } sink;
  auto owned = std::make_unique<TApdComPort>();
  owned->SetComNumber(2);
  owned->AddPortUser(TPortCallback::Bind<&Sink::User>(&sink));
  owned->SetOpen(true);
  HWND window = owned->ComWindow();
  int dispatchers = DispatcherListCount();
  owned.reset();
  EXPECT_EQ(sink.events, (std::vector<bool>{true, false}));
  EXPECT_FALSE(WndMsg().IsWindow(window));
  EXPECT_LT(DispatcherListCount(), dispatchers);
}
