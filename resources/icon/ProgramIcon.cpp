#include "resources/icon/ProgramIcon.h"

#include <QDir>

QIcon ProgramIcon() {
  QIcon icon;
  // Each size was rendered on its own, so small ones stay sharp instead of being scaled down.
  const QDir sizes(QStringLiteral(":/icons"));
  for (const QString& name : sizes.entryList(QDir::Files)) icon.addFile(sizes.filePath(name));
  return icon;
}
