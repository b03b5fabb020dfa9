// File > IQ without its five visible pauses: collecting the system and program facts, the six
// checks on the real windows, generating the page with Qt's fonts and opening the preview. The
// program file is the built tarvolin beside its help file; offscreen platform unless one is set.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>

#include "app/CaptureApp.h"
#include "gui/app/Fonts.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "gui/dialogs/prgOptions.h"
#include "gui/dialogs/serOptions.h"
#include "gui/qualification/winIqReport.h"
#include "gui/report/repPreview.h"

namespace {

void BM_GenerateIqReport(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  benchmark::DoNotOptimize(app);
  InstallFontStandIns();

  const QString program = QStringLiteral(TARVOLIN_EXE);
  SetApplicationHelpFile(program.left(program.lastIndexOf(QLatin1Char('/')) + 1) +
                         QString::fromLatin1(HelpFileName));
  TfrmMain frmMain;
  TserOptionForm serOptionForm(&frmMain);
  TprgOptionForm prgOptionForm(&frmMain);
  serOptionForm.getComPorts();
  TfrmMain::TServices services;
  services.serOptionForm = &serOptionForm;
  services.prgOptionForm = &prgOptionForm;
  frmMain.SetServices(services);
  TfrmIqReport frmIqReport;
  frmIqReport.SetServices({&frmMain, &serOptionForm, &prgOptionForm, nullptr, program});
  frmIqReport.SetPause([](int) {});

  int failed = 0;
  for (auto _ : state) {
    frmIqReport.generate();
    failed = frmIqReport.Report().FailedCount();
    state.PauseTiming();
    frmIqReport.LastPreview()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.counters["failed_checks"] = failed;
}
BENCHMARK(BM_GenerateIqReport)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
