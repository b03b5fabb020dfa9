// A Win32 program with one multi-line edit control, the receiver of the keystroke tests. It puts
// itself in front; the tests read the control's text with WM_GETTEXT and ask with kAskCapsLock
// whether Caps Lock is on as this program's input sees it.
#include <windows.h>

namespace {

constexpr UINT kAskCapsLock = WM_APP + 1;
HWND edit = nullptr;

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0,
                             0, 400, 200, wnd, nullptr, nullptr, nullptr);
      return 0;
    case WM_SETFOCUS:
      SetFocus(edit);
      return 0;
    case WM_GETTEXT:
      return SendMessageA(edit, WM_GETTEXT, wParam, lParam);
    case kAskCapsLock:
      return GetKeyState(VK_CAPITAL) & 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(wnd, msg, wParam, lParam);
  }
}

}  // namespace

int main() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TarvolinEditTarget";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Tarvolin edit target", WS_OVERLAPPEDWINDOW, 50,
                             50, 420, 240, nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(wnd, SW_SHOW);
  SetForegroundWindow(wnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
