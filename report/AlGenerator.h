// The page generator: places the bands of a report form on the pages of one run, with page
// breaks, headers, footers, detail rows and groups, drawing on the printer it is given.
#pragma once

#include <vector>

#include "report/AlPrinter.h"
#include "report/Alrep.h"

class TAlGenerator {
 public:
  // One run of `report` on `printer`; both must outlive the generator.
  TAlGenerator(TAlReport& report, TAlPrinter& printer);
  TAlGenerator(const TAlGenerator&) = delete;
  TAlGenerator& operator=(const TAlGenerator&) = delete;

  // Fills `pages` (emptied first) with one completed page per page, in order. The printer keeps
  // its metrics afterwards but no longer refers to the list, also when the run fails.
  void Run(tPages& pages);

 private:
  void Collect();
  void PlaceBand(tAlBand& band);
  void PaintBand(tAlBand& band);
  void StartPage();
  void FinishPage();
  void PlaceDetailHeaders(const tAlBand& band);

  TAlReport& report_;
  TAlPrinter& printer_;
  std::vector<tAlBand*> titles_, pageHeaders_, detailHeaders_, body_, detailFooters_, pageFooters_,
      reportFooters_;
  int leftMargin_ = 0;
  int rightMargin_ = 0;
  int y_ = 0;
  int bodyLimit_ = 0;
  // Y just below the page headers of the current page: a band placed there has the page to
  // itself, so breaking again would only leave an empty page behind.
  int bodyTop_ = 0;
  bool firstPage_ = true;
  bool pageFinished_ = true;
};
