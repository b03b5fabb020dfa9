#include "app/ResultFilter.h"

#include <gtest/gtest.h>

#include "app/Keystrokes.h"
#include "tests/app/Fakes.h"

namespace {

const std::string kBalanceLine = "+   12.345 g\r\n";

class ResultFilterTest : public ::testing::Test {
 protected:
  // Puts the characters into the input buffer and announces them, as the port's data event does.
  // Counts are 16-bit, so long texts come in several events.
  void Receive(const std::string& chars) {
    for (size_t at = 0; at < chars.size(); at += 60000) {
      const std::string part = chars.substr(at, 60000);
      source.data += part;
      filter.processReceived(static_cast<uint16_t>(part.size()));
    }
  }

  FakeFilterOptions options;  // the defaults of a missing INI file
  FakeMainView main;
  ScriptedSource source;
  RecordingInjector injector;
  TKeystrokes keys{injector};
  FakeSound sound;
  FakePump pump;
  FakeErrors errors;
  TResultFilter filter{TResultFilterParts{options, main, source, keys, sound, pump, errors}};
};

TEST_F(ResultFilterTest, BalanceLineIsTypedIntoAForeignWindow) {
  main.ledColor = ledTarget;
  Receive(kBalanceLine);
  EXPECT_EQ(injector.pressed, "12.345<CR>");
  EXPECT_EQ(injector.releases, 7);
  EXPECT_EQ(main.capt, kBalanceLine);
  EXPECT_EQ(main.filt, "12.345");
  EXPECT_TRUE(main.statusTexts.empty());
  EXPECT_EQ(pump.calls, 1);
  EXPECT_TRUE(filter.capturedText().empty());
  EXPECT_TRUE(filter.filteredText().empty());
}

TEST_F(ResultFilterTest, AResultCutOffByAnUnpluggedDeviceIsDropped) {
  main.ledColor = ledTarget;
  Receive("+   12.3");
  filter.dropPartialResult();
  Receive(kBalanceLine);
  EXPECT_EQ(injector.pressed, "12.345<CR>") << "not 12.312.345";
  EXPECT_EQ(main.capt, kBalanceLine);
}

TEST_F(ResultFilterTest, PointToCommaChangesWhatIsTypedNotTheField) {
  main.ledColor = ledTarget;
  options.decSubst = 2;
  Receive(kBalanceLine);
  EXPECT_EQ(injector.pressed, "12,345<CR>");
  EXPECT_EQ(main.filt, "12.345");

  injector.pressed.clear();
  options.decSubst = 1;
  options.good = "0123456789,";
  Receive("1,5\n");
  EXPECT_EQ(injector.pressed, "1.5<CR>");
}

TEST_F(ResultFilterTest, NothingIsTypedUnlessTheIndicatorShowsATarget) {
  for (TColor color : {ledNoTarget, ledInactive}) {
    main.ledColor = color;
    options.decSubst = 0;
    Receive(kBalanceLine);
    EXPECT_EQ(main.filt, "12.345 (nicht gesendet)");
    options.decSubst = 2;
    Receive(kBalanceLine);
    EXPECT_EQ(main.filt, "12,345 (nicht gesendet)");
  }
  EXPECT_EQ(injector.pressed, "");
}

TEST_F(ResultFilterTest, ObligatoryTextIsCheckedOnTheCapturedText) {
  main.ledColor = ledTarget;
  options.check = "g";
  Receive("12.5 kg\n");
  EXPECT_EQ(injector.pressed, "12.5<CR>");
  EXPECT_TRUE(sound.Tones().empty());

  injector.pressed.clear();
  options.check = "kg";
  Receive(
      "\x02"
      "12.5 g\t\x7F\r\n");
  EXPECT_EQ(injector.pressed, "");
  // One line in the status bar: the control characters by name.
  EXPECT_EQ(main.Status(),
            "Pr\xFC"
            "fung auf \"kg\" in Resultat \"<STX>12.5 g<TAB><DEL><CR><LF>\" fehlgeschlagen!!!");
  EXPECT_EQ(sound.Tones(), (std::vector<FakeSound::Tone>{{110, 500}}));
  EXPECT_EQ(main.filt, "12.5");
  // The buffers are emptied as after any result.
  EXPECT_TRUE(filter.capturedText().empty());
}

TEST_F(ResultFilterTest, EmptyResultIsDroppedSilently) {
  main.ledColor = ledTarget;
  options.check = "kg";
  Receive("\n\n");
  EXPECT_EQ(main.capt, "\n");
  EXPECT_EQ(main.filt, "");
  EXPECT_EQ(injector.pressed, "");
  EXPECT_TRUE(main.statusTexts.empty());
  EXPECT_TRUE(sound.Tones().empty());
}

TEST_F(ResultFilterTest, StartAndEndCodes) {
  main.ledColor = ledTarget;
  options.cursMove = 0;
  options.prefix = "2";
  options.eol = "3";
  options.good = "0123456789\x02\x03";  // start and end never enter the result
  Receive(
      "99\x02"
      "42\x03");
  EXPECT_EQ(injector.pressed, "42");
  EXPECT_EQ(main.capt,
            "99\x02"
            "42\x03");

  // The same code for both only ever ends a result.
  injector.pressed.clear();
  options.prefix = "3";
  Receive(
      "7\x03"
      "8\x03");
  EXPECT_EQ(injector.pressed, "78");

  // 266 is 10 in its low 8 bits.
  injector.pressed.clear();
  options.prefix = "255";
  options.eol = "266";
  Receive("5\n");
  EXPECT_EQ(injector.pressed, "5");
}

TEST_F(ResultFilterTest, CursorMovements) {
  main.ledColor = ledTarget;
  const std::pair<int, std::string> cases[] = {
      {0, "1"},         {1, "1<CR>"},  {2, "1<CR><CR>"}, {3, "1<CR>"},
      {4, "1<CR><CR>"}, {5, "1<TAB>"}, {6, "1<DOWN>"},   {7, "1<LEFT>"},
      {8, "1<RIGHT>"},  {9, "1<UP>"},  {-1, "1"},        {10, "1"},
  };
  for (const auto& [index, expected] : cases) {
    injector.pressed.clear();
    options.cursMove = index;
    Receive("1\n");
    EXPECT_EQ(injector.pressed, expected) << "cursMove " << index;
  }
}

TEST_F(ResultFilterTest, EndCodeThatIsNotANumberLeavesTheRestInTheBuffer) {
  main.ledColor = ledTarget;
  options.eol = "zehn";
  Receive("12\n");
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"'zehn' ist kein g\xFCltiger Integerwert"}));
  EXPECT_EQ(filter.capturedText(), "1");
  EXPECT_EQ(source.InputCount(), 2);

  // A bad start code fails for every character that is not the end character.
  errors.messages.clear();
  options.eol = "10";
  options.prefix = "";
  filter.processReceived(static_cast<uint16_t>(source.InputCount()));
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"'' ist kein g\xFCltiger Integerwert"}));
  EXPECT_EQ(source.InputCount(), 1);

  // Once the setting is corrected the next data event goes on where it stopped.
  errors.messages.clear();
  options.prefix = "255";
  filter.processReceived(static_cast<uint16_t>(source.InputCount()));
  EXPECT_TRUE(errors.messages.empty());
  // Both digits failed before they could be kept: the result is empty.
  EXPECT_EQ(main.capt, "12\n");
  EXPECT_EQ(main.filt, "");
  EXPECT_EQ(injector.pressed, "");
}

