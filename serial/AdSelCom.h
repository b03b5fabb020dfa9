// The port selection dialog below its toolkit: its design, the list of the ports 1 to 50 that
// exist and the number an item stands for. A window of either GUI shows the list.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct TComSelectDesign {
  static constexpr int ClientWidth = 220;
  static constexpr int ClientHeight = 131;
  static constexpr int HighestPort = 50;
};

inline constexpr const char* ComSelectCaption = "Select Port";
inline constexpr const char* ComSelectLabel1 = "The configured serial port is not valid.";
inline constexpr const char* ComSelectLabel2 = "Please choose another port.";

// The controls in tab order after the labels and the bevel, with their place in the client area.
struct TComSelectControl {
  const char* Name;
  int Left, Top, Width, Height;
  const char* Text;  // nullptr: none
};
inline constexpr TComSelectControl ComSelectControls[] = {
    {"Label1", 18, 14, 187, 13, ComSelectLabel1}, {"Label2", 18, 30, 187, 13, ComSelectLabel2},
    {"Bevel1", 8, 8, 201, 42, nullptr},           {"OkBtn", 8, 95, 85, 27, "OK"},
    {"AbortBtn", 124, 95, 85, 27, "Cancel"},      {"PortsComboBox", 8, 64, 201, 21, nullptr},
};

// Where the dialog learns which ports there are.
struct TComPortList {
  std::function<bool(int comNumber)> PortExists;
  // Tooltip of a port's item (CP1252), for example the device path it stands for; may be empty.
  std::function<std::string(int comNumber)> Describe;
  // The name of the adapter behind a port (CP1252), shown beside its number; may be empty.
  std::function<std::string(int comNumber)> Name;

  // The system's ports, as the installed device layer sees them; none without a device layer.
  static TComPortList System();
};

// An entry of the list (CP1252).
struct TComSelectItem {
  std::string Text;
  std::string Tooltip;
};

// Tests the ports 1 to 50 in ascending order and gives an item "COM<n>" for each present one,
// followed by the adapter's name where it has one ("COM3: FTDI FT232R USB UART").
std::vector<TComSelectItem> ComSelectItems(const TComPortList& ports);

// The port number of an item: what follows its first three characters ("COM"), up to the
// adapter's name; 0 for a text that gives none.
int ComNumberOfItem(const std::string& text);

// What the dialog yields: the chosen item's port number after OK, or -2011 (no port selected)
// when it was closed in any other way, or with OK on an empty list.
int ComSelectResult(bool accepted, const std::string& selectedText);
