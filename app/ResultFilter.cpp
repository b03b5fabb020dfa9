#include "app/ResultFilter.h"

#include "app/Keystrokes.h"
#include "app/PortSettings.h"
#include "base/SysUtils.h"
#include "platform/Sound.h"

namespace {

char CodeChar(const std::string& codeText) {
  return static_cast<char>(static_cast<uint32_t>(StrToInt(codeText)) & 0xFF);
}

void Replace(std::string& s, char from, char to) {
  for (char& c : s)
    if (c == from) c = to;
}

}  // namespace

void TResultFilter::processReceived(uint16_t Count) {
  if (running_) {
    missedCall_ = true;
    return;
  }
  running_ = true;
  missedCall_ = false;
  try {
    readChars(Count);
    // Calls that came in while this one pumped events left their characters waiting.
    while (missedCall_) {
      missedCall_ = false;
      readChars(parts_.source.InputCount());
    }
  } catch (const Exception& e) {
    running_ = false;
    missedCall_ = false;
    if (parts_.recorder != nullptr) parts_.recorder->BatchDone();
    parts_.errors.ShowException(e);
    return;
  } catch (...) {
    running_ = false;
    if (parts_.recorder != nullptr) parts_.recorder->BatchDone();
    throw;
  }
  running_ = false;
  if (parts_.recorder != nullptr) parts_.recorder->BatchDone();
}

void TResultFilter::readChars(int32_t count) {
  for (int32_t i = 0; i < count; ++i) handleChar(parts_.source.ReadChar());
}

void TResultFilter::dropPartialResult() {
  if (running_) return;
  capturedText_.clear();
  filteredText_.clear();
  resultTooLong_ = false;
}

void TResultFilter::handleChar(char c) {
  if (capturedText_.size() >= MaxBufferLength) capturedText_.erase(0, MaxBufferLength / 2);
  capturedText_ += c;

  if (c == CodeChar(parts_.filter.EolText())) {
    outputResult();
    filteredText_.clear();
    capturedText_.clear();
    resultTooLong_ = false;
  } else if (c == CodeChar(parts_.filter.PrefixText())) {
    filteredText_.clear();
    resultTooLong_ = false;
  } else if (!resultTooLong_ && parts_.filter.GoodText().find(c) != std::string::npos) {
    if (filteredText_.size() >= MaxBufferLength) {
      filteredText_.clear();
      resultTooLong_ = true;
    } else {
      filteredText_ += c;
    }
  }
}

void TResultFilter::outputResult() {
  parts_.pump.ProcessMessages();
  IMainView& main = parts_.main;
  main.SetCaptText(capturedText_);
  main.SetFiltText(filteredText_);
  TResultRecord r;
  r.raw = capturedText_;
  r.filtered = filteredText_;
  if (resultTooLong_) {
    main.SetStatusText(
        Format("Resultat mit mehr als %d Zeichen verworfen!!!", static_cast<int>(MaxBufferLength)));
    parts_.sound.Beep(110, 500);
    r.window = main.LedText();
    r.outcome = TResultOutcome::TooLong;
    record(r);
    return;
  }
  if (filteredText_.empty()) return;
  if (!checkResult()) {
    r.window = main.LedText();
    r.outcome = TResultOutcome::CheckFailed;
    record(r);
    main.SetStatusText(
        "Pr\xFC"
        "fung auf \"" +
        VisibleText(parts_.filter.CheckText()) + "\" in Resultat \"" + VisibleText(capturedText_) +
        "\" fehlgeschlagen!!!");
    parts_.sound.Beep(110, 500);
    return;
  }

  std::string result = filteredText_;
  switch (parts_.filter.DecSubstIndex()) {
    case 1:
      Replace(result, ',', '.');
      break;
    case 2:
      Replace(result, '.', ',');
      break;
    default:
      break;
  }

  // The colour first: asking it brings the indicator's text up to date.
  const bool target = main.LedColor() == ledTarget;
  r.window = main.LedText();
  if (!target) {
    r.outcome = r.window == "<Kein Fenster>" ? TResultOutcome::NoWindow : TResultOutcome::OwnWindow;
    record(r);
    main.SetFiltText(result + " (nicht gesendet)");
    return;
  }
  // The trail names the cursor movement, and none ("keine") as an empty text.
  const int32_t move = parts_.filter.CursMoveIndex();
  r.typed = result;
  r.cursor = move > 0 && move < CursMoveItemCount ? CursMoveItems[move] : "";
  // Recorded before the first key, so that no reading reaches a program without its record.
  if (!record(r)) {
    main.SetFiltText(result + " (nicht gesendet)");
    return;
  }
  try {
    parts_.keys.typeText(result);
    sendCursorMove();
  } catch (const Exception&) {
    r.outcome = TResultOutcome::KeysRefused;
    record(r);
    main.SetFiltText(result + " (nicht gesendet)");
    throw;
  }
}

bool TResultFilter::record(const TResultRecord& r) {
  return parts_.recorder == nullptr || parts_.recorder->Record(r);
}

bool TResultFilter::checkResult() const {
  const std::string check = parts_.filter.CheckText();
  return check.empty() || capturedText_.find(check) != std::string::npos;
}

void TResultFilter::sendCursorMove() {
  TKeystrokes& keys = parts_.keys;
  switch (parts_.filter.CursMoveIndex()) {
    case 1:
      keys.typeText("\r");
      break;
    case 2:
      keys.typeText("\r\n");
      break;
    case 3:
      keys.typeText("\n");
      break;
    case 4:
      keys.typeText("\n\r");
      break;
    case 5:
      keys.typeText("\t");
      break;
    case 6:
      keys.tapKey(VK_DOWN);
      break;
    case 7:
      keys.tapKey(VK_LEFT);
      break;
    case 8:
      keys.tapKey(VK_RIGHT);
      break;
    case 9:
      keys.tapKey(VK_UP);
      break;
    default:
      break;
  }
}
