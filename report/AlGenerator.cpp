#include "report/AlGenerator.h"

#include <algorithm>
#include <typeinfo>

TAlGenerator::TAlGenerator(TAlReport& report, TAlPrinter& printer)
    : report_(report), printer_(printer) {}

void TAlGenerator::Run(tPages& pages) {
  printer_.SetPapersize(report_.Papersize());
  printer_.SetOrientation(report_.Orientation());
  printer_.UpdateMetrics();
  printer_.SetPages(&pages);
  printer_.BeginReport();
  struct TEndRun {
    TAlPrinter& printer;
    ~TEndRun() {
      printer.EndReport();
      printer.SetPages(nullptr);
    }
  } endRun{printer_};

  report_.RewindFields();
  Collect();
  leftMargin_ = printer_.MarginPixels(report_.LeftMarginMM());
  rightMargin_ = printer_.MarginPixels(report_.RightMarginMM());
  bodyLimit_ = printer_.PageHeight();
  for (tAlBand* f : pageFooters_) bodyLimit_ -= printer_.ScaleY(f->Height());
  y_ = 99999;
  firstPage_ = true;
  pageFinished_ = true;

  for (tAlBand* b : titles_) PlaceBand(*b);
  for (tAlBand* b : body_) {
    const int tag = b->Tag();
    if (tag != 0) PlaceDetailHeaders(*b);
    PlaceBand(*b);
    if (tag != 0)
      for (tAlBand* f : detailFooters_)
        if (f->Tag() == tag) PlaceBand(*f);
  }
  for (tAlBand* b : reportFooters_) PlaceBand(*b);
  if (!pageFinished_) FinishPage();
}

void TAlGenerator::Collect() {
  TComponent* form = report_.Owner();
  std::vector<tAlBand*> bands;
  if (form) {
    for (TComponent* c : form->Components()) {
      // A run starts from the same state every time, so that the same data give the same
      // pages: row counters, alternate fills and remembered groups begin afresh.
      if (auto* sys = dynamic_cast<TAlSysField*>(c)) sys->ResetRowCounter();
      if (auto* link = dynamic_cast<TAlDetailLink*>(c)) link->ResetGroupValue();
      if (typeid(*c) != typeid(tAlBand)) continue;
      auto* band = static_cast<tAlBand*>(c);
      band->SetAltFillState(false);
      auto after = std::find_if(bands.begin(), bands.end(),
                                [&](const tAlBand* b) { return b->Top() > band->Top(); });
      bands.insert(after, band);
    }
  }

  bool previousKnown = false;
  tAlBandType previous = alr_Title;
  int group = 0;
  for (size_t k = 0; k < bands.size(); ++k) {
    tAlBand* b = bands[k];
    const int i = static_cast<int>(k) + 1;
    switch (b->BandType()) {
      case alr_Title:
        titles_.push_back(b);
        break;
      case alr_PageHeader:
        pageHeaders_.push_back(b);
        break;
      case alr_DetailHeader:
        b->SetTag(i);
        group = i;
        detailHeaders_.push_back(b);
        break;
      case alr_Detail:
        if (previousKnown && previous == alr_DetailHeader) {
          b->SetTag(group);
        } else {
          // Numbered like a headed band, so that a detail footer right after it follows it.
          group = i;
          b->SetTag(i);
        }
        body_.push_back(b);
        break;
      case alr_NewPage:
        body_.push_back(b);
        break;
      case alr_DetailFooter:
        if (previousKnown && previous == alr_Detail) b->SetTag(group);
        detailFooters_.push_back(b);
        break;
      case alr_PageFooter:
        pageFooters_.push_back(b);
        break;
      case alr_ReportFooter:
        reportFooters_.push_back(b);
        break;
      case alr_GroupHeader:
      case alr_GroupFooter:
        break;
    }
    previous = b->BandType();
    previousKnown = true;
  }
}

