#include "platform/win32/Win32Desktop.h"

#include <windows.h>
// The interface's member, not the system's A/W switch.
#undef VkKeyScan

#include <algorithm>
#include <vector>

#include "base/Cp1252.h"

namespace {

// Keys whose codes the system shares between two keys of a keyboard (right Alt and left Alt,
// the arrows and the numeric pad, ...): only the extended-key flag selects the one meant. Without
// it a right Alt would arrive as the left one and never give AltGr.
bool ExtendedKey(uint8_t vk) {
  switch (vk) {
    case VK_RMENU:
    case VK_RCONTROL:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
    case VK_NUMLOCK:
      return true;
    default:
      return false;
  }
}

}  // namespace

void TWin32KeyInjector::KeyEvent(uint8_t virtualKey, bool keyUp) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags =
      (keyUp ? KEYEVENTF_KEYUP : 0) | (ExtendedKey(virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0);
  SendInput(1, &input, sizeof input);
}

uint16_t TWin32KeyInjector::VkKeyScan(char ch) {
  // VkKeyScanA would read the byte in the system's ANSI code page, which need not be CP1252.
  const char32_t unicode = Cp1252ToUnicode(static_cast<unsigned char>(ch));
  return static_cast<uint16_t>(VkKeyScanW(static_cast<WCHAR>(unicode)));
}

bool TWin32KeyInjector::CapsLockOn() {
  return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

WindowId TWin32ForegroundWindow::Foreground() {
  return reinterpret_cast<uintptr_t>(GetForegroundWindow());
}

bool TWin32ForegroundWindow::IsWindow(WindowId window) {
  return window != 0 && ::IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)));
}

std::string TWin32ForegroundWindow::Title(WindowId window, int maxChars) {
  if (window == 0 || maxChars <= 0) return {};
  std::vector<WCHAR> buffer(static_cast<size_t>(maxChars) + 1);
  int n = GetWindowTextW(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), buffer.data(),
                         maxChars + 1);
  std::u16string text(buffer.begin(), buffer.begin() + std::max(n, 0));
  return Utf16ToCp1252(text);
}

void TWin32Sound::Beep(unsigned frequencyHz, unsigned durationMs) {
  ::Beep(frequencyHz, durationMs);
}

void TWin32Sound::MessageBeep() {
  ::MessageBeep(MB_OK);
}
