// The Win32 error numbers the program acts upon or produces. They travel negated through the
// serial error codes on every platform; the POSIX backends map errno onto them
// (platform/posix/PosixErrors.h), the Win32 ones get them from the system.
#pragma once

#include <cstdint>

enum : uint32_t {
  kWin32FileNotFound = 2,
  kWin32PathNotFound = 3,
  kWin32AccessDenied = 5,  // the port component reports it as "port in use"
  kWin32InvalidHandle = 6,
  kWin32NotEnoughMemory = 8,
  kWin32GenFailure = 31,
  kWin32NotSupported = 50,
  // On POSIX: missing permission, kept apart from 5 so that it is not reported as "in use".
  kWin32PermissionDenied = 65,
  kWin32InvalidParameter = 87,
  kWin32OperationAborted = 995,
  kWin32IoPending = 997,
  kWin32IoDevice = 1117,
};
