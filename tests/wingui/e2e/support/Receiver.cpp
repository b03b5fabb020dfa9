#include "tests/wingui/e2e/support/Receiver.h"

#include "tests/wingui/e2e/support/Windows.h"

namespace e2e {

TReceiver::~TReceiver() {
  if (process_ == nullptr) return;
  TerminateProcess(process_, 0);
  WaitForSingleObject(process_, 5000);
  CloseHandle(process_);
}

bool TReceiver::Start(std::string& error) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string command(path, n);
  command = "\"" + command.substr(0, command.find_last_of("\\/") + 1) + "wingui_receiver.exe\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    error = "cannot start " + command + ": error " + std::to_string(GetLastError());
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  window_ = WaitForWindow(pi.dwProcessId, L"TarvolinReceiver", kTitle);
  if (window_ == nullptr || !BringToFront(window_)) {
    error = "the receiver's window did not come to the front";
    return false;
  }
  edit_ = FindWindowExW(window_, nullptr, L"EDIT", nullptr);
  return true;
}

std::string TReceiver::Text() const {
  return e2e::Text(edit_);
}

}  // namespace e2e
