#include "audit/BinaryOutput.h"

// POSIX streams never translate line ends.
void SetBinaryStandardOutput() {}
