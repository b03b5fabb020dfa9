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
#include "dialogs/ControlPlace.h"

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

// Where each control stands: the check boxes in their group, the lamps and their captions in the
// frame "Status", everything else in the client area. A list's height is that of its closed box.
inline constexpr TControlPlace SerOptionsPlaces[] = {
    {"lblPort", nullptr, 8, 10, 64, 17},         {"comboPort", nullptr, 80, 8, 57, 21},
    {"lblBaud", nullptr, 8, 36, 64, 17},         {"comboBaud", nullptr, 80, 34, 65, 21},
    {"lblDatabits", nullptr, 8, 62, 64, 17},     {"comboDatabits", nullptr, 80, 60, 57, 21},
    {"lblParity", nullptr, 8, 88, 64, 17},       {"comboParity", nullptr, 80, 86, 73, 21},
    {"lblStop", nullptr, 8, 114, 64, 17},        {"comboStop", nullptr, 80, 112, 57, 21},
    {"lblXonXoff", nullptr, 8, 140, 64, 17},     {"comboXonXoff", nullptr, 80, 138, 105, 21},
    {"gboxHwRecv", nullptr, 200, 4, 137, 45},    {"hwUseDTR", "gboxHwRecv", 12, 18, 56, 19},
    {"hwUseRTS", "gboxHwRecv", 76, 18, 56, 19},  {"gboxHwSend", nullptr, 200, 54, 137, 45},
    {"hwReqDSR", "gboxHwSend", 12, 18, 56, 19},  {"hwReqCTS", "gboxHwSend", 76, 18, 56, 19},
    {"btnClose", nullptr, 232, 134, 105, 25},    {"gboxStatus", nullptr, 8, 166, 329, 56},
    {"ledCTS", "gboxStatus", 21, 20, 13, 13},    {"lblCTS", "gboxStatus", 8, 35, 40, 15},
    {"ledDSR", "gboxStatus", 61, 20, 13, 13},    {"lblDSR", "gboxStatus", 48, 35, 40, 15},
    {"ledDCD", "gboxStatus", 101, 20, 13, 13},   {"lblDCD", "gboxStatus", 88, 35, 40, 15},
    {"ledRING", "gboxStatus", 141, 20, 13, 13},  {"lblRING", "gboxStatus", 128, 35, 40, 15},
    {"ledTxD", "gboxStatus", 181, 20, 13, 13},   {"lblTxD", "gboxStatus", 168, 35, 40, 15},
    {"ledRxD", "gboxStatus", 221, 20, 13, 13},   {"lblRxD", "gboxStatus", 208, 35, 40, 15},
    {"ledERROR", "gboxStatus", 261, 20, 13, 13}, {"lblERROR", "gboxStatus", 248, 35, 40, 15},
    {"ledBREAK", "gboxStatus", 301, 20, 13, 13}, {"lblBREAK", "gboxStatus", 288, 35, 40, 15},
};

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
