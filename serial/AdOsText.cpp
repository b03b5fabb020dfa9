#include "serial/AdOsText.h"

#include <cerrno>

uint32_t FileErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
      return 5;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return 101;
    case EROFS:
      return 150;
    case EIO:
      return 160;
    default:
      return 162;
  }
}
