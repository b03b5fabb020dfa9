// What the capture logic needs of the windows, the serial port and the application, as small
// interfaces: the Qt windows and the port component implement them, the tests use fakes.
#pragma once

#include <cstdint>
#include <string>

#include "base/Exception.h"

struct TRecorderConfig;

// Colour values with red in the lowest byte, green in the next and blue in the third.
using TColor = uint32_t;

// Indicator colours of the main window.
inline constexpr TColor ledInactive = 0x5000;  // dark green: capture stopped
inline constexpr TColor ledNoTarget = 0xA0FF;  // orange: no window or an own window in front
inline constexpr TColor ledTarget = 0xFF00;    // bright green: results are typed
// Whether the panel's text is white rather than black on `background`, so that it stays readable
// on the dark green of the stopped state: by the colour's perceived brightness.
constexpr bool LightTextOn(TColor background) {
  const uint32_t r = background & 0xFF, g = (background >> 8) & 0xFF, b = (background >> 16) & 0xFF;
  return (r * 299 + g * 587 + b * 114) / 1000 < 96;
}

// A window whose screen position is part of the configuration.
class IWindowPosition {
 public:
  virtual ~IWindowPosition() = default;
  virtual int32_t Left() const = 0;
  virtual int32_t Top() const = 0;
  virtual void SetLeft(int32_t left) = 0;
  virtual void SetTop(int32_t top) = 0;
};

// The main window TfrmMain.
class IMainView : public IWindowPosition {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetCaptText(const std::string& text) = 0;  // edtCapt, "Erfasst"
  virtual void SetFiltText(const std::string& text) = 0;  // edtFilt, "Gefiltert"
  // The indicator panel pnlLED.
  virtual TColor LedColor() const = 0;
  virtual void SetLedColor(TColor color) = 0;
  virtual std::string LedText() const = 0;
  virtual void SetLedText(const std::string& text) = 0;
  // Brings button, timer, menus, status line and indicator in line with the port's state.
  virtual void showRunState() = 0;
};

// The port settings dialog TserOptionForm: the texts of its boxes, the selection indexes of
// its lists (-1: none) and its check boxes.
class IPortOptionsView : public IWindowPosition {
 public:
  virtual std::string PortText() const = 0;  // comboPort
  virtual void SetPortText(const std::string& text) = 0;
  virtual std::string BaudText() const = 0;  // comboBaud
  virtual void SetBaudText(const std::string& text) = 0;
  virtual std::string DatabitsText() const = 0;  // comboDatabits
  virtual void SetDatabitsText(const std::string& text) = 0;
  virtual int32_t ParityIndex() const = 0;  // comboParity
  virtual void SetParityIndex(int32_t index) = 0;
  virtual std::string StopText() const = 0;  // comboStop
  virtual void SetStopText(const std::string& text) = 0;
  virtual int32_t XonXoffIndex() const = 0;  // comboXonXoff
  virtual void SetXonXoffIndex(int32_t index) = 0;
  virtual bool UseDTR() const = 0;  // hwUseDTR
  virtual void SetUseDTR(bool on) = 0;
  virtual bool UseRTS() const = 0;  // hwUseRTS
  virtual void SetUseRTS(bool on) = 0;
  virtual bool ReqDSR() const = 0;  // hwReqDSR
  virtual void SetReqDSR(bool on) = 0;
  virtual bool ReqCTS() const = 0;  // hwReqCTS
  virtual void SetReqCTS(bool on) = 0;
  // Lists the ports 1 to 9 that can be opened; the text of the port box stays.
  virtual void getComPorts() = 0;
};

// The filter settings dialog TprgOptionForm. The capture path reads it at every use.
class IFilterOptionsView : public IWindowPosition {
 public:
  virtual std::string PrefixText() const = 0;  // edtPrefix: start character code
  virtual void SetPrefixText(const std::string& text) = 0;
  virtual std::string EolText() const = 0;  // edtEol: end character code
  virtual void SetEolText(const std::string& text) = 0;
  virtual std::string CheckText() const = 0;  // edtCheck: obligatory text
  virtual void SetCheckText(const std::string& text) = 0;
  virtual std::string GoodText() const = 0;  // edtGood: allowed characters
  virtual void SetGoodText(const std::string& text) = 0;
  virtual int32_t DecSubstIndex() const = 0;  // comboDecSubst
  virtual void SetDecSubstIndex(int32_t index) = 0;
  virtual int32_t CursMoveIndex() const = 0;  // comboCursMove
  virtual void SetCursMoveIndex(int32_t index) = 0;
};

// Hardware handshake options as the bit mask the port takes (its option set's members, in order).
enum THWFlowMask : uint8_t {
  hwMaskUseDTR = 1,
  hwMaskUseRTS = 2,
  hwMaskRequireDSR = 4,
  hwMaskRequireCTS = 8,
};

// The settings of the port component comms. Each setter takes the value at once, also while
// the port is open, and raises when the port or the device refuses it.
class ICommsPort {
 public:
  virtual ~ICommsPort() = default;
  virtual void SetComNumber(uint16_t number) = 0;
  virtual void SetBaud(int32_t baud) = 0;
  virtual void SetDataBits(uint16_t bits) = 0;
  virtual void SetParity(int32_t parity) = 0;  // 0 pNone, 1 pOdd, 2 pEven, 3 pMark, 4 pSpace
  virtual void SetStopBits(uint16_t bits) = 0;
  // 0 swfNone, 1 swfReceive, 2 swfTransmit, 3 swfBoth
  virtual void SetSWFlowOptions(int32_t options) = 0;
  virtual void SetHWFlowOptions(uint8_t options) = 0;  // THWFlowMask bits
  virtual void SetAutoOpen(bool on) = 0;
  virtual void SetOpen(bool open) = 0;
  // Trace and dispatch log for every capture from now on; the file names are full paths.
  virtual void SetRecorders(const TRecorderConfig& recorders) = 0;
};

// The received characters of the port.
class ICharSource {
 public:
  virtual ~ICharSource() = default;
  // Takes the next received character; raises when there is none.
  virtual char ReadChar() = 0;
  // Received characters not yet read.
  virtual int32_t InputCount() = 0;
};

enum class TMessageKind { Error, Warning };

// Message boxes with one OK button, shown modally.
class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual void ShowMessageBox(const std::string& title, const std::string& text,
                              TMessageKind kind) = 0;
};

// The application's general error display: a message box with the error's text, after which
// the program goes on.
class IErrorDisplay {
 public:
  virtual ~IErrorDisplay() = default;
  virtual void ShowException(const Exception& e) = 0;
};

// Lets the user interface process its pending events (input, timers, window messages).
class IEventPump {
 public:
  virtual ~IEventPump() = default;
  virtual void ProcessMessages() = 0;
};
