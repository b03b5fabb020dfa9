#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "serial/AdExcept.h"
#include "serial/AwTrace.h"
#include "tests/app/TempDir.h"
#include "tests/serial/AdPortFixture.h"
#include "tests/serial/support/DispatcherFixture.h"

namespace {

std::string Hex8(uint32_t v) {
  return Format("%08X", v);
}

// Log header facts that do not change from run to run, for the length of a test.
class FixedFacts {
 public:
  FixedFacts()
      : context_(TSerialContextScope::Edited([](TSerialContext& c) {
          c.LogHeaderFacts = {[] { return std::string("Test OS 1.0"); },
                              [] {
                                std::tm t{};
                                t.tm_year = 124;
                                t.tm_mon = 2;
                                t.tm_mday = 5;
                                t.tm_hour = 14;
                                t.tm_min = 7;
                                t.tm_sec = 9;
                                return t;
                              }};
        })) {}

  static std::string Header(const std::string& device) {
    return "APRO v4.03\r\nCompiler : " + CompilerText() +
           "\r\nOperating System : Test OS 1.0\r\nDevice: " + device +
           "\r\nDate/time: 05/03/24, 14:07:09\r\n"
           "Time      Type      SubType       Data      OtherData\r\n"
           "--------  --------  ------------  --------  ---------\r\n";
  }

 private:
  TSerialContextScope context_;
};

std::string TraceFile(const std::string& data, bool inHex, bool allHex) {
  TempDir dir;
  TApdTraceRecorder trace;
  EXPECT_EQ(trace.Start(100), 0);
  for (char c : data) trace.Add('R', c);
  bool written = false;
  EXPECT_EQ(trace.Write(dir.File("t.trc"), false, inHex, allHex, written), 0);
  EXPECT_TRUE(written);
  return ReadFile(dir.File("t.trc"));
}

}  // namespace

// ---- Trace ----

