#include "tests/win32/support/EditTarget.h"

#include <windows.h>

#include <string>

namespace {

constexpr UINT kAskCapsLock = WM_APP + 1;

std::string BesideThisProgram(const char* file) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1) + file;
}

HWND Handle(uint64_t window) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
}

}  // namespace

TEditTarget::~TEditTarget() {
  if (process_ == nullptr) return;
  TerminateProcess(process_, 0);
  WaitForSingleObject(process_, 5000);
  CloseHandle(process_);
}

bool TEditTarget::Start(std::string& error) {
  std::string command = "\"" + BesideThisProgram("win32_edit_target.exe") + "\"";
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
  for (int i = 0; i < 400; ++i) {
    HWND wnd = FindWindowA("TarvolinEditTarget", kTitle);
    if (wnd != nullptr && GetForegroundWindow() == wnd) {
      window_ = reinterpret_cast<uintptr_t>(wnd);
      return true;
    }
    if (wnd != nullptr) SetForegroundWindow(wnd);
    Sleep(25);
  }
  error = "the edit target's window did not come to the front";
  return false;
}

std::string TEditTarget::Text() const {
  char text[256] = {};
  SendMessageA(Handle(window_), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

bool TEditTarget::CapsLockOn() const {
  return SendMessageA(Handle(window_), kAskCapsLock, 0, 0) != 0;
}
