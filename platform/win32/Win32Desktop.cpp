#include "platform/win32/Win32Desktop.h"

#include <windows.h>
// The interface's member, not the system's A/W switch.
#undef VkKeyScan

#include <algorithm>
#include <cwchar>
#include <vector>

#include "base/Cp1252.h"
#include "base/Exception.h"
#include "base/SysUtils.h"

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

class TSystemKeyboard : public IWin32Keyboard {
 public:
  uint32_t ForegroundThread() override {
    HWND window = GetForegroundWindow();
    return window != nullptr ? GetWindowThreadProcessId(window, nullptr) : 0;
  }

  uintptr_t Layout(uint32_t thread) override {
    return reinterpret_cast<uintptr_t>(GetKeyboardLayout(thread));
  }

  int16_t KeyOf(char16_t ch, uintptr_t layout) override {
    return VkKeyScanExW(static_cast<WCHAR>(ch), reinterpret_cast<HKL>(layout));
  }

  bool DeadKey(uint8_t virtualKey, uintptr_t layout) override {
    // The character of a dead key comes with the top bit set.
    return (MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_CHAR, reinterpret_cast<HKL>(layout)) &
            0x80000000u) != 0;
  }

  bool CapsLockOn(uint32_t) override {
    // Attaching to the target's thread would share its key state, but attaching resets the key
    // state (Wine then reads Caps Lock as off, and keeps it off after detaching). The toggle is
    // the desktop's; this thread's state follows it while its queue is idle.
    return (GetKeyState(VK_CAPITAL) & 1) != 0;
  }

  unsigned Send(const TWin32KeyInput* events, unsigned count) override {
    std::vector<INPUT> inputs(count);
    for (unsigned i = 0; i < count; ++i) {
      inputs[i].type = INPUT_KEYBOARD;
      inputs[i].ki.wVk = events[i].virtualKey;
      inputs[i].ki.dwFlags = (events[i].keyUp ? KEYEVENTF_KEYUP : 0) |
                             (events[i].extended ? KEYEVENTF_EXTENDEDKEY : 0);
    }
    return SendInput(count, inputs.data(), sizeof(INPUT));
  }

  std::string InputDesktop() override {
    HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (desktop == nullptr) return {};
    WCHAR name[64] = {};
    DWORD needed = 0;
    std::string text;
    if (GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof(WCHAR), &needed))
      text = Utf16ToCp1252(std::u16string(name, name + wcsnlen(name, 63)));
    CloseDesktop(desktop);
    return text;
  }

  TElevation ForegroundElevation() override {
    HWND window = GetForegroundWindow();
    DWORD pid = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &pid) == 0 || pid == 0)
      return TElevation::Unknown;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return TElevation::Unknown;
    const TElevation elevation = ElevationOf(process);
    CloseHandle(process);
    return elevation;
  }

  TElevation OwnElevation() override { return ElevationOf(GetCurrentProcess()); }

 private:
  static TElevation ElevationOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return TElevation::Unknown;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool answered =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != FALSE;
    CloseHandle(token);
    if (!answered) return TElevation::Unknown;
    return elevation.TokenIsElevated != 0 ? TElevation::Elevated : TElevation::Limited;
  }
};

}  // namespace

IWin32Keyboard& SystemKeyboard() {
  static TSystemKeyboard keyboard;
  return keyboard;
}

void TWin32KeyInjector::KeyEvent(uint8_t virtualKey, bool keyUp) {
  TWin32KeyInput events[3] = {{virtualKey, keyUp, ExtendedKey(virtualKey)}};
  unsigned count = 1;
  const uint32_t thread = keyboard_.ForegroundThread();
  if (keyUp && keyboard_.DeadKey(virtualKey, keyboard_.Layout(thread))) {
    events[count++] = {VK_SPACE, false, false};
    events[count++] = {VK_SPACE, true, false};
  }
  const unsigned sent = keyboard_.Send(events, count);
  if (sent >= count) return;
  refused_ = true;
  refusedThread_ = thread;
  refusal_ = Format(
      "Windows hat Tastendr\xFC"
      "cke abgewiesen (%u von %u angenommen).",
      sent, count);
  throw Exception(refusal_);
}

uint16_t TWin32KeyInjector::VkKeyScan(char ch) {
  const char32_t unicode = Cp1252ToUnicode(static_cast<unsigned char>(ch));
  const uintptr_t layout = keyboard_.Layout(keyboard_.ForegroundThread());
  return static_cast<uint16_t>(keyboard_.KeyOf(static_cast<char16_t>(unicode), layout));
}

bool TWin32KeyInjector::CapsLockOn() {
  return keyboard_.CapsLockOn(keyboard_.ForegroundThread());
}

std::string TWin32KeyInjector::Blocked() {
  const std::string desktop = keyboard_.InputDesktop();
  if (desktop != "Default")
    return "Die Arbeitsstation ist gesperrt oder ein gesicherter Desktop wird angezeigt: "
           "Tastendr\xFC"
           "cke erreichen kein Programm.";
  using TElevation = IWin32Keyboard::TElevation;
  // Windows drops input from a lower integrity level silently.
  if (keyboard_.ForegroundElevation() == TElevation::Elevated &&
      keyboard_.OwnElevation() != TElevation::Elevated)
    return "Das Programm im Vordergrund l\xE4uft mit Administratorrechten und nimmt keine "
           "Tastendr\xFC"
           "cke von Tarvolin an.";
  if (refused_ && keyboard_.ForegroundThread() == refusedThread_) return refusal_;
  refused_ = false;
  return {};
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
