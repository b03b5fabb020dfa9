#include <windows.h>

#include <string>

#include "base/Cp1252.h"
#include "serial/AdOsText.h"

std::string SystemMessageText(uint32_t win32Error) {
  // Asked wide: the narrow call answers in the system's ANSI code page, not in CP1252.
  wchar_t text[256] = {};
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     win32Error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 255, nullptr);
  std::u16string wide;
  for (DWORD i = 0; i < n; ++i) wide += static_cast<char16_t>(text[i]);
  return Utf16ToCp1252(wide);
}
