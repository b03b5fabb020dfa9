#include "tests/wingui/e2e/support/Windows.h"

#include <cstdio>
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

bool PressF1(HWND wnd) {
  if (!BringToFront(wnd)) return false;
  keybd_event(VK_F1, 0, 0, 0);
  keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
  return true;
}

bool SaveScreenshot(HWND wnd, const std::string& bmpPath) {
  RECT r{};
  if (!GetWindowRect(wnd, &r)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  bool written = false;
  if (copied) {
    if (FILE* out = std::fopen(bmpPath.c_str(), "wb")) {
      written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                std::fwrite(bits, imageSize, 1, out) == 1;
      written = std::fclose(out) == 0 && written;
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

}  // namespace e2e
