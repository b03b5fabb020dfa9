#include "gui/qualification/winAbout.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "gui/QtText.h"
#include "qualification/IqChecks.h"
#include "qualification/zanExeinfo.h"

TfrmAbout::TfrmAbout(QWidget* parent, const QString& programFile) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(FromCp1252(AboutCaption));
  setModal(false);
  // A fixed dialog border: no resizing, no help button.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowTitleHint);
  setFixedSize(TAboutDesign::ClientWidth, TAboutDesign::ClientHeight);
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

  for (const TAboutLabel& design : AboutLabels) {
    auto* l = new QLabel(QString::fromLatin1(design.Name), this);
    l->setObjectName(QString::fromLatin1(design.Name));
    l->setGeometry(TAboutDesign::LabelLeft, design.Top, TAboutDesign::LabelWidth, design.Height);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    labels_.push_back(l);
  }
  QFont product(QStringLiteral("MS Sans Serif"));
  product.setPixelSize(TAboutDesign::ProductFontPixels);
  labels_.front()->setFont(product);
  labels_.back()->setWordWrap(true);

  btnClose = new QPushButton(FromCp1252(AboutCloseCaption), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(TAboutDesign::CloseLeft, TAboutDesign::CloseTop, TAboutDesign::CloseWidth,
                        TAboutDesign::CloseHeight);
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &TfrmAbout::btnCloseClick);
  btnClose->setFocus();

  FormCreate(programFile.isEmpty() ? QApplication::applicationFilePath() : programFile);
}

void TfrmAbout::FormCreate(const QString& programFile) {
  TZanExeInfo info;
  info.getInfoFromFile(QFile::encodeName(programFile).toStdString());
  const TAboutTexts texts = AboutTexts(info);
  for (size_t i = 0; i < labels_.size(); ++i)
    labels_[i]->setText(FromCp1252(texts.*AboutLabels[i].Text));
}

void TfrmAbout::btnCloseClick() {
  hide();
}
