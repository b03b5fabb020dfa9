#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/ThreadPriority.h"

// Linux keeps a nice value per thread, so each dispatcher thread can get its own.

uint64_t CurrentThreadId() {
  return static_cast<uint64_t>(gettid());
}

int ProcessNice() {
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, 0);
  return errno == 0 ? nice : 0;
}

void SetThreadNice(uint64_t threadId, int nice) {
  if (threadId == 0) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), std::clamp(nice, -20, 19));
}
