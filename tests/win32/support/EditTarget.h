// Runs tests/win32/EditTarget.exe, a Win32 edit control in another process, for the keystroke
// tests. <windows.h> stays in the .cpp.
#pragma once

#include <cstdint>
#include <string>

class TEditTarget {
 public:
  TEditTarget() = default;
  // Ends the program.
  ~TEditTarget();
  TEditTarget(const TEditTarget&) = delete;
  TEditTarget& operator=(const TEditTarget&) = delete;

  // Starts the program beside the test executable and waits until its window is in front;
  // false with the reason in `error` otherwise.
  bool Start(std::string& error);
  uint64_t Window() const { return window_; }
  // The edit control's text as Windows keeps it (CR LF line ends).
  std::string Text() const;
  // Whether Caps Lock is on as the program's input sees it.
  bool CapsLockOn() const;

  static constexpr const char* kTitle = "Tarvolin edit target";

 private:
  void* process_ = nullptr;
  uint64_t window_ = 0;
};