TEST_F(ResultFilterTest, StreamWithoutEndCharacterIsBounded) {
  main.ledColor = ledTarget;
  const size_t max = TResultFilter::MaxBufferLength;
  Receive(std::string(180000, '7'));
  EXPECT_LE(filter.capturedText().size(), max);
  EXPECT_LE(filter.filteredText().size(), max);
  EXPECT_EQ(pump.calls, 0);  // nothing shown yet

  // The overlong result is not typed; the field shows the last characters.
  Receive("\n");
  EXPECT_EQ(injector.pressed, "");
  EXPECT_EQ(main.Status(), "Resultat mit mehr als 65536 Zeichen verworfen!!!");
  EXPECT_EQ(main.capt.back(), '\n');
  EXPECT_LE(main.capt.size(), max + 1);

  // The next result is complete and typed.
  Receive("+1.5 g\n");
  EXPECT_EQ(injector.pressed, "1.5<CR>");

  // A result just at the bound is still whole.
  injector.pressed.clear();
  Receive(std::string(max, '3') + "\n");
  EXPECT_EQ(injector.pressed.size(), max + 4);
  EXPECT_EQ(injector.pressed.find_first_not_of('3'), max);
}

TEST_F(ResultFilterTest, StartCharacterEndsAnOverlongResult) {
  main.ledColor = ledTarget;
  options.prefix = "2";
  Receive(std::string(TResultFilter::MaxBufferLength + 10, '5') +
          "\x02"
          "6\n");
  EXPECT_EQ(injector.pressed, "6<CR>");
}

TEST_F(ResultFilterTest, DataEventDuringOutputIsDeferredNotNested) {
  main.ledColor = ledTarget;
  // While the first result is shown, two more lines arrive and are announced.
  int nested = 0;
  pump.onPump = [&] {
    if (nested++ > 0) return;
    source.data += "2\n3\n";
    filter.processReceived(4);
    // The nested call took nothing out of the buffer.
    EXPECT_EQ(source.InputCount(), 4 + 2);
  };
  Receive("1\n4\n");
  EXPECT_EQ(injector.pressed, "1<CR>4<CR>2<CR>3<CR>");
  EXPECT_EQ(source.InputCount(), 0);
  EXPECT_TRUE(errors.messages.empty());

  // Afterwards calls run normally again.
  pump.onPump = nullptr;
  Receive("5\n");
  EXPECT_EQ(injector.pressed, "1<CR>4<CR>2<CR>3<CR>5<CR>");
}

