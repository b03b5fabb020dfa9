#include <gtest/gtest.h>

#include "serial/AdErrCodes.h"
#include "tests/serial/support/DispatcherFixture.h"

class LineTest : public DispatcherTest {
 protected:
  void SetUp() override {
    Open();
    disp.ClearCalls();
    clock.ClearSleeps();
  }
};

TEST_F(LineTest, UnchangedLineIsNeitherWrittenNorWaitedFor) {
  EXPECT_EQ(disp.SetLine(19200, NOPARITY, 1, 8), 0);
  EXPECT_EQ(disp.SetLine(0, 5, 3, 9), 0);
  EXPECT_EQ(disp.CallCount("SetDeviceState"), 0);
  EXPECT_TRUE(disp.Calls().empty());
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(LineTest, DrainWaitsEighteenCharactersAtTheLastWrittenRate) {
  // Opening found the line as asked and wrote nothing: the last written rate is still the
  // initial 115200.
  ASSERT_EQ(disp.SetLine(9600, 5, 3, 9), 0);
  EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>{2});
  clock.ClearSleeps();
  ASSERT_EQ(disp.SetLine(115200, 5, 3, 9), 0);
  EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>{19}) << "9600 8N1";
  clock.ClearSleeps();
  ASSERT_EQ(disp.SetLine(9600, 5, 3, 9), 0);
  EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>{2}) << "115200 8N1";
  EXPECT_EQ(disp.DeviceBlock().BaudRate, 9600u);
  EXPECT_EQ(disp.LastBaud(), 9600u);
}

TEST_F(LineTest, DrainPollsPendingOutputAtMost5000Times) {
  disp.SetPendingOutput(10);
  ASSERT_EQ(disp.SetLine(9600, 5, 3, 9), 0);
  auto sleeps = clock.Sleeps();
  ASSERT_EQ(sleeps.size(), 5001u);
  EXPECT_EQ(sleeps.front(), 2u);
  EXPECT_EQ(sleeps.back(), 2u) << "then the character wait at the initial 115200";
}

TEST_F(LineTest, ValuesResolveToTheDeviceCodes) {
  ASSERT_EQ(disp.SetLine(0, EVENPARITY, 2, 7), 0);
  DCB b = disp.DeviceBlock();
  EXPECT_EQ(b.BaudRate, 19200u);
  EXPECT_EQ(b.Parity, EVENPARITY);
  EXPECT_EQ(b.ByteSize, 7);
  EXPECT_EQ(b.StopBits, TWOSTOPBITS);
  EXPECT_EQ(b.Flags & (dcb_Binary | dcb_TxContinueXoff), dcb_Binary | dcb_TxContinueXoff);
  EXPECT_EQ(b.Flags & (dcb_Parity | dcb_DsrSensitivity | dcb_Null), 0u);

  ASSERT_EQ(disp.SetLine(0, 5, 3, 5), 0);
  EXPECT_EQ(disp.DeviceBlock().StopBits, ONE5STOPBITS) << "kept two stop bits with 5 data bits";
  ASSERT_EQ(disp.SetLine(0, 5, 2, 8), 0);
  EXPECT_EQ(disp.DeviceBlock().StopBits, TWOSTOPBITS);
  ASSERT_EQ(disp.SetLine(0, 5, 2, 5), 0);
  EXPECT_EQ(disp.DeviceBlock().StopBits, ONE5STOPBITS);
  ASSERT_EQ(disp.SetLine(0, 5, 0, 8), 0);
  EXPECT_EQ(disp.DeviceBlock().StopBits, ONESTOPBIT);
  ASSERT_EQ(disp.SetLine(0, 5, 4, 8), 0);
  EXPECT_EQ(disp.DeviceBlock().StopBits, TWOSTOPBITS);

  int32_t baud;
  uint8_t parity;
  uint16_t dataBits, stopBits;
  disp.GetLine(baud, parity, dataBits, stopBits);
  EXPECT_EQ(baud, 19200);
  EXPECT_EQ(parity, EVENPARITY);
  EXPECT_EQ(dataBits, 8);
  EXPECT_EQ(stopBits, 2);
}

TEST_F(LineTest, EncodedBaudRatesDecode) {
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(0xFEFF), 115200u);
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(0xFF10), 110u);
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(0xFF16), 9600u);
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(0xFF19), 0xFF19u);
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(0xFF27), 256000u);
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(0xFF28), 0xFF28u);
  EXPECT_EQ(TApdBaseDispatcher::DecodeBaud(57600), 57600u);
}

TEST_F(LineTest, FlowThresholdsAreCheckedBeforeTheDeviceIsTouched) {
  DCB before = disp.DeviceBlock();
  EXPECT_EQ(disp.SetHardwareFlow(100, 200, 1), ecBadArgument);
  EXPECT_EQ(disp.SetHardwareFlow(5000, 10, 1), ecBadArgument);
  EXPECT_EQ(disp.SetSoftwareFlow(100, 200, 3), ecBadArgument);
  EXPECT_EQ(disp.SetSoftwareFlow(5000, 10, 3), ecBadArgument);
  EXPECT_TRUE(disp.Calls().empty());
  EXPECT_EQ(disp.DeviceBlock(), before);
  EXPECT_FALSE(disp.DtrHandshake());
}

