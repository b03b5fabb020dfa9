// The port settings dialog below its toolkit: its design, the entries of its lists, how a typed
// text selects an entry, which ports it lists, and its change handlers guarded so that a failure
// is shown and the dialog goes on. A window of either GUI is the view.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/CaptureViews.h"
#include "app/Help.h"
#include "app/PortSettings.h"

class IPortList;
class TResultFilter;

struct TserOptionsDesign {
  static constexpr int ClientWidth = 345;
  static constexpr int ClientHeight = 229;
  static constexpr int HelpContext = PortSettingsHelpContext;
  // The highest port number the port list probes.
  static constexpr int HighestListedPort = 9;
  // The lamps' colour when lit: bright green.
  static constexpr TColor LampLitColor = 0x00FF00;
};

inline constexpr const char* SerOptionsCaption = "Tarvolin: Schnittstelle konfigurieren";

// A list box of the dialog: its entries in order and the text of a freshly created dialog.
struct TComboDesign {
  const char* Name;
  std::span<const char* const> Items;
  const char* Initial;
};

inline constexpr const char* BaudItems[] = {"   150", "   300", "   600", " 1200", " 2400",
                                            " 4800",  " 9600",  "19200",  "38400", "57600"};
inline constexpr const char* DatabitsItems[] = {"5", "6", "7", "8"};
// ParityItems (app/PortSettings.h): index = the port's parity, pNone, pOdd, pEven, pMark, pSpace.
inline constexpr const char* StopItems[] = {"1", "2"};
// Index = the port's software flow: swfNone, swfReceive, swfTransmit, swfBoth.
inline constexpr const char* XonXoffItems[] = {"Kein", "nur Empfangen", "nur Senden", "Beide"};

// The five fixed lists; comboPort is filled by the port probe and starts with the text "1".
inline constexpr TComboDesign SerOptionsCombos[] = {
    {"comboBaud", BaudItems, "9600"},       {"comboDatabits", DatabitsItems, "8"},
    {"comboParity", ParityItems, "None"},   {"comboStop", StopItems, "1"},
    {"comboXonXoff", XonXoffItems, "Kein"},
};
inline constexpr const char* PortInitialText = "1";

// The box labels, each the buddy of its list.
struct TComboLabel {
  const char* Name;
  const char* Text;
  const char* Combo;
};
inline constexpr TComboLabel SerOptionsLabels[] = {
    {"lblPort", "COM-Port", "comboPort"},          {"lblBaud", "Baudrate", "comboBaud"},
    {"lblDatabits", "Datenbits", "comboDatabits"}, {"lblParity", "Parity", "comboParity"},
    {"lblStop", "Stopbits", "comboStop"},          {"lblXonXoff", "Xon/Xoff", "comboXonXoff"},
};

// The hardware handshake check boxes with their group, caption and hint; the port options they
// stand for are setHwHandshake's.
struct THandshakeBox {
  const char* Name;
  const char* Group;
  const char* Caption;
  const char* Hint;
};
inline constexpr THandshakeBox HandshakeBoxes[] = {
    {"hwUseDTR", "HW-Handshake Empfang", "DTR", "ob DTR beim DTR zur Empfangs-Steuerung"},
    {"hwUseRTS", "HW-Handshake Empfang", "RTS", "RTS zur Empfangs-Steuerung"},
    {"hwReqDSR", "HW-Handshake Senden", "DSR", "Auswertung von DSR"},
    {"hwReqCTS", "HW-Handshake Senden", "CTS", "Auswertung von CTS"},
};

// The lamps of the frame "Status", each with its caption below it.
struct TLampDesign {
  const char* Name;
  const char* Caption;
};
inline constexpr const char* StatusFrameCaption = "Status";
inline constexpr TLampDesign SerOptionsLamps[] = {
    {"ledBREAK", "Break"}, {"ledCTS", "CTS"},   {"ledDCD", "DCD"}, {"ledDSR", "DSR"},
    {"ledERROR", "ERR"},   {"ledRING", "Ring"}, {"ledRxD", "RxD"}, {"ledTxD", "TxD"},
};
inline constexpr const char* SerOptionsCloseCaption =
    "Schlie\xDF"
    "en";

// The entry whose text `text` is, letter case aside, as picking it would select it; -1 for a text
// that is no entry.
int32_t ItemIndexOf(std::span<const char* const> items, const std::string& text);

// An entry of the port list: the bare number, and what it stands for (for a tooltip).
struct TListedPort {
  int Number;
  std::string Description;
};

// The ports 1 to 9 that open now; one held by another program is left out. None without a look
// at the ports.
std::vector<TListedPort> ListOpenablePorts(IPortList* ports);

// What the port box's text stands for, for its tooltip; empty for a text that is no port number.
std::string PortDescription(IPortList* ports, const std::string& text);

// The handlers of the port settings dialog. Each applies one box to the port; a failure
// (a text that is no whole number, a value out of range, a value the port refuses) goes to the
// error display, the port keeps its previous value and the box its text. Runs on the
// user-interface thread.
class TserOptionsController {
 public:
  TserOptionsController(const IPortOptionsView& view, ICommsPort& comms, IErrorDisplay& errors)
      : view_(view), comms_(comms), errors_(&errors) {}

  void SetErrorDisplay(IErrorDisplay& errors) { errors_ = &errors; }
  // Received data goes to `filter`; without one it stays in the port's buffer.
  void SetResultFilter(TResultFilter* filter) { filter_ = filter; }

  void comboPortChange();
  void comboBaudChange();
  void comboDatabitsChange();
  void comboParityChange();
  void comboStopChange();
  void comboXonXoffChange();
  void setHwHandshake();

  // Runs `action`; what it raises goes to the error display and the dialog goes on.
  void Guarded(const std::function<void()>& action);

  // OnTriggerAvail of comms: hands `count` to the capture path. `deviceReturns` is how often the
  // port's device came back since it was opened: a result cut off by an unplugged adapter is not
  // joined to the first one after its return.
  void CommsTriggerAvail(uint16_t count, uint32_t deviceReturns);

 private:
  const IPortOptionsView& view_;
  ICommsPort& comms_;
  IErrorDisplay* errors_;
  TResultFilter* filter_ = nullptr;
  uint32_t deviceReturns_ = 0;
};
