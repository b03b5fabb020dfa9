// The one mapping of errno values onto the Win32 error numbers that the rest of the program
// expects (5 = in use, 2 or 3 = no such port). POSIX backends report errors only through it.
#pragma once

#include <cstdint>

#include "platform/Win32Errors.h"

// EBUSY and EWOULDBLOCK are 5 (in use), ENOENT 2, ENOTDIR 3, EACCES and EPERM
// kWin32PermissionDenied, EIO 1117, ENOMEM 8, anything else 31.
uint32_t Win32ErrorFromErrno(int err);
