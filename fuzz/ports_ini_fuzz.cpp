// ports.ini text and device names from arbitrary bytes: the COM number map must never crash and
// must only ever yield port numbers 1..65535 with non-empty paths.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/posix/SerialPortMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& [n, path] : ParsePortsIni(text))
    if (n < 1 || n > 65535 || path.empty()) std::abort();
  int n = ComNumberOfName(text);
  if (n < 0 || n > 65535) std::abort();
  return 0;
}
