#include "report/AlPrinter.h"

#include <cmath>
#include <memory>
#include <utility>

#include "base/Exception.h"

void PaperSizeMM(tPapersize size, int& widthMM, int& heightMM) {
  switch (size) {
    case alr_A5:
      widthMM = 148;
      heightMM = 210;
      return;
    case alr_Legal:
      widthMM = 215;
      heightMM = 355;
      return;
    case alr_Letter:
      widthMM = 215;
      heightMM = 279;
      return;
    case alr_A4:
      break;
  }
  widthMM = 210;
  heightMM = 297;
}

int RoundHalfEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

TAlPrinter::TAlPrinter(const TReferenceDevice& device) : device_(device) {
  UpdateMetrics();
}

TAlPrinter& AlPrinter() {
  static const TFixedPitchDevice screen(96);
  static TAlPrinter printer(screen);
  return printer;
}

void TAlPrinter::UpdateMetrics() {
  const int ppi = ScreenPixelsPerInch();
  xres_ = yres_ = ppi;
  int w = 0;
  int h = 0;
  PaperSizeMM(papersize_, w, h);
  if (orientation_ == poLandscape) std::swap(w, h);
  pageWidth_ = RoundHalfEven(w * xres_ / 25.4);
  pageHeight_ = RoundHalfEven(h * yres_ / 25.4);
}

void TAlPrinter::SetOrientation(TPrinterOrientation v) {
  orientation_ = v;
  UpdateMetrics();
}

int TAlPrinter::ScaleX(int v) const {
  const int s = ScreenPixelsPerInch();
  return s > 0 ? RoundHalfEven(static_cast<double>(v) * xres_ / s + 0.5) : 0;
}

int TAlPrinter::ScaleY(int v) const {
  const int s = ScreenPixelsPerInch();
  return s > 0 ? RoundHalfEven(static_cast<double>(v) * yres_ / s + 0.5) : 0;
}

int TAlPrinter::MarginPixels(int mm) const {
  return RoundHalfEven(mm * xres_ / 25.4 + 0.5);
}

void TAlPrinter::SetPages(tPages* pages) {
  EndReport();
  pages_ = pages;
}

void TAlPrinter::BeginReport() {
  EndReport();
  if (pages_) pages_->Clear();
}

void TAlPrinter::NewPage() {
  EndReport();
  if (!pages_) return;
  current_ = pages_->Add(std::make_unique<TDrawMetaFile>(pageWidth_, pageHeight_, &device_));
}

TCanvas& TAlPrinter::PageCanvas() {
  if (!current_) NewPage();
  TCanvas* canvas = current_ ? current_->Canvas() : nullptr;
  if (!canvas) throw Exception("AlPrinter could not assign the Canvas");
  return *canvas;
}

void TAlPrinter::EndReport() {
  if (current_) current_->Close();
  current_ = nullptr;
}
