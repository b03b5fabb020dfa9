#include "gui/app/Fonts.h"

#include <QFont>
#include <QStringList>

void InstallFontStandIns() {
  const QStringList standIns{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")};
  for (const char* family : {"MS Sans Serif", "Arial", "Tahoma"})
    QFont::insertSubstitutions(QString::fromLatin1(family), standIns);
}
