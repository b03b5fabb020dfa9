// The serial port component as the main window and the capture path use it: its open state,
// its number and its received characters. The windows see only this, so their tests run on a
// fake port without the serial subsystem.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A trace or dispatch log file that the last capture wrote when it stopped, or could not write.
struct TRecorderFile {
  std::string name;
  bool written = false;
  // Why the file could not be written; empty when it was, or when there was nothing to write.
  std::string error;
};

class IPortControl {
 public:
  virtual ~IPortControl() = default;
  virtual bool Open() const = 0;
  // Opens or closes the port; raises the port's error when that fails.
  virtual void SetOpen(bool open) = 0;
  virtual uint16_t ComNumber() const = 0;
  // The next received character; raises when none waits.
  virtual char ReadChar() = 0;
  virtual uint32_t InputCount() = 0;
  // The open port's device has gone away (unplugged); capture goes on once it is back.
  virtual bool DeviceLost() = 0;
  // How often the device came back since the port was opened.
  virtual uint32_t DeviceReturns() { return 0; }
  // The trace and log files of the capture that stopped last, trace first; none while open.
  virtual std::vector<TRecorderFile> RecorderFiles() const = 0;
};
