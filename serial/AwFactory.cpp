#include "serial/AwFactory.h"

#include "serial/AdOsText.h"
#include "serial/AwUser.h"

std::unique_ptr<TApdBaseDispatcher> CreateDispatcherFor(TApdCustomComPort* owner) {
  const TSerialContext& context = SerialContext();
  if (context.DispatcherFactory) return context.DispatcherFactory(owner);
  if (context.DeviceLayer) return context.DeviceLayer->CreateDispatcher(owner);
  return nullptr;
}

bool PortExists(int comNumber, const std::function<uint32_t(int comNumber)>& probe) {
  if (comNumber <= 0) return false;
  uint32_t result;
  try {
    result = probe(comNumber);
  } catch (...) {
    return false;
  }
  return result == 0 || result == kWin32AccessDenied || result == kWin32PermissionDenied;
}
