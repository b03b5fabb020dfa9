#include "tests/wingui/e2e/support/Windows.h"

#include <cstdio>
#include <cstring>
#include <thread>

namespace e2e {

bool PollFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

namespace {

struct TFind {
  DWORD Pid;
  const wchar_t* WindowClass;
  std::vector<HWND> Found;
};

BOOL CALLBACK Collect(HWND wnd, LPARAM param) {
  auto& find = *reinterpret_cast<TFind*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != find.Pid) return TRUE;
  if (find.WindowClass != nullptr) {
    wchar_t name[128] = {};
    GetClassNameW(wnd, name, 128);
    if (lstrcmpW(name, find.WindowClass) != 0) return TRUE;
  }
  find.Found.push_back(wnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const wchar_t* windowClass) {
  TFind find{pid, windowClass, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

HWND WaitForWindow(DWORD pid, const wchar_t* windowClass, const std::string& caption,
                   std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  PollFor(
      [&] {
        for (HWND wnd : TopWindows(pid, windowClass)) {
          if (IsWindowVisible(wnd) && (caption.empty() || Text(wnd) == caption)) {
            found = wnd;
            return true;
          }
        }
        return false;
      },
      timeout);
  return found;
}

std::string Text(HWND wnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 5000, &got))
    return {};
  text.resize(got);
  std::string cp1252(text.size() * 2, '\0');
  int n = WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), cp1252.data(),
                              static_cast<int>(cp1252.size()), nullptr, nullptr);
  cp1252.resize(n > 0 ? n : 0);
  return cp1252;
}

std::vector<std::string> ChildTexts(HWND wnd, const wchar_t* windowClass) {
  std::vector<std::string> texts;
  for (HWND child = FindWindowExW(wnd, nullptr, windowClass, nullptr); child != nullptr;
       child = FindWindowExW(wnd, child, windowClass, nullptr))
    texts.push_back(Text(child));
  return texts;
}

HWND Control(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

void Click(HWND dialog, int id) {
  PostMessageW(Control(dialog, id), BM_CLICK, 0, 0);
}

void MenuCommand(HWND wnd, int id) {
  PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Close(HWND wnd) {
  PostMessageW(wnd, WM_CLOSE, 0, 0);
}

bool BringToFront(HWND wnd) {
  return PollFor([&] {
    if (GetForegroundWindow() == wnd) return true;
    SetForegroundWindow(wnd);
    return false;
  });
}

namespace {

void Tap(BYTE key) {
  keybd_event(key, 0, 0, 0);
  keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

}  // namespace

bool PressF1(HWND wnd, char menuMnemonic) {
  if (!BringToFront(wnd)) return false;
  if (menuMnemonic != 0) {
    keybd_event(VK_MENU, 0, 0, 0);
    Tap(static_cast<BYTE>(menuMnemonic));
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
  }
  Tap(VK_F1);
  return true;
}

void CloseMenus() {
  Tap(VK_ESCAPE);
  Tap(VK_ESCAPE);
}

namespace {

// The screen's pixels in `r`, bottom-up 24-bit rows as a BMP file stores them.
std::vector<char> ScreenPixels(const RECT& r, BITMAPINFOHEADER& header) {
  header = {};
  header.biSize = sizeof header;
  header.biWidth = r.right - r.left;
  header.biHeight = r.bottom - r.top;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u;
  std::vector<char> pixels(stride * static_cast<DWORD>(header.biHeight));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  if (BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, r.left, r.top, SRCCOPY)) {
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size());
  } else {
    pixels.clear();
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

bool SaveScreenshot(HWND wnd, const std::string& bmpPath) {
  RECT r{};
  if (!GetWindowRect(wnd, &r)) return false;
  // The other process paints when it gets to it: the picture is taken once the window is on top
  // and two captures in a row agree.
  BITMAPINFOHEADER header{};
  std::vector<char> pixels;
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  if (!PollFor([&] {
        if (GetAncestor(WindowFromPoint(centre), GA_ROOT) != wnd) return false;
        std::vector<char> again = ScreenPixels(r, header);
        const bool settled = !again.empty() && again == pixels;
        pixels = std::move(again);
        return settled;
      }))
    return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = std::fopen(bmpPath.c_str(), "wb");
  if (out == nullptr) return false;
  bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
  return std::fclose(out) == 0 && written;
}

}  // namespace e2e
