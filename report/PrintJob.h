// Printing recorded pages: the surfaces a page is played onto, the print target a job runs on,
// and the job itself (page range, one job per copy, the job ended on every way out). No toolkit
// here: each GUI supplies its printer and its window's page view behind these interfaces.
#pragma once

#include <memory>
#include <string>

#include "report/AlPrinter.h"
#include "report/Canvas.h"
#include "report/DrawMeta.h"

// Where a recorded page is played: a window's page view, a printer's page.
class IPageSurface {
 public:
  virtual ~IPageSurface() = default;
  // Plays `page` stretched over `target` (surface pixels), drawing nothing outside `clip`.
  virtual void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) = 0;
};

// A surface that plays pages onto a report canvas, scaled, leaving out what lies outside the
// clip: for a GUI whose drawing is a TCanvas.
class TCanvasSurface : public IPageSurface {
 public:
  // `canvas` must outlive the surface.
  explicit TCanvasSurface(TCanvas& canvas) : canvas_(canvas) {}
  void PlayPage(const TDrawMetaFile& page, const TRect& target, const TRect& clip) override {
    page.Play(canvas_, target, clip);
  }

 private:
  TCanvas& canvas_;
};

// The device of one print job: a printer, a PDF file. Used for one job only.
class IPrintTarget : public IPageSurface {
 public:
  // Starts the job; false when the device refuses it.
  virtual bool Begin(const std::string& title, TPrinterOrientation orientation) = 0;
  // Ends the current page and starts the next; false when the device takes no further page.
  virtual bool NewPage() = 0;
  // Ends the job; false when it could not be completed.
  virtual bool End() = 0;
  // The printable area of a page in the device's pixels, from 0,0.
  virtual TRect PageRect() const = 0;
};

// What the print dialog offers and what the user chose.
struct TPrintChoice {
  int MinPage = 1;
  int MaxPage = 1;
  int FromPage = 1;
  int ToPage = 1;
  int Copies = 1;
};

// The dialog's offer for `pageCount` pages: every page, one copy (at least page 1, so that the
// dialog has a valid range also without pages).
TPrintChoice PrintChoiceFor(int pageCount);

// Prints pages from..to (1-based, clipped to the pages there are) as one job on `target`, each
// page stretched over the target's page rectangle. An empty range starts no job. Raises
// Exception when the target refuses to begin, to take a page or to end; a job that was begun is
// ended on every way out.
void PrintPageRange(IPrintTarget& target, const tPages& pages, int from, int to,
                    const std::string& title, TPrinterOrientation orientation);
