// The serial facility served by the hidden "awComWindow" window: a serial thread's blocking send
// is answered while a loop other than the program's runs on the GUI thread, and the GUI thread's
// own waits keep its windows served.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wingui/unit/SerialSide.h"
#include "wingui/serial/WinWndMsg.h"

namespace {

DWORD boxStarted = 0;

BOOL CALLBACK CloseBox(HWND wnd, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(wnd, name, 16);
  if (std::wstring(name) == L"#32770") PostMessageW(wnd, WM_COMMAND, IDOK, 0);
  return TRUE;
}

// Runs in the message box's loop: the box closes once the send is answered (or after 10 s, which
// fails the test).
void CALLBACK WatchSend(HWND, UINT, UINT_PTR, DWORD) {
  if (serialside::SendFinished() || GetTickCount() - boxStarted > 10000)
    EnumThreadWindows(GetCurrentThreadId(), &CloseBox, 0);
}

bool timerRan = false;
void CALLBACK MarkTimer(HWND, UINT, UINT_PTR, DWORD) {
  timerRan = true;
}

TEST(WinWndMsgPump, AnswersASerialSendWhileAMessageBoxRunsItsLoop) {
  HWND hidden = InstallWinWndMsgPump();
  ASSERT_NE(hidden, nullptr);
  wchar_t name[32] = {};
  GetClassNameW(hidden, name, 32);
  EXPECT_EQ(std::wstring(name), L"awComWindow");

  // Nothing pumps before the box: the answer can only come from the box's own loop.
  serialside::StartSend();
  boxStarted = GetTickCount();
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &WatchSend);
  MessageBoxW(nullptr, L"Wartet auf die serielle Nachricht", L"Test", MB_OK);
  KillTimer(nullptr, timer);
  serialside::JoinSend();
  EXPECT_TRUE(serialside::SendAnswered());
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
