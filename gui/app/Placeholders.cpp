#include "gui/app/Placeholders.h"

namespace placeholder {

QDialog* NamedDialog(const char* objectName, QWidget* parent) {
  auto* d = new QDialog(parent);
  d->setObjectName(QString::fromLatin1(objectName));
  return d;
}

}  // namespace placeholder
