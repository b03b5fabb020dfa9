// The report printer: records the pages of a report run as TDrawMetaFile pictures at the
// reference device's (the screen's) resolution into the caller's page list.
//
// A printer is built on the device it measures with and is handed to the run that uses it; the
// process has one default printer (AlPrinter()) for runs that do not bring their own. A printer
// serves one run at a time on the calling thread.
#pragma once

#include "report/Canvas.h"
#include "report/DrawMeta.h"

enum tPapersize { alr_A4, alr_A5, alr_Legal, alr_Letter };
enum TPrinterOrientation { poPortrait, poLandscape };

// Portrait width and height of a paper size in whole millimetres.
void PaperSizeMM(tPapersize size, int& widthMM, int& heightMM);

// Nearest whole number, halves to the even neighbour.
int RoundHalfEven(double v);

class TAlPrinter {
 public:
  // Records against `device`, which must outlive the printer.
  explicit TAlPrinter(const TReferenceDevice& device);
  TAlPrinter(const TAlPrinter&) = delete;
  TAlPrinter& operator=(const TAlPrinter&) = delete;

  const TReferenceDevice& ReferenceDevice() const { return device_; }
  // The screen's pixels per inch (the reference device's).
  int ScreenPixelsPerInch() const { return device_.PixelsPerInch(); }

  void UpdateMetrics();
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation v);
  tPapersize Papersize() const { return papersize_; }
  void SetPapersize(tPapersize v) { papersize_ = v; }
  int XResolution() const { return xres_; }
  int YResolution() const { return yres_; }
  int PageWidth() const { return pageWidth_; }
  int PageHeight() const { return pageHeight_; }

  // Design pixels to page pixels, and a margin in millimetres to page pixels.
  int ScaleX(int v) const;
  int ScaleY(int v) const;
  int MarginPixels(int mm) const;

  tPages* Pages() const { return pages_; }
  void SetPages(tPages* pages);
  // Frees every page of the page list and empties it.
  void BeginReport();
  // Closes the current page, opens a new one and appends it to the page list.
  void NewPage();
  // The current page's canvas, opening a page first if none is current. Raises Exception
  // "AlPrinter could not assign the Canvas" when there is no page list or the page has no canvas.
  TCanvas& PageCanvas();
  // Closes the current page; it stays in the list.
  void EndReport();
  TDrawMetaFile* CurrentPage() const { return current_; }
  int PageNumber() const { return PageCount(); }
  int PageCount() const { return pages_ ? pages_->Count() : 0; }

 private:
  const TReferenceDevice& device_;
  tPages* pages_ = nullptr;
  TDrawMetaFile* current_ = nullptr;
  TPrinterOrientation orientation_ = poPortrait;
  tPapersize papersize_ = alr_A4;
  int xres_ = 0;
  int yres_ = 0;
  int pageWidth_ = 0;
  int pageHeight_ = 0;
};

// The process's default report printer, created on first use: 96 pixels per inch with the
// fixed-pitch metrics, so that a report can be built without a display.
TAlPrinter& AlPrinter();
