#include "wingui/WinUi.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "base/Cp1252.h"
#include "wingui/ResourceIds.h"

namespace wingui {

namespace {
constexpr const wchar_t* kHelpContextProperty = L"TarvolinHelpContext";
}

std::wstring Wide(std::string_view cp1252) {
  const std::u16string u16 = Cp1252ToUtf16(cp1252);
  return std::wstring(u16.begin(), u16.end());
}

std::string Cp1252(std::wstring_view text) {
  return Utf16ToCp1252(std::u16string(text.begin(), text.end()));
}

std::string WindowText(HWND wnd) {
  const int length = GetWindowTextLengthW(wnd);
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  const int n = GetWindowTextW(wnd, buffer.data(), length + 1);
  buffer.resize(static_cast<size_t>(std::max(n, 0)));
  return Cp1252(buffer);
}

void SetWindowText(HWND wnd, std::string_view cp1252) {
  SetWindowTextW(wnd, Wide(cp1252).c_str());
}

int WindowDpi(HWND wnd) {
  if (wnd) {
    if (const UINT dpi = GetDpiForWindow(wnd)) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

RECT ScaleRect(const TDesignRect& r, int dpi) {
  const int left = Scale(r.Left, dpi);
  const int top = Scale(r.Top, dpi);
  return RECT{left, top, left + Scale(r.Width, dpi), top + Scale(r.Height, dpi)};
}

HFONT DesignFont(const char* face, int points, int dpi, bool bold) {
  static std::map<std::tuple<std::string, int, int, bool>, HFONT> fonts;
  auto key = std::make_tuple(std::string(face), points, dpi, bold);
  if (auto it = fonts.find(key); it != fonts.end()) return it->second;
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(points, dpi, 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring name = Wide(face);
  name.copy(lf.lfFaceName, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectW(&lf);
  fonts.emplace(std::move(key), font);
  return font;
}

HFONT DefaultFont(int dpi) {
  return DesignFont("MS Sans Serif", 8, dpi);
}

HWND CreateControl(HWND parent, const wchar_t* windowClass, std::string_view cp1252Text,
                   DWORD style, int id, const TDesignRect& rect, int dpi, HFONT font,
                   DWORD exStyle) {
  const RECT r = ScaleRect(rect, dpi);
  HWND control = CreateWindowExW(
      exStyle, windowClass, Wide(cp1252Text).c_str(), style | WS_CHILD | WS_VISIBLE, r.left, r.top,
      r.right - r.left, r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      GetModuleHandleW(nullptr), nullptr);
  if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

TWindow::~TWindow() {
  if (wnd_) {
    // The window's messages no longer reach the object, so its WM_NCDESTROY cleaning is done here.
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
    RemovePropW(wnd_, kHelpContextProperty);
    RemoveDialogWindow(wnd_);
    DestroyWindow(wnd_);
  }
}

TWindow* TWindow::FromHandle(HWND wnd) {
  return reinterpret_cast<TWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

bool TWindow::Create(const wchar_t* className, std::string_view cp1252Caption, DWORD style,
                     DWORD exStyle, int x, int y, int width, int height, HWND owner, HMENU menu) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, className, &wc)) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TWindow::Procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(TARVOLIN_IDI_PROGRAM));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TARVOLIN_IDI_PROGRAM),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc)) return false;
  }
  return CreateWindowExW(exStyle, className, Wide(cp1252Caption).c_str(), style, x, y, width,
                         height, owner, menu, instance, this) != nullptr;
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(wnd_, msg, wParam, lParam);
}

LRESULT CALLBACK TWindow::Procedure(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->wnd_ = wnd;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  TWindow* self = FromHandle(wnd);
  if (!self) return DefWindowProcW(wnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    RemovePropW(wnd, kHelpContextProperty);
    RemoveDialogWindow(wnd);
    const LRESULT result = self->HandleMessage(msg, wParam, lParam);
    self->wnd_ = nullptr;
    return result;
  }
  return self->HandleMessage(msg, wParam, lParam);
}

namespace {

std::vector<HWND>& DialogWindows() {
  static std::vector<HWND> windows;
  return windows;
}

}  // namespace

void AddDialogWindow(HWND wnd) {
  auto& windows = DialogWindows();
  if (std::find(windows.begin(), windows.end(), wnd) == windows.end()) windows.push_back(wnd);
}

void RemoveDialogWindow(HWND wnd) {
  std::erase(DialogWindows(), wnd);
}

namespace {
void (*helpKeyHandler)(HWND) = nullptr;
}

void SetHelpKeyHandler(void (*handler)(HWND focus)) {
  helpKeyHandler = handler;
}

bool PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  // Before dialog navigation, which would hand it to the focused control.
  if (helpKeyHandler && msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    helpKeyHandler(msg.hwnd);
    return true;
  }
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  for (HWND dialog : DialogWindows()) {
    if (dialog == root) return IsDialogMessageW(dialog, &msg) != FALSE;
  }
  return false;
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void SetHelpContext(HWND wnd, int context) {
  SetPropW(wnd, kHelpContextProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(context)));
}

int HelpContextOf(HWND wnd) {
  for (HWND w = wnd; w;) {
    if (const auto context =
            static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(w, kHelpContextProperty)))) {
      return context;
    }
    HWND parent = GetAncestor(w, GA_PARENT);
    if (!parent || parent == GetDesktopWindow()) parent = GetWindow(w, GW_OWNER);
    w = parent;
  }
  return 0;
}

}  // namespace wingui
