// The about box: product, version and build, copyright, vendor and description of the running
// program, read once from its version block when the window is created. Modeless; "Schließen"
// and the close box only hide it.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  // Reads the version block of `programFile` (the running program's file when empty).
  explicit TfrmAbout(QWidget* parent = nullptr, const QString& programFile = QString());

  void btnCloseClick();

 private:
  void FormCreate(const QString& programFile);

  // lblProduct, lblVersion, lblCopyright, lblVendor, lblDescription.
  std::vector<QLabel*> labels_;
  QPushButton* btnClose;
};
