#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "audit/BinaryOutput.h"

void SetBinaryStandardOutput() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}
