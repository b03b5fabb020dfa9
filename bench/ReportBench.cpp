// Generating a 10,000-row report (page header, title, detail header, two fields a row, two page
// footers) into recorded pages: on the built-in fixed-pitch reference device, and where the GUI
// is built on Qt's fonts as the program measures them (offscreen platform unless one is set).
#include <benchmark/benchmark.h>

#include <memory>

#include "report/Alrep.h"

#ifdef TARVOLIN_BENCH_QT
#include <QGuiApplication>

#include "gui/report/QtCanvas.h"
#endif

namespace {

tAlBand* AddBand(TAlForm& form, tAlBandType type, int top, int height) {
  auto* b = new tAlBand(&form);
  b->SetParent(&form);
  b->SetBounds(0, top, 794, height);
  b->SetBandType(type);
  return b;
}

template <class T>
T* AddControl(TAlForm& form, tAlBand* band, const char* name, int left, int top) {
  auto* c = new T(&form);
  c->SetName(name);
  c->SetParent(band);
  c->SetBounds(left, top, 100, 16);
  return c;
}

void GenerateReport(benchmark::State& state, const TReferenceDevice& device) {
  const int rows = static_cast<int>(state.range(0));
  TAlPrinter printer(device);
  TAlForm form;
  auto* report = new TAlReport(&form);
  report->SetLeftMarginMM(20);
  report->SetRightMarginMM(20);
  tAlBand* ph = AddBand(form, alr_PageHeader, 0, 41);
  AddControl<TAlLabel>(form, ph, "lblPage", 584, 16)->SetCaption("Seite");
  AddControl<TAlSysField>(form, ph, "sfPage", 616, 16)->SetDataType(alr_PageNum);
  AddBand(form, alr_Title, 41, 82);
  tAlBand* head = AddBand(form, alr_DetailHeader, 123, 30);
  AddControl<TAlLabel>(form, head, "lblHead", 40, 12)->SetCaption("Messwerte");
  tAlBand* data = AddBand(form, alr_Detail, 153, 20);
  AddControl<TAlField>(form, data, "fldNo", 40, 4);
  AddControl<TAlField>(form, data, "fldValue", 224, 4);
  tAlBand* footer = AddBand(form, alr_PageFooter, 173, 41);
  AddControl<TAlLabel>(form, footer, "lblFoot", 0, 0)->SetCaption("Labor");
  for (int i = 1; i <= rows; ++i) {
    report->AddFieldValue("fldNo", "Zeile " + std::to_string(i));
    report->AddFieldValue("fldValue", std::to_string(i) + ",25 g");
  }

  tPages pages;
  int64_t total = 0;
  for (auto _ : state) {
    report->GenerateInto(pages, printer);
    total += pages.Count();
    benchmark::DoNotOptimize(pages.Count());
  }
  state.counters["pages"] = pages.Count();
  state.counters["pages_per_s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}

void BM_GenerateReport(benchmark::State& state) {
  static const TFixedPitchDevice device(96);
  GenerateReport(state, device);
}
BENCHMARK(BM_GenerateReport)->Arg(10000)->Unit(benchmark::kMillisecond);

#ifdef TARVOLIN_BENCH_QT
void BM_GenerateReportQtFonts(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  benchmark::DoNotOptimize(app);
  static const TQtReferenceDevice device(96);
  GenerateReport(state, device);
}
BENCHMARK(BM_GenerateReportQtFonts)->Arg(10000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
