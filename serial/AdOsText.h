// The operating system's side of error reporting: its own message texts for the Win32 error
// numbers that travel negated through the serial error codes, and the mapping of POSIX errno
// values onto those numbers. POSIX device layers report errors only through Win32ErrorFromErrno
// so that the rest of the program sees the numbers it expects (5 = in use, 2 or 3 = no such
// port); the Win32 layer has them from the system. The trace and log files report theirs through
// FileErrorFromErrno. On Windows the texts are the system's own (FormatMessageA), on POSIX a
// table of the texts this program can meet.
#pragma once

#include <cstdint>
#include <string>

// Win32-style error numbers produced on POSIX. Missing permission gets its own number, kept
// apart from 5, which the port component reports as "port in use".
enum : uint32_t {
  kWin32FileNotFound = 2,
  kWin32PathNotFound = 3,
  kWin32AccessDenied = 5,
  kWin32NotEnoughMemory = 8,
  kWin32GenFailure = 31,
  kWin32PermissionDenied = 65,
  kWin32IoDevice = 1117,
};

// The system's message text for a Win32 error number, in the system's own form (a sentence
// ending in CR LF), or "" when the system has none. Thread-safe.
std::string SystemMessageText(uint32_t win32Error);

// The Win32 error number for an errno value (POSIX device layers): EBUSY and EWOULDBLOCK are 5
// (in use), ENOENT 2, ENOTDIR 3, EACCES and EPERM kWin32PermissionDenied, EIO 1117, ENOMEM 8,
// anything else 31.
uint32_t Win32ErrorFromErrno(int err);

// The I/O error number (2..162, the message table's file errors) for the errno value of a failed
// file operation: ENOENT 2, ENOTDIR and ENAMETOOLONG 3, EMFILE and ENFILE 4, EACCES, EPERM and
// EISDIR 5 ("File access denied"), ENOSPC, EFBIG and EDQUOT 101 ("Disk is full"), EROFS 150,
// EIO 160, anything else 162 ("General failure").
uint32_t FileErrorFromErrno(int err);
