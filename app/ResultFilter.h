// Turns the received characters into results: collects them up to the end character, keeps the
// allowed ones, checks the obligatory text, swaps the decimal separator and types the result
// while a foreign window is in front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/CaptureViews.h"
#include "app/ResultRecord.h"

class ISound;
class TKeystrokes;

struct TResultFilterParts {
  IFilterOptionsView& filter;  // settings, read afresh at every use
  IMainView& main;             // edtCapt, edtFilt, status line, indicator colour
  ICharSource& source;         // the port's input buffer
  TKeystrokes& keys;
  ISound& sound;
  IEventPump& pump;
  IErrorDisplay& errors;
  // Told every result; a result it does not take is not typed. None: nothing is recorded.
  IResultRecorder* recorder = nullptr;
};

class TResultFilter {
 public:
  // The most characters either buffer holds. Past it the oldest captured characters are dropped
  // and a result with more allowed characters than this is discarded, not typed.
  static constexpr size_t MaxBufferLength = 65536;

  explicit TResultFilter(TResultFilterParts parts) : parts_(parts) {}

  // Handles Count received characters, one at a time, on the user-interface thread. A start or
  // end setting that is not a whole number is reported by the general error display; the
  // characters after the failing one stay in the input buffer.
  //
  // A call made while a run is under way (from the events processed before a result is shown)
  // reads nothing; the running call reads, after its own Count, every character still waiting.
  void processReceived(uint16_t Count);

  // Forgets the result being collected, so that the next character starts a new one: its start
  // was sent before the device went away, its end comes from no one. A running processReceived
  // is left alone; it has just finished a result when it gives way to this.
  void dropPartialResult();

  const std::string& capturedText() const { return capturedText_; }
  const std::string& filteredText() const { return filteredText_; }

 private:
  void readChars(int32_t count);
  void handleChar(char c);
  void outputResult();
  bool checkResult() const;
  void sendCursorMove();
  bool record(const TResultRecord& r);

  TResultFilterParts parts_;
  std::string capturedText_;
  std::string filteredText_;
  bool resultTooLong_ = false;
  bool running_ = false;
  bool missedCall_ = false;
};
