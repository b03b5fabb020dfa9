// Where a port gets its native dispatcher from.
//
// Each platform's device layer defines CreateNativeDispatcher once (POSIX: the termios layer).
// Tests replace it with a factory hook so that a port runs on a simulated device.
#pragma once

#include <functional>
#include <memory>

class TApdBaseDispatcher;
class TApdCustomComPort;

// The dispatcher of the platform's serial devices for `owner`; null where the platform has none.
std::unique_ptr<TApdBaseDispatcher> CreateNativeDispatcher(TApdCustomComPort* owner);

using TDispatcherFactory = std::function<std::unique_ptr<TApdBaseDispatcher>(TApdCustomComPort*)>;

// Installs `factory` in place of CreateNativeDispatcher (an empty one restores it) and returns
// the previous hook. GUI thread only.
TDispatcherFactory SetDispatcherFactory(TDispatcherFactory factory);

// The hook's dispatcher when one is installed, otherwise CreateNativeDispatcher's.
std::unique_ptr<TApdBaseDispatcher> CreateDispatcherFor(TApdCustomComPort* owner);
