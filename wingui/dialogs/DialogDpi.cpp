#include "wingui/dialogs/DialogDpi.h"

#include <map>
#include <string>
#include <tuple>

#include "wingui/WinUi.h"

namespace {

// `font` at `height`; kept for the program's life and shared, as the design fonts are.
HFONT FontAtHeight(HFONT font, int from, int to) {
  static std::map<std::tuple<std::wstring, LONG, LONG, BYTE>, HFONT> fonts;
  LOGFONTW lf{};
  if (!GetObjectW(font, sizeof lf, &lf)) return font;
  lf.lfHeight = MulDiv(lf.lfHeight, to, from);
  auto key = std::make_tuple(std::wstring(lf.lfFaceName), lf.lfHeight, lf.lfWeight, lf.lfItalic);
  if (auto it = fonts.find(key); it != fonts.end()) return it->second;
  HFONT scaled = CreateFontIndirectW(&lf);
  fonts.emplace(std::move(key), scaled);
  return scaled;
}

bool IsComboBox(HWND wnd) {
  wchar_t name[16] = {};
  GetClassNameW(wnd, name, 16);
  return lstrcmpiW(name, L"ComboBox") == 0;
}

}  // namespace

int TDialogDpi::SizeClient(HWND wnd, int width, int height) {
  dpi_ = wingui::WindowDpi(wnd);
  RECT frame{0, 0, wingui::Scale(width, dpi_), wingui::Scale(height, dpi_)};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(wnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(wnd, GWL_EXSTYLE)),
                           static_cast<UINT>(dpi_));
  SetWindowPos(wnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return dpi_;
}

void TDialogDpi::Changed(HWND wnd, WPARAM wParam, LPARAM lParam) {
  const int dpi = HIWORD(wParam);
  const int old = dpi_;
  const auto* frame = reinterpret_cast<const RECT*>(lParam);
  SetWindowPos(wnd, nullptr, frame->left, frame->top, frame->right - frame->left,
               frame->bottom - frame->top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (dpi <= 0 || dpi == old) return;
  dpi_ = dpi;
  // The window's own controls only: a combo box scales its edit field itself.
  for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    // A combo box's window height is that of its open list.
    if (IsComboBox(child))
      SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
    if (auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)))
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontAtHeight(font, old, dpi)),
                   FALSE);
    SetWindowPos(child, nullptr, MulDiv(r.left, dpi, old), MulDiv(r.top, dpi, old),
                 MulDiv(r.right - r.left, dpi, old), MulDiv(r.bottom - r.top, dpi, old),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(wnd, nullptr, TRUE);
}
