#include "gui/qualification/winAbout.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "gui/QtText.h"
#include "qualification/zanExeinfo.h"

TfrmAbout::TfrmAbout(QWidget* parent, const QString& programFile) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(
      FromCp1252("Tarvolin: \xDC"
                 "ber"));
  setModal(false);
  // A fixed dialog border: no resizing, no help button.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowTitleHint);
  setFixedSize(kClientWidth, kClientHeight);
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

  const auto label = [this](const char* name, int top, int height) {
    auto* l = new QLabel(QString::fromLatin1(name), this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(8, top, 249, height);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return l;
  };
  lblProduct = label("lblProduct", 16, 24);
  QFont product(QStringLiteral("MS Sans Serif"));
  product.setPixelSize(19);
  lblProduct->setFont(product);
  lblVersion = label("lblVersion", 48, 13);
  lblCopyright = label("lblCopyright", 72, 13);
  lblVendor = label("lblVendor", 96, 13);
  lblDescription = label("lblDescription", 120, 57);
  lblDescription->setWordWrap(true);

  btnClose = new QPushButton(FromCp1252("&Schlie\xDF"
                                        "en"),
                             this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(186, 192, 75, 25);
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &TfrmAbout::btnCloseClick);
  btnClose->setFocus();

  FormCreate(programFile.isEmpty() ? QApplication::applicationFilePath() : programFile);
}

void TfrmAbout::FormCreate(const QString& programFile) {
  TZanExeInfo info;
  info.getInfoFromFile(QFile::encodeName(programFile).toStdString());
  lblProduct->setText(FromCp1252(info.productName()));
  lblVersion->setText(FromCp1252(info.productVersion() + ", Build " + info.buildNumber()));
  lblCopyright->setText(FromCp1252("\xA9 " + info.copyright()));
  lblVendor->setText(FromCp1252(info.companyName()));
  lblDescription->setText(FromCp1252(info.fileDescription()));
}

void TfrmAbout::btnCloseClick() {
  hide();
}
