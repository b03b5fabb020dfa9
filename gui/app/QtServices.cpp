#include "gui/app/QtServices.h"

#include <QMessageBox>

#include "app/CaptureApp.h"
#include "gui/QtText.h"

void TQtMessageBoxes::ShowMessageBox(const std::string& title, const std::string& text,
                                     TMessageKind kind) {
  QMessageBox box(kind == TMessageKind::Error ? QMessageBox::Critical : QMessageBox::Warning,
                  FromCp1252(title), FromCp1252(text), QMessageBox::Ok, parent_);
  box.exec();
}

void TQtErrorDisplay::ShowException(const Exception& e) {
  QMessageBox box(QMessageBox::Critical, FromCp1252(ApplicationTitle), FromCp1252(e.Message()),
                  QMessageBox::Ok, parent_);
  box.exec();
}
