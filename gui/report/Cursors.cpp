#include "gui/report/Cursors.h"

#include <QPixmap>
#include <QString>
#include <map>

namespace {

std::map<int, QCursor>& Registry() {
  static std::map<int, QCursor> cursors;
  return cursors;
}

}  // namespace

// Resources of a static library are registered by hand; the macro must not sit in a namespace.
static void InitReportResources() {
  Q_INIT_RESOURCE(report);
}

void RegisterCursor(int number, const QCursor& cursor) {
  Registry()[number] = cursor;
}

QCursor AppCursor(int number) {
  auto it = Registry().find(number);
  return it == Registry().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

bool HasCursor(int number) {
  return Registry().count(number) != 0;
}

void LoadReportCursors() {
  static const bool loaded = [] {
    InitReportResources();
    QPixmap lupe(QStringLiteral(":/cursors/LUPE"), "XPM");
    // The hot spot is the centre of the lens.
    RegisterCursor(crLupe, QCursor(lupe, 12, 12));
    return true;
  }();
  (void)loaded;
}
