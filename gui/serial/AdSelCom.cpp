#include "gui/serial/AdSelCom.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>

#include "gui/QtText.h"
#include "ui_AdSelCom.h"

TComSelectForm::TComSelectForm(QWidget* owner, TComPortList ports)
    : QDialog(owner), ui_(std::make_unique<Ui::TComSelectForm>()), ports_(std::move(ports)) {
  // Fixed dialog border with only the system menu's close box. Before the controls exist:
  // changing the flags re-parents the window and would reshuffle their tab order.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui_->setupUi(this);
  // The request above the list names it for assistive technology.
  ui_->Label2->setBuddy(ui_->PortsComboBox);
  setFixedSize(TComSelectDesign::ClientWidth, TComSelectDesign::ClientHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  connect(ui_->OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->AbortBtn, &QPushButton::clicked, this, &QDialog::reject);
  FormCreate();
}

TComSelectForm::~TComSelectForm() = default;

void TComSelectForm::FormCreate() {
  QComboBox* combo = ui_->PortsComboBox;
  for (const TComSelectItem& item : ComSelectItems(ports_)) {
    combo->addItem(FromCp1252(item.Text));
    if (!item.Tooltip.empty())
      combo->setItemData(combo->count() - 1, FromCp1252(item.Tooltip), Qt::ToolTipRole);
  }
  combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
  // The open list may be wider than the box, so that the names show whole.
  combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 8);
}

int TComSelectForm::SelectedComNumber() const {
  return ComNumberOfItem(ToCp1252(ui_->PortsComboBox->currentText()));
}

QLabel* TComSelectForm::Label1() const {
  return ui_->Label1;
}
QLabel* TComSelectForm::Label2() const {
  return ui_->Label2;
}
QFrame* TComSelectForm::Bevel1() const {
  return ui_->Bevel1;
}
QComboBox* TComSelectForm::PortsComboBox() const {
  return ui_->PortsComboBox;
}
QPushButton* TComSelectForm::OkBtn() const {
  return ui_->OkBtn;
}
QPushButton* TComSelectForm::AbortBtn() const {
  return ui_->AbortBtn;
}

int PromptForComNumber(QWidget* owner, TComPortList ports) {
  TComSelectForm form(owner, std::move(ports));
  const bool accepted = form.exec() == QDialog::Accepted;
  return ComSelectResult(accepted, ToCp1252(form.PortsComboBox()->currentText()));
}
