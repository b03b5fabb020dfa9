#include "platform/SystemInfo.h"

bool IsLoopbackAddress(std::string_view address) {
  return address.substr(0, 4) == "127." && address.size() > 4;
}
