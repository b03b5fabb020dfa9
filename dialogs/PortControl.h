// The program's port component as the main window and the capture path see it.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "app/PortControl.h"

class TApdComPort;

// A view of `port`, which must outlive it.
std::unique_ptr<IPortControl> MakePortControl(TApdComPort& port);

// Where the port component shows an exception raised on the GUI thread by an event handler.
void SetPortExceptionDisplay(std::function<void(const std::exception&)> display);
