// The receiving program (Receiver.cpp beside the test executable) as the test sees it.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

class TReceiver {
 public:
  TReceiver() = default;
  ~TReceiver();
  TReceiver(const TReceiver&) = delete;
  TReceiver& operator=(const TReceiver&) = delete;

  // Starts it and waits until its window is in front; false with the reason otherwise.
  bool Start(std::string& error);
  HWND Window() const { return window_; }
  // What arrived in its edit control (CR LF line ends).
  std::string Text() const;

  static constexpr const char* kTitle = "Messwerte";

 private:
  HANDLE process_ = nullptr;
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
};

}  // namespace e2e
