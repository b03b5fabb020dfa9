// Driving the windows of another process the way UI tests drive Win32 programs: found by class,
// caption and control id, worked by posted messages, read by WM_GETTEXT. Waits poll with a
// deadline; nothing sleeps to synchronise.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

constexpr std::chrono::milliseconds kTimeout{15000};

// Polls until `done` holds; false when the time ran out first.
bool PollFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = kTimeout);

// The top-level windows of process `pid`, optionally only those of `windowClass`.
std::vector<HWND> TopWindows(DWORD pid, const wchar_t* windowClass = nullptr);
// The first visible top-level window of `pid` with that class and, when given, that caption;
// waits for it until the time runs out (nullptr then).
HWND WaitForWindow(DWORD pid, const wchar_t* windowClass, const std::string& caption = {},
                   std::chrono::milliseconds timeout = kTimeout);

// A window's text as CP1252, read with WM_GETTEXT; empty when the window does not answer.
std::string Text(HWND wnd);
// The texts of the child windows of class `windowClass`, in Z order (a message box's lines).
std::vector<std::string> ChildTexts(HWND wnd, const wchar_t* windowClass);
HWND Control(HWND dialog, int id);

// Posted, so that a modal loop the click starts (a message box) does not block the test.
void Click(HWND dialog, int id);
void MenuCommand(HWND wnd, int id);
// F1 as the user presses it: `wnd` is brought to the front and the key injected; with a
// mnemonic (an upper-case letter), Alt and the letter open that menu of `wnd` first.
bool PressF1(HWND wnd, char menuMnemonic = 0);
// Esc twice: an open menu and its bar.
void CloseMenus();
void Close(HWND wnd);

// Brings `wnd` to the front and waits until it is the foreground window.
bool BringToFront(HWND wnd);

// Saves what the screen shows of `wnd` (with its frame) as a 24-bit BMP file.
bool SaveScreenshot(HWND wnd, const std::string& bmpPath);

}  // namespace e2e
