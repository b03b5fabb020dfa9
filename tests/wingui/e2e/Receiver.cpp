// Another program's window that receives the typed results: one multi-line edit control that
// scrolls on, so that long bursts are not cut off at its last visible line. The tests find the
// control by its class and read it with WM_GETTEXT.
#include <windows.h>

namespace {

HWND edit = nullptr;

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      edit = CreateWindowExW(
          0, L"EDIT", L"",
          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0,
          400, 200, wnd, nullptr, nullptr, nullptr);
      SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
      return 0;
    case WM_SETFOCUS:
      SetFocus(edit);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(wnd, msg, wParam, lParam);
  }
}

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TarvolinReceiver";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"Messwerte", WS_OVERLAPPEDWINDOW, 520, 50, 420,
                             240, nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(wnd, SW_SHOW);
  SetForegroundWindow(wnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