TEST_F(LineTest, HardwareHandshakeTakesOverTheLines) {
  ASSERT_EQ(disp.SetHardwareFlow(3686, 409, 1 | 2 | 4 | 8), 0);
  DCB b = disp.DeviceBlock();
  EXPECT_EQ(b.Flags & dcb_DtrMask, dcb_DTR_CONTROL_HANDSHAKE);
  EXPECT_EQ(b.Flags & dcb_RtsMask, dcb_RTS_CONTROL_HANDSHAKE);
  EXPECT_TRUE(b.Flags & dcb_OutxDsrFlow);
  EXPECT_TRUE(b.Flags & dcb_OutxCtsFlow);
  EXPECT_EQ(b.XoffLim, 4096 - 3686);
  EXPECT_EQ(b.XonLim, 409);
  uint32_t hw, sw;
  char xon, xoff;
  disp.GetFlowOptions(hw, sw, xon, xoff);
  EXPECT_EQ(hw, 15u);
  EXPECT_EQ(sw, 0u);

  disp.ClearCalls();
  EXPECT_EQ(disp.SetDtr(false), 1);
  EXPECT_EQ(disp.SetRts(false), 1);
  EXPECT_TRUE(disp.Calls().empty());

  // Without handshake the lines follow their requested states again.
  ASSERT_EQ(disp.SetRts(false), 1);
  ASSERT_EQ(disp.SetHardwareFlow(0, 0, 0), 0);
  EXPECT_EQ(disp.SetRts(false), 0);
  EXPECT_EQ(disp.CallCount("EscapeFunction 4"), 1);
  ASSERT_EQ(disp.SetHardwareFlow(0, 0, 0), 0);
  b = disp.DeviceBlock();
  EXPECT_EQ(b.Flags & dcb_DtrMask, dcb_DTR_CONTROL_ENABLE);
  EXPECT_EQ(b.Flags & dcb_RtsMask, dcb_RTS_CONTROL_DISABLE);
  EXPECT_EQ(b.Flags & (dcb_OutxDsrFlow | dcb_OutxCtsFlow), 0u);
}

TEST_F(LineTest, Rs485TurnsTheLineAroundWithRtsToggle) {
  ASSERT_EQ(disp.SetRs485(true), 0);
  ASSERT_EQ(disp.SetHardwareFlow(0, 0, 0), 0);
  EXPECT_EQ(disp.DeviceBlock().Flags & dcb_RtsMask, dcb_RTS_CONTROL_TOGGLE);
  EXPECT_TRUE(disp.RtsHandshake());
}

TEST_F(LineTest, SoftwareHandshakeOnlyAddsDirections) {
  ASSERT_EQ(disp.SetSoftwareFlow(3072, 1024, 2), 0);
  DCB b = disp.DeviceBlock();
  EXPECT_TRUE(b.Flags & dcb_InX);
  EXPECT_FALSE(b.Flags & dcb_OutX);
  EXPECT_EQ(b.XoffLim, 1024);
  EXPECT_EQ(b.XonLim, 1024);
  ASSERT_EQ(disp.SetSoftwareFlow(3072, 1024, 1), 0);
  b = disp.DeviceBlock();
  EXPECT_EQ(b.Flags & (dcb_InX | dcb_OutX), dcb_InX | dcb_OutX);
  ASSERT_EQ(disp.SetFlowChars('Q', 'S'), 0);
  uint32_t hw, sw;
  char xon, xoff;
  disp.GetFlowOptions(hw, sw, xon, xoff);
  EXPECT_EQ(sw, 3u);
  EXPECT_EQ(xon, 'Q');
  EXPECT_EQ(xoff, 'S');
  ASSERT_EQ(disp.SoftwareFlowOff(), 0);
  EXPECT_EQ(disp.DeviceBlock().Flags & (dcb_InX | dcb_OutX), 0u);
}

TEST_F(LineTest, ModemChangesAreLatchedUntilRead) {
  disp.SetModemLines(msr_Cts | msr_Dcd);
  disp.Step(ev_CTS | ev_RLSD);
  EXPECT_EQ(disp.GetModemStatus(0xFF), msr_Cts | msr_Dcd | msr_DeltaCts | msr_DeltaDcd);
  EXPECT_TRUE(disp.CtsOn());
  EXPECT_EQ(disp.GetModemStatus(0xFF) & msr_DeltaMask, msr_DeltaDcd) << "CtsOn cleared its bit";
  EXPECT_TRUE(disp.DcdOn());
  EXPECT_FALSE(disp.DsrOn());
  EXPECT_EQ(disp.GetModemStatus(0xFF) & msr_DeltaMask, 0);

  EXPECT_FALSE(disp.RingTrailingEdge());
  disp.SetRingFlag();
  EXPECT_TRUE(disp.RingTrailingEdge());
  EXPECT_FALSE(disp.RingTrailingEdge());
}

TEST_F(LineTest, LineErrorsReportTheFirstFlagAndBreakStaysUntilRead) {
  disp.RaiseErrors(ce_OVERRUN | ce_RXPARITY);
  disp.RefreshStatus();
  EXPECT_EQ(disp.LastLineError(), lerOverrun);
  EXPECT_EQ(disp.LastLineError(), lerNone);

  disp.RaiseErrors(ce_BREAK);
  disp.Step(ev_BREAK);
  EXPECT_EQ(disp.LastLineError(), lerBreak);
  EXPECT_EQ(disp.LastLineError(), lerBreak);
  EXPECT_TRUE(disp.BreakReceived());
  EXPECT_FALSE(disp.BreakReceived());
  EXPECT_EQ(disp.LastLineError(), lerNone);

  disp.RaiseErrors(ce_BREAK | ce_FRAME | ce_RXOVER);
  disp.RefreshStatus();
  EXPECT_EQ(disp.LastLineError(), lerQueueOverflow);
  EXPECT_EQ(disp.LastLineError(), lerBreak);
}

TEST_F(LineTest, AFailedWriteIsReturned) {
  disp.FailSetState(-87);
  EXPECT_EQ(disp.SetLine(9600, 5, 3, 9), -87);
  EXPECT_EQ(disp.DeviceBlock().BaudRate, 19200u);
}
