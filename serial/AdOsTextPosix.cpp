#include <algorithm>
#include <iterator>

#include "serial/AdOsText.h"

// The POSIX stand-ins for the system's texts of the Win32 error numbers.
namespace {

struct OsText {
  uint32_t number;
  const char* text;
};

// Sorted by number. Only numbers this program can meet; the rest have no text.
constexpr OsText kOsTexts[] = {
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough storage is available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {21, "The device is not ready.\r\n"},
    {22, "The device does not recognize the command.\r\n"},
    {23, "Data error (cyclic redundancy check).\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    // On POSIX only the line settings give 50.
    {50,
     "The request is not supported.\r\nThis system cannot set mark or space parity on a "
     "serial device.\r\n"},
    {65,
     "Permission to open the serial device is denied.\r\nAsk the administrator to add your "
     "user to the dialout group, then log in again.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {121, "The semaphore timeout period has expired.\r\n"},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request.\r\n"},
    {996, "Overlapped I/O event is not in a signaled state.\r\n"},
    {997, "Overlapped I/O operation is in progress.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1167, "The device is not connected.\r\n"},
};

static_assert(std::is_sorted(std::begin(kOsTexts), std::end(kOsTexts),
                             [](const OsText& a, const OsText& b) { return a.number < b.number; }));

}  // namespace

std::string SystemMessageText(uint32_t win32Error) {
  auto it = std::lower_bound(std::begin(kOsTexts), std::end(kOsTexts), win32Error,
                             [](const OsText& t, uint32_t n) { return t.number < n; });
  if (it == std::end(kOsTexts) || it->number != win32Error) return std::string();
  return it->text;
}
