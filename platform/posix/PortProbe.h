// The test open behind the port selection list on POSIX (the rule over its answer is PortExists
// in serial/AwFactory.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TSerialPortMap;

// Tries to open port `comNumber` (with 64-byte queues where the device layer has queues) and
// closes it again at once. Returns 0 or the Win32 error number of the failed open.
using TPortOpenProbe = std::function<uint32_t(int comNumber)>;

// A probe that resolves the number through `map` and opens the path exclusively.
TPortOpenProbe ExclusiveOpenProbe(std::shared_ptr<const TSerialPortMap> map);