void TAlGenerator::PlaceDetailHeaders(const tAlBand& band) {
  for (tAlBand* h : detailHeaders_)
    if (h->Tag() == band.Tag()) PlaceBand(*h);
}

void TAlGenerator::PlaceBand(tAlBand& band) {
  if (band.BandType() == alr_NewPage) {
    if (!pageFinished_) FinishPage();
    return;
  }
  const bool detail = band.BandType() == alr_Detail;
  TAlDetailLink* link = band.DetailLink();
  // A link whose header or footer is the grouped band itself would place it without end.
  tAlBand* groupHeader = link && link->GroupHeader() != &band ? link->GroupHeader() : nullptr;
  tAlBand* groupFooter = link && link->GroupFooter() != &band ? link->GroupFooter() : nullptr;
  bool again = false;
  do {
    const bool freshPage = !pageFinished_ && y_ == bodyTop_;
    if (y_ + printer_.ScaleY(band.Height()) > bodyLimit_ && !freshPage) {
      if (!pageFinished_) FinishPage();
      StartPage();
      if (detail) {
        PlaceDetailHeaders(band);
        if (link) {
          link->GroupChanged(gmBeforeRow);
          if (groupHeader) PlaceBand(*groupHeader);
        }
      }
    }
    if (link && link->GroupChanged(gmBeforeRow) && groupHeader) PlaceBand(*groupHeader);
    PaintBand(band);
    if (link && link->GroupChanged(gmAfterRow) && groupFooter) PlaceBand(*groupFooter);
    again = false;
    if (detail) {
      for (TAlVisual* child : band.Children())
        if (auto* control = dynamic_cast<tAlControl*>(child); control && control->NextRow())
          again = true;
    }
  } while (again);
}

void TAlGenerator::PaintBand(tAlBand& band) {
  const TAlPrinter& p = printer_;
  TRect bandRect{p.ScaleX(band.Left()) + leftMargin_, y_, p.ScaleX(band.Width()) - rightMargin_,
                 y_ + p.ScaleY(band.Height()) - 1};
  if (band.AltColor()) {
    if (band.AltFillState()) {
      TCanvas& canvas = printer_.PageCanvas();
      canvas.SetBrush({band.Color(), TBrushStyle::bsSolid});
      canvas.FillRect(bandRect);
    }
    band.SetAltFillState(!band.AltFillState());
  }
  for (TAlVisual* child : band.Children()) {
    auto* control = dynamic_cast<tAlControl*>(child);
    if (!control) continue;
    TRect r{p.ScaleX(control->Left()), p.ScaleY(control->Top()),
            p.ScaleX(control->Left() + control->Width()),
            p.ScaleY(control->Top() + control->Height())};
    if (auto* label = dynamic_cast<TAlLabel*>(control))
      TAlReport::FitLabelRect(printer_, *label, r);
    r.Offset(bandRect.Left, bandRect.Top);
    switch (band.ClipMode()) {
      case cm_Clip: {
        TRect clipped;
        if (IntersectRect(clipped, r, bandRect)) control->PrintAt(printer_, clipped);
        break;
      }
      case cm_Expand: {
        TRect grown;
        if (UnionRect(grown, bandRect, r)) {
          bandRect = grown;
          control->PrintAt(printer_, r);
        }
        break;
      }
      case cm_Overwrite:
        control->PrintAt(printer_, r);
        break;
    }
  }
  y_ = bandRect.Bottom + 1;
}

void TAlGenerator::StartPage() {
  if (!firstPage_) printer_.NewPage();
  firstPage_ = false;
  pageFinished_ = false;
  y_ = 0;
  for (tAlBand* b : pageHeaders_) PaintBand(*b);
  bodyTop_ = y_;
}

void TAlGenerator::FinishPage() {
  y_ = bodyLimit_;
  for (tAlBand* f : pageFooters_) PaintBand(*f);
  pageFinished_ = true;
}
