// Priorities of single threads, where the system keeps them per thread. One file per system.
#pragma once

#include <cstdint>

// The calling thread's id for SetThreadNice; 0 where priorities belong to the process.
uint64_t CurrentThreadId();

// The process's nice value, 0 when it cannot be read.
int ProcessNice();

// Gives thread `threadId` the nice value `nice` (clamped to -20..19). Raising a priority needs
// privilege; without it, and where priorities belong to the process, nothing changes.
void SetThreadNice(uint64_t threadId, int nice);
