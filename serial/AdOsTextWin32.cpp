#include <windows.h>

#include "serial/AdOsText.h"

std::string SystemMessageText(uint32_t win32Error) {
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           win32Error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                           sizeof text - 1, nullptr);
  return std::string(text, n);
}
