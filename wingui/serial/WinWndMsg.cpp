#include "wingui/serial/WinWndMsg.h"

#include <atomic>
#include <exception>

#include "app/CaptureApp.h"
#include "serial/SerialContext.h"
#include "wingui/WinUi.h"
#include "wingui/serial/AdSelCom.h"
#include "wingui/serial/WinWndMsgQueue.h"

namespace {

constexpr const wchar_t* kClassName = L"awComWindow";
constexpr UINT kDrainMessage = WM_APP + 0x201;

// Written on the GUI thread before the hook that reads it is set, and after it is removed.
std::atomic<HWND> hiddenWindow{nullptr};
// A drain message is on its way; more wakes until it runs add nothing.
std::atomic<bool> drainPosted{false};

void Wake() {
  HWND wnd = hiddenWindow.load();
  if (wnd && !drainPosted.exchange(true)) {
    if (!PostMessageW(wnd, kDrainMessage, 0, 0)) drainPosted.store(false);
  }
}

void Drain() {
  drainPosted.store(false);
  // Only what waits now: a procedure that posts its message again (a deferred close waiting for
  // the dispatch thread to leave) is handled on a later turn, after the windows' own messages.
  const size_t waiting = wingui::serialqueue::Pending();
  for (size_t i = 0; i < waiting; ++i)
    if (!wingui::serialqueue::HandleOne()) break;
  if (wingui::serialqueue::Pending() > 0) Wake();
}

LRESULT CALLBACK Procedure(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kDrainMessage) {
    Drain();
    return 0;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace

HWND InstallWinWndMsgPump() {
  if (HWND wnd = hiddenWindow.load()) return wnd;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  if (!GetClassInfoW(instance, kClassName, &wc)) {
    wc.lpfnWndProc = &Procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!RegisterClassW(&wc)) return nullptr;
  }
  // Style 0, no parent, empty title: never shown, so never in front.
  HWND wnd =
      CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!wnd) return nullptr;
  hiddenWindow.store(wnd);
  wingui::serialqueue::Attach(&Wake, &PumpWin32Messages);
  // Messages queued before the pump existed.
  if (wingui::serialqueue::Pending() > 0) Wake();
  return wnd;
}

void UninstallWinWndMsgPump() {
  HWND wnd = hiddenWindow.load();
  if (!wnd) return;
  wingui::serialqueue::Detach();
  hiddenWindow.store(nullptr);
  drainPosted.store(false);
  DestroyWindow(wnd);
}

void PumpWin32Messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (wingui::PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void InstallWinSerialDialogs() {
  SetApplicationExceptionDisplay([](const std::exception& e) {
    MessageBoxW(GetActiveWindow(), wingui::Wide(e.what()).c_str(),
                wingui::Wide(ApplicationTitle).c_str(), MB_OK | MB_ICONERROR);
  });
  InstallWinPortPrompt();
}
