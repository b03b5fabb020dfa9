// What the result path tells a recorder about each result it completes.
#pragma once

#include <string>
#include <string_view>

// What became of a result.
enum class TResultOutcome {
  Typed,        // sent to the window in front
  OwnWindow,    // not sent: one of the program's own windows was in front
  NoWindow,     // not sent: no window was in front
  CheckFailed,  // not sent: the obligatory text was missing
  TooLong,      // not sent: more allowed characters than a result may have
  KeysRefused,  // the system refused the keys after they had been recorded as typed
};

struct TResultRecord {
  std::string raw;       // every character received for it, the end character included (CP1252)
  std::string filtered;  // the allowed characters
  std::string typed;     // the text typed, after the decimal separator swap; empty when not sent
  std::string cursor;    // the cursor movement typed after it ("CR", "TAB", "DOWN", ...; "" none)
  std::string window;    // the indicator's text: the target window's title, or why there is none
  TResultOutcome outcome = TResultOutcome::Typed;
};

// Receives the results on the user-interface thread.
class IResultRecorder {
 public:
  virtual ~IResultRecorder() = default;
  // Records one result. For a result to be typed this comes before the first key; false means it
  // was not recorded, and then it must not be typed.
  virtual bool Record(const TResultRecord& record) = 0;
  // The characters handed to the result path have all been handled: what was recorded must now
  // reach the disk, before the next batch. A failure is the recorder's to report.
  virtual void BatchDone() = 0;
};

// A text with each control character as its name in angle brackets, so that it fits one line:
// "12.5 g" CR LF reads "12.5 g<CR><LF>".
std::string VisibleText(std::string_view s);