TEST(TraceFile, RendersBytesPrintableInHexOrAllHex) {
  struct Case {
    std::string data;
    bool inHex, allHex;
    const char* line;
  } cases[] = {
      {"A\rB", false, false, "A[13]B"},
      {"A\rB", true, false, "A[0D]B"},
      {"A\rB", false, true, "[41][0D][42]"},
      {"a b", true, false, "a[20]b"},
      {"a b", false, false, "a b"},
      // Decimal forms are 3, 4 or 5 wide; 0x7F and above are not printable.
      {std::string("\x01\x1F\x7F\xFF", 4), false, false, "[1][31][127][255]"},
      {std::string("\x7E\x7F", 2), true, false, "~[7F]"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TraceFile(c.data, c.inHex, c.allHex), std::string("Receive: \r\n") + c.line + "\r\n")
        << c.line;
}

TEST(TraceFile, WrapsAt78ColumnsAndStartsASectionWhereTheKindChanges) {
  TempDir dir;
  TApdTraceRecorder trace;
  ASSERT_EQ(trace.Start(1000), 0);
  for (int i = 0; i < 74; ++i) trace.Add('T', 'x');
  trace.Add('T', '\r');  // 4 wide: 78 columns in all still fit
  trace.Add('T', 'x');
  trace.Add('R', 'y');
  trace.Add('S', 'z');
  bool written = false;
  ASSERT_EQ(trace.Write(dir.File("t.trc"), false, true, false, written), 0);
  EXPECT_EQ(ReadFile(dir.File("t.trc")),
            "Transmit: \r\n" + std::string(74, 'x') +
                "[0D]\r\nx\r\n\r\nReceive: \r\ny\r\n\r\nSpecial-S: \r\nz\r\n");
  EXPECT_FALSE(trace.Exists()) << "writing the file releases the ring";
}

TEST(TraceFile, EmptyWritesNoFileAndAppendKeepsWhatTheFileHeld) {
  TempDir dir;
  TApdTraceRecorder trace;
  ASSERT_EQ(trace.Start(10), 0);
  bool written = true;
  EXPECT_EQ(trace.Write(dir.File("empty.trc"), false, true, false, written), 0);
  EXPECT_FALSE(written);
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.trc")));

  WriteFile(dir.File("t.trc"), "earlier\r\n");
  ASSERT_EQ(trace.Start(10), 0);
  trace.Add('R', '1');
  ASSERT_EQ(trace.Write(dir.File("t.trc"), true, true, false, written), 0);
  EXPECT_EQ(ReadFile(dir.File("t.trc")), "earlier\r\nReceive: \r\n1\r\n");
  ASSERT_EQ(trace.Start(10), 0);
  trace.Add('R', '2');
  ASSERT_EQ(trace.Write(dir.File("new.trc"), true, true, false, written), 0);
  EXPECT_EQ(ReadFile(dir.File("new.trc")), "Receive: \r\n2\r\n") << "append creates the file";
}

TEST(TraceFile, RingSizeIsLimited) {
  TApdTraceRecorder trace;
  EXPECT_EQ(trace.Start(0), ecBadArgument);
  EXPECT_EQ(trace.Start(4000001), ecBadArgument);
  EXPECT_EQ(trace.Start(4000000), 0);
  TApdDispatchLogRecorder log;
  EXPECT_EQ(log.Start(16000001), ecBadArgument);
  EXPECT_EQ(log.Start(16000000), 0);
}

// ---- Dispatch log ----

TEST(LogFile, RecordLinesByKind) {
  FixedFacts facts;
  struct Case {
    TDispatchType type;
    TDispatchSubType sub;
    uint32_t data;
    std::string extra;
    bool allHex;
    const char* line;
  } cases[] = {
      {dtTriggerAlloc, dstStatusTrigger, 0x21, "\x03", false,
       "0000.003  TrigAllc  Status        00000021  (Output buffer free)"},
      {dtTriggerDispose, dstStatusTrigger, 0x0D, "\x05", false,
       "0000.003  TrigDisp  Status        0000000D  (Output sent)"},
      {dtTelnet, dstNone, 24, "", false,
       "0000.003  Telnet                  00000018  [TERMINAL-TYPE]"},
      {dtTelnet, dstNone, 43, "", false, "0000.003  Telnet                  0000002B  "},
      {dtDispatch, dstModemStatus, 0x31, "A", false,
       "0000.003  Dispatch  Modem status  00000031  A(DCTS CTS DSR)"},
      {dtUser, dstNone, 1, "\x01z", true, "0000.003  User                    00000001  \x01z"},
      {dtDispatch, dstReadCom, 2, "\x01z", true,
       "0000.003  Dispatch  ReadCom       00000002  [01][7A]"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    TApdDispatchLogRecorder log;
    ASSERT_EQ(log.Start(1000), 0);
    log.Add(c.type, c.sub, 3, c.data, c.extra.data(), static_cast<uint32_t>(c.extra.size()));
    bool written = false;
    ASSERT_EQ(log.Write(dir.File("l.log"), false, true, c.allHex, "COM1", written), 0);
    EXPECT_EQ(ReadFile(dir.File("l.log")), FixedFacts::Header("COM1") + c.line + "\r\n") << c.line;
  }
}

TEST(LogFile, DropsTheOldestRecordsAndRefusesOneAsLargeAsTheRing) {
  FixedFacts facts;
  TempDir dir;
  TApdDispatchLogRecorder log;
  // Room for two bare records (16 bytes each) and a little more.
  ASSERT_EQ(log.Start(40), 0);
  for (uint32_t i = 1; i <= 3; ++i) log.Add(dtTriggerDataChange, dstAvailTrigger, i, i, nullptr, 0);
  const std::string refused(24, 'x');
  log.Add(dtUser, dstNone, 9, 9, refused.data(), 24);  // 16 + 24 = the ring's size
  bool written = false;
  ASSERT_EQ(log.Write(dir.File("l.log"), false, true, false, "COM2", written), 0);
  EXPECT_EQ(ReadFile(dir.File("l.log")), FixedFacts::Header("COM2") +
                                             "0000.002  TrDatChg  Avail         00000002  \r\n"
                                             "0000.003  TrDatChg  Avail         00000003  \r\n");
}

TEST(LogFile, TimesFromTenThousandSecondsOnKeepTheirPoint) {
  FixedFacts facts;
  TempDir dir;
  TApdDispatchLogRecorder log;
  ASSERT_EQ(log.Start(1000), 0);
  log.Add(dtTrigger, dstTimer, 1234, 8, nullptr, 0);
  log.Add(dtTrigger, dstTimer, 28800123, 8, nullptr, 0);  // eight hours
  bool written = false;
  ASSERT_EQ(log.Write(dir.File("l.log"), false, true, false, "COM1", written), 0);
  EXPECT_EQ(ReadFile(dir.File("l.log")), FixedFacts::Header("COM1") +
                                             "0001.234  Trigger   Timer         00000008  \r\n"
                                             "28800.123  Trigger   Timer         00000008  \r\n");
}

// A scripted sequence of dispatcher events on the simulated device, its log compared in full.
TEST_F(DispatcherTest, LogAndTraceOfAScriptedSequence) {
  FixedFacts facts;
  TempDir dir;
  Open();
  disp.SetPortName("COM3");
  ASSERT_EQ(disp.StartTracing(100), 0);
  ASSERT_EQ(disp.StartLogging(10000), 0);
  TReaderWindow a(disp), b(disp);
  disp.AddWindowHandler(a.wnd);
  disp.AddWindowHandler(b.wnd);
  clock.Advance(3);
  disp.SetAvailThreshold(1);
  const int timer = disp.CreateTimerTrigger();
  disp.ArmTimerTrigger(timer, 9, true);
  disp.ArmTimerTrigger(timer, 0, false);
  const int status = disp.CreateStatusTrigger(skLineError);
  disp.DeleteTrigger(status);
  clock.Advance(1231);
  const std::string reading = "+   12.345 g\r\n";
  disp.PushBytes(reading + reading);
  disp.Step();
  disp.ArmTimerTrigger(timer, 1, true);
  clock.Advance(110);
  disp.TimerStep();
  disp.RemoveWindowHandler(b.wnd);

  const std::string r = "+[20][20][20]12.345[20]g[0D][0A]";
  const std::string lines[] = {
      "0000.000  TrgHdAlc  Window        " + Hex8(a.wnd) + "  ",
      "0000.000  TrgHdAlc  Window        " + Hex8(b.wnd) + "  ",
      "0000.003  TrDatChg  Avail         00000001  ",
      "0000.003  TrigAllc  Timer         00000008  ",
      "0000.003  TrDatChg  Timer         00000008  [09][00][00][00]",
      "0000.003  TrDatChg  Timer         00000008  Deactivated",
      "0000.003  TrigAllc  Status        00000012  (Line status)",
      "0000.003  TrigDisp  Status        00000012  (Line status)",
      "0001.234  Dispatch  ReadCom       0000001C  " + r + "+",
      std::string(44, ' ') + "[20][20][20]12.345[20]g[0D][0A]",
      "0001.234  Trigger   Avail         0000001C  ",
      "0001.234  TrDatChg  Timer         00000008  [01][00][00][00]",
      "0001.344  Trigger   Timer         00000008  ",
      "0001.344  TrgHdDsp  Window        " + Hex8(b.wnd) + "  ",
  };
  std::string expected = FixedFacts::Header("COM3");
  for (const std::string& line : lines) expected += line + "\r\n";
  ASSERT_EQ(disp.DumpLog(dir.File("APRO.LOG"), true, false), 0);
  EXPECT_EQ(ReadFile(dir.File("APRO.LOG")), expected);
  EXPECT_FALSE(disp.Logging());

  // Both windows read both readings; the fourth wraps where 78 columns are full.
  ASSERT_EQ(disp.DumpTrace(dir.File("APRO.TRC"), true, false), 0);
  EXPECT_EQ(ReadFile(dir.File("APRO.TRC")),
            "Receive: \r\n" + r + r + "+[20][20][20]1\r\n2.345[20]g[0D][0A]" + r + "\r\n");
}

// ---- The port's properties ----

TEST_F(PortTest, TraceKeepsTheNewestEntriesOfItsSizeAndCloseWritesBothFiles) {
  port.SetTraceSize(4);
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SetOpen(true);
  Disp().PushBytes("abcdefghij");
  Disp().Step();
  for (int i = 0; i < 10; ++i) port.ReadChar();
  port.SetOpen(false);

  EXPECT_EQ(ReadFile(dir.File("APRO.TRC")), "Receive: \r\nghij\r\n");
  EXPECT_NE(ReadFile(dir.File("APRO.LOG")).find("ReadCom       0000000A  abcdefghij"),
            std::string::npos);
  ASSERT_EQ(port.RecorderDumps().size(), 2u);
  EXPECT_EQ(port.RecorderDumps()[0].FileName, dir.File("APRO.TRC"));
  EXPECT_TRUE(port.RecorderDumps()[0].Written);
  EXPECT_EQ(port.RecorderDumps()[1].FileName, dir.File("APRO.LOG"));
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(port.Logging(), tlOff);
}

TEST_F(PortTest, ASizeChangeWhileTracingStartsAfreshWithTheNewSize) {
  port.SetOpen(true);
  port.SetTracing(tlOn);
  Disp().PushBytes("abcdef");
  Disp().Step();
  for (int i = 0; i < 3; ++i) port.ReadChar();
  port.SetTraceSize(2);
  for (int i = 0; i < 3; ++i) port.ReadChar();
  port.SetTracing(tlDump);
  EXPECT_EQ(ReadFile(dir.File("APRO.TRC")), "Receive: \r\nef\r\n");
  EXPECT_TRUE(port.RecorderDumps()[0].Written);
}

TEST_F(PortTest, PauseResumeClearAndARefusedSize) {
  port.SetOpen(true);
  port.SetTracing(tlOn);
  Disp().PushBytes("abcde");
  Disp().Step();
  auto read = [&] { port.ReadChar(); };
  read();
  read();
  port.SetTracing(tlPause);
  read();
  port.SetTracing(tlOn);
  read();
  port.SetTracing(tlAppend);
  EXPECT_EQ(ReadFile(dir.File("APRO.TRC")), "Receive: \r\nabd\r\n");
  port.SetTracing(tlOn);
  read();
  port.SetTracing(tlClear);
  EXPECT_EQ(port.Tracing(), tlOn);
  port.SetTracing(tlDump);
  EXPECT_FALSE(port.RecorderDumps().back().Written) << "cleared: nothing to write";

  // A ring of no entries is refused; the trace stays off.
  port.SetTraceSize(0);
  EXPECT_EQ(CodeOf<EBadArgument>([&] { port.SetTracing(tlOn); }), ecBadArgument);
  EXPECT_EQ(port.Tracing(), tlOff);
}

TEST_F(PortTest, AnUnwritableFileIsRaisedAndWhatItHeldIsWrittenByTheNextClose) {
  const std::string unwritable = dir.File("no-such-dir/APRO.TRC");
  std::filesystem::create_directories(dir.File("locked"));
  port.SetOpen(true);
  port.SetTracing(tlOn);
  auto receive = [&](const char* text) {
    Disp().PushBytes(text);
    Disp().Step();
    for (size_t i = 0; text[i] != '\0'; ++i) port.ReadChar();
  };
  receive("xyz");

  // A directory in place of the file: access denied.
  port.SetTraceName(dir.File("locked"));
  try {
    port.SetTracing(tlDump);
    ADD_FAILURE() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "File access denied");
    EXPECT_EQ(e.ErrorCode, 5);
  }
  EXPECT_EQ(port.Tracing(), tlOn);
  EXPECT_EQ(port.RecorderDumps().back().Code, ecAccessDenied);
  port.SetTraceName(unwritable);
  EXPECT_THROW(port.SetTracing(tlAppend), EInOutError);

  // Closing goes on past a file it cannot write, then raises; the trace outlives the dispatcher.
  EXPECT_THROW(port.SetOpen(false), EInOutError);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(port.Dispatcher(), nullptr);

  // The next capture records anew; once the file can be written it gets both, oldest first.
  port.SetOpen(true);
  receive("123");
  EXPECT_THROW(port.SetOpen(false), EInOutError) << "still unwritable: kept again";
  port.SetOpen(true);
  receive("45");
  port.SetTraceName(dir.File("good.trc"));
  port.SetOpen(false);
  EXPECT_EQ(ReadFile(dir.File("good.trc")),
            "Receive: \r\nxyz\r\nReceive: \r\n123\r\nReceive: \r\n45\r\n");
  ASSERT_EQ(port.RecorderDumps().size(), 1u) << "one file, one report";
  EXPECT_TRUE(port.RecorderDumps()[0].Written);
  port.SetOpen(true);
  port.SetOpen(false);
  EXPECT_EQ(ReadFile(dir.File("good.trc")),
            "Receive: \r\nxyz\r\nReceive: \r\n123\r\nReceive: \r\n45\r\n")
      << "written once";
}

// The property says what the recorder does after every path: a pause kept over a change of
// port, a write that fails while paused, a close that cannot write.
TEST_F(PortTest, TheRecorderStateAgreesWithThePropertyOnEveryPath) {
  auto receive = [&](const char* text) {
    Disp().PushBytes(text);
    Disp().Step();
    for (size_t i = 0; text[i] != '\0'; ++i) port.ReadChar();
  };
  port.SetOpen(true);
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SetTracing(tlPause);
  port.SetLogging(tlPause);
  port.SetComNumber(4);
  EXPECT_EQ(port.Tracing(), tlPause);
  EXPECT_FALSE(Disp().Tracing());
  receive("no");
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  EXPECT_TRUE(Disp().Tracing());
  EXPECT_TRUE(Disp().Logging());
  receive("yes");
  port.SetOpen(false);
  EXPECT_EQ(ReadFile(dir.File("APRO.TRC")), "Receive: \r\nyes\r\n");
  EXPECT_NE(ReadFile(dir.File("APRO.LOG")).find("yes"), std::string::npos);

  // A paused trace whose file fails stays paused.
  port.SetOpen(true);
  port.SetTracing(tlOn);
  receive("a");
  port.SetTracing(tlPause);
  port.SetTraceName(dir.File("no-such-dir/APRO.TRC"));
  EXPECT_THROW(port.SetTracing(tlDump), EInOutError);
  EXPECT_EQ(port.Tracing(), tlPause);
  EXPECT_FALSE(Disp().Tracing());
  receive("b");
  // Closed, it is off, and what it held waits for a file that can be written.
  EXPECT_THROW(port.SetOpen(false), EInOutError);
  EXPECT_EQ(port.Tracing(), tlOff);
  port.SetTraceName(dir.File("later.trc"));
  port.SetOpen(true);
  port.SetOpen(false);
  EXPECT_EQ(ReadFile(dir.File("later.trc")), "Receive: \r\na\r\n");
}
