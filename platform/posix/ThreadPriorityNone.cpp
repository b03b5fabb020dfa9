#include "platform/posix/ThreadPriority.h"

// Elsewhere nice belongs to the process: a boost of one thread would boost them all, so none
// is applied.

uint64_t CurrentThreadId() {
  return 0;
}

int ProcessNice() {
  return 0;
}

void SetThreadNice(uint64_t, int) {}
