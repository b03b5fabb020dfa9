// The serial facility served by the hidden "awComWindow" window: a serial thread's blocking send
// is answered while a loop other than the program's (a message box's, a menu's) runs on the GUI
// thread, and the GUI thread's own waits keep its windows served.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/wingui/unit/SerialSide.h"
#include "wingui/serial/WinWndMsg.h"

namespace {

DWORD loopStarted = 0;

BOOL CALLBACK CloseBox(HWND wnd, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(wnd, name, 16);
  if (std::wstring(name) == L"#32770") PostMessageW(wnd, WM_COMMAND, IDOK, 0);
  return TRUE;
}

// Runs in the foreign loop: it ends once the send is answered (or after 10 s, which fails the
// test).
void CALLBACK WatchSend(HWND, UINT, UINT_PTR, DWORD) {
  if (!serialside::SendFinished() && GetTickCount() - loopStarted < 10000) return;
  EnumThreadWindows(GetCurrentThreadId(), &CloseBox, 0);
  EndMenu();
}

void RunMessageBox() {
  MessageBoxW(nullptr, L"Wartet auf die serielle Nachricht", L"Test", MB_OK);
}

void RunMenu() {
  HWND owner = CreateWindowExW(0, L"STATIC", L"Test", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, L"&Port");
  SetForegroundWindow(owner);
  TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, owner, nullptr);
  DestroyMenu(menu);
  DestroyWindow(owner);
}

TEST(WinWndMsgPump, AnswersASerialSendWhileAMessageBoxOrMenuRunsItsLoop) {
  HWND hidden = InstallWinWndMsgPump();
  ASSERT_NE(hidden, nullptr);
  wchar_t name[32] = {};
  GetClassNameW(hidden, name, 32);
  EXPECT_EQ(std::wstring(name), L"awComWindow");

  for (void (*loop)() : {&RunMessageBox, &RunMenu}) {
    // Nothing pumps before the loop: the answer can only come from the loop itself.
    serialside::StartSend();
    loopStarted = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &WatchSend);
    loop();
    KillTimer(nullptr, timer);
    serialside::JoinSend();
    EXPECT_TRUE(serialside::SendAnswered()) << (loop == &RunMenu ? "menu" : "message box");
  }
}

bool timerRan = false;
void CALLBACK MarkTimer(HWND, UINT, UINT_PTR, DWORD) {
  timerRan = true;
}

TEST(WinWndMsgPump, WaitingOnTheGuiThreadDispatchesItsWindowMessages) {
  ASSERT_NE(InstallWinWndMsgPump(), nullptr);
  timerRan = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, &MarkTimer);
  serialside::PumpUntil([] { return timerRan; }, 10000);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(timerRan);
}

}  // namespace