TEST_F(ResultFilterTest, SettingsAreReadAtEveryUse) {
  main.ledColor = ledTarget;
  options.cursMove = 0;
  // The user switches the end code while a line is half received.
  Receive("1\r");
  EXPECT_EQ(main.capt, "");
  options.eol = "13";
  Receive("2\r");
  EXPECT_EQ(injector.pressed, "12");
  EXPECT_EQ(main.capt, "1\r2\r");
}

}  // namespace

namespace {

// Keeps what it is told; refuses every result once `refuse` is set.
struct RecordingRecorder : IResultRecorder {
  std::vector<TResultRecord> records;
  std::string pressedAtRecord;  // the keys already typed when the last record came
  const RecordingInjector* injector = nullptr;
  bool refuse = false;
  int batches = 0;
  bool Record(const TResultRecord& r) override {
    records.push_back(r);
    pressedAtRecord = injector->pressed;
    return !refuse;
  }
  void BatchDone() override { ++batches; }
};

class RecordedResultTest : public ResultFilterTest {
 protected:
  RecordedResultTest() { recorder.injector = &injector; }
  RecordingRecorder recorder;
  TResultFilter recorded{
      TResultFilterParts{options, main, source, keys, sound, pump, errors, &recorder}};
  void ReceiveRecorded(const std::string& chars) {
    source.data += chars;
    recorded.processReceived(static_cast<uint16_t>(chars.size()));
  }
};

TEST_F(RecordedResultTest, EachResultIsRecordedWithItsOutcomeBeforeAnyKey) {
  const struct {
    const char* why;
    TColor color;
    const char* ledText;
    const char* check;
    int32_t cursMove;
    TResultOutcome outcome;
    const char* typed;
    const char* cursor;
  } cases[] = {
      {"typed into the window in front", ledTarget, "Mappe1", "", 2, TResultOutcome::Typed,
       "12.345", "CR+LF"},
      {"an own window in front", ledNoTarget, "***Morvisk***", "", 1, TResultOutcome::OwnWindow, "",
       ""},
      {"no window in front", ledNoTarget, "<Kein Fenster>", "", 1, TResultOutcome::NoWindow, "",
       ""},
      {"the check text missing", ledTarget, "Mappe1", "kg", 1, TResultOutcome::CheckFailed, "", ""},
  };
  for (const auto& c : cases) {
    recorder.records.clear();
    injector.pressed.clear();
    main.ledColor = c.color;
    main.ledText = c.ledText;
    options.check = c.check;
    options.cursMove = c.cursMove;
    ReceiveRecorded(kBalanceLine);
    ASSERT_EQ(recorder.records.size(), 1u) << c.why;
    const TResultRecord& r = recorder.records[0];
    EXPECT_EQ(r.outcome, c.outcome) << c.why;
    EXPECT_EQ(r.raw, kBalanceLine) << c.why;
    EXPECT_EQ(r.filtered, "12.345") << c.why;
    EXPECT_EQ(r.typed, c.typed) << c.why;
    EXPECT_EQ(r.cursor, c.cursor) << c.why;
    EXPECT_EQ(r.window, c.ledText) << c.why;
    EXPECT_EQ(recorder.pressedAtRecord, "") << c.why << ": recorded before the first key";
  }
  EXPECT_EQ(recorder.batches, 4);
}

// A system that refuses injected keys (on Windows, a window of higher integrity in front).
struct RefusingInjector : RecordingInjector {
  void KeyEvent(uint8_t, bool) override { throw Exception("Tasten abgewiesen"); }
};

TEST_F(RecordedResultTest, KeysTheSystemRefusesAreRecordedAfterTheTypedRecord) {
  RefusingInjector refusing;
  TKeystrokes refusingKeys{refusing};
  recorder.injector = &refusing;
  TResultFilter path{
      TResultFilterParts{options, main, source, refusingKeys, sound, pump, errors, &recorder}};
  main.ledColor = ledTarget;
  source.data += kBalanceLine;
  path.processReceived(static_cast<uint16_t>(kBalanceLine.size()));
  ASSERT_EQ(recorder.records.size(), 2u);
  EXPECT_EQ(recorder.records[0].outcome, TResultOutcome::Typed);
  EXPECT_EQ(recorder.records[1].outcome, TResultOutcome::KeysRefused);
  EXPECT_EQ(recorder.records[1].typed, "12.345");
  EXPECT_EQ(errors.messages, std::vector<std::string>{"Tasten abgewiesen"});
  EXPECT_EQ(main.filt, "12.345 (nicht gesendet)");
  EXPECT_EQ(recorder.batches, 1) << "synced all the same";
}

TEST_F(RecordedResultTest, AResultTheRecorderRefusesIsNotTyped) {
  main.ledColor = ledTarget;
  recorder.refuse = true;
  ReceiveRecorded(kBalanceLine);
  EXPECT_EQ(injector.pressed, "");
  EXPECT_EQ(main.filt, "12.345 (nicht gesendet)");
}

}  // namespace
