#include "platform/posix/PosixErrors.h"

#include <cerrno>

uint32_t Win32ErrorFromErrno(int err) {
  switch (err) {
    case EBUSY:
    case EWOULDBLOCK:
      return kWin32AccessDenied;
    case ENOENT:
      return kWin32FileNotFound;
    case ENOTDIR:
      return kWin32PathNotFound;
    case EACCES:
    case EPERM:
      return kWin32PermissionDenied;
    case EIO:
      return kWin32IoDevice;
    case ENOMEM:
      return kWin32NotEnoughMemory;
    default:
      return kWin32GenFailure;
  }
}
