// Printing on Windows: the printer a job goes to (its device name and settings), the system print
// dialog that chooses it with the page range and copies, and a print job on the printer's device
// context (StartDoc .. EndDoc), with the recorded pages played at the printer's resolution.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "report/PrintJob.h"

namespace wingui {

// A printer and its settings; the job may go to a file instead of the printer's port.
struct TPrinterSetup {
  std::wstring Device;
  // The printer's DEVMODEW with its driver's extra bytes; empty for the driver's defaults.
  std::vector<BYTE> DevMode;
  // Where the job's output goes instead of the port; empty for the port.
  std::wstring OutputFile;

  bool Empty() const { return Device.empty(); }
};

// The system's default printer with its default settings; empty when there is none.
TPrinterSetup DefaultPrinterSetup();
// Printer `device` with its default settings; empty when it does not exist.
TPrinterSetup PrinterSetupOf(const std::wstring& device);

// The system print dialog over `owner`, offering `choice` (page range enabled) on the printer of
// `setup` (the default one when empty). False when cancelled or when no printer can be chosen;
// otherwise `choice` holds the range and copies and `setup` the printer chosen.
bool RunSystemPrintDialog(HWND owner, TPrintChoice& choice, TPrinterSetup& setup);

// One print job on the printer of a setup, in one copy (copies are jobs of their own).
class TGdiPrintJob : public IPrintTarget {
 public:
  explicit TGdiPrintJob(TPrinterSetup setup) : setup_(std::move(setup)) {}
  ~TGdiPrintJob() override;
  TGdiPrintJob(const TGdiPrintJob&) = delete;
  TGdiPrintJob& operator=(const TGdiPrintJob&) = delete;

  bool Begin(const std::string& title, TPrinterOrientation orientation) override;
  bool NewPage() override;
  bool End() override;
  TRect PageRect() const override;
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override;

 private:
  TPrinterSetup setup_;
  HDC dc_ = nullptr;
  bool inDocument_ = false;
};

}  // namespace wingui
