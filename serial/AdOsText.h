// The operating system's side of error reporting: its own message texts for the Win32 error
// numbers (platform/Win32Errors.h) that travel negated through the serial error codes, and the
// I/O error numbers of the trace and log files (FileErrorFromErrno). On Windows the texts are
// the system's own (FormatMessageA), on POSIX a table of the texts this program can meet.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Win32Errors.h"

// The system's message text for a Win32 error number, in the system's own form (a sentence
// ending in CR LF), or "" when the system has none. Thread-safe.
std::string SystemMessageText(uint32_t win32Error);

// The I/O error number (2..162, the message table's file errors) for the errno value of a failed
// file operation: ENOENT 2, ENOTDIR and ENAMETOOLONG 3, EMFILE and ENFILE 4, EACCES, EPERM and
// EISDIR 5 ("File access denied"), ENOSPC, EFBIG and EDQUOT 101 ("Disk is full"), EROFS 150,
// EIO 160, anything else 162 ("General failure").
uint32_t FileErrorFromErrno(int err);
