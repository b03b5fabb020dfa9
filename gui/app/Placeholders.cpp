#include "gui/app/Placeholders.h"

namespace placeholder {

TserOptionForm::TserOptionForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("serOptionForm"));
  setWindowTitle(QStringLiteral("Tarvolin: Schnittstelle konfigurieren"));
}

QDialog* NamedDialog(const char* objectName, QWidget* parent) {
  auto* d = new QDialog(parent);
  d->setObjectName(QString::fromLatin1(objectName));
  return d;
}

}  // namespace placeholder
