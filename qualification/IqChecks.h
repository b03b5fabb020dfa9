// What a qualification run drives and how runs follow one another, for the windows of either GUI:
// the controls the six checks act on, by name, and the run guard.
#pragma once

#include <functional>

#include "qualification/IqReport.h"
#include "serial/AwFactory.h"

// The controls the checks drive (IIqSubject), as the windows name them.
inline constexpr const char* IqPortMenuEntry = "menConfigPort";  // main window, check 3
inline constexpr const char* IqHelpMenuEntry = "menHelpApp";     // main window, check 6
inline constexpr const char* IqPortCloseButton = "btnClose";     // port settings, check 4
inline constexpr const char* IqPortList = "comboPort";           // port settings, the ports row

// File > IQ. One run at a time: the checks process pending window messages, so a second File > IQ
// (or a second click on the entry) can arrive inside a run, and would otherwise run the checks
// inside the checks and fill the one report form twice over.
class TIqRun {
 public:
  explicit TIqRun(TIqReport& report) : report_(report) {}

  // Fills the report against `subject`, then has `present` generate its pages and show them.
  // Returns false, doing nothing, while a run is under way. What `present` raises passes on and
  // ends the run.
  bool generate(IIqSubject& subject, const std::function<void(TAlReport&)>& present);
  bool Running() const { return running_; }

 private:
  TIqReport& report_;
  bool running_ = false;
};

// The about box's texts from the running program's version block (CP1252).
struct TAboutTexts {
  std::string Product;
  std::string Version;    // product version, ", Build " and the build number
  std::string Copyright;  // "© " and the copyright
  std::string Vendor;
  std::string Description;
};
TAboutTexts AboutTexts(const TZanExeInfo& info);

// The about box: caption and client area, and its labels (all centred, 249 wide at x = 8).
inline constexpr const char* AboutCaption =
    "Tarvolin: \xDC"
    "ber";
struct TAboutDesign {
  static constexpr int ClientWidth = 267;
  static constexpr int ClientHeight = 223;
  static constexpr int LabelLeft = 8;
  static constexpr int LabelWidth = 249;
  static constexpr int ProductFontPixels = 19;
  // The close button, the default one.
  static constexpr int CloseLeft = 186;
  static constexpr int CloseTop = 192;
  static constexpr int CloseWidth = 75;
  static constexpr int CloseHeight = 25;
};
inline constexpr const char* AboutCloseCaption =
    "&Schlie\xDF"
    "en";
struct TAboutLabel {
  const char* Name;
  int Top, Height;
  std::string TAboutTexts::*Text;
};
inline constexpr TAboutLabel AboutLabels[] = {
    {"lblProduct", 16, 24, &TAboutTexts::Product},
    {"lblVersion", 48, 13, &TAboutTexts::Version},
    {"lblCopyright", 72, 13, &TAboutTexts::Copyright},
    {"lblVendor", 96, 13, &TAboutTexts::Vendor},
    {"lblDescription", 120, 57, &TAboutTexts::Description},
};

// The ports 1 to 50 present now, as the port selection finds them, each with whether it can be
// opened: the row of the report lists them when it runs, not when the program started.
std::vector<TIqComPort> PresentComPorts(IPortList& ports);
