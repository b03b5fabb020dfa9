#include "gui/dialogs/prgOptions.h"

#include <QComboBox>
#include <QLineEdit>

#include "gui/QtText.h"
#include "ui_prgOptions.h"

namespace {

std::string TextOf(const QLineEdit* edit) {
  return ToCp1252(edit->text());
}

void SetTextOf(QLineEdit* edit, const std::string& text) {
  edit->setText(FromCp1252(text));
}

void SelectIndex(QComboBox* combo, int32_t index) {
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

}  // namespace

TprgOptionForm::TprgOptionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TprgOptionForm>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("prgOptionForm"));
  setFixedSize(TprgOptionsDesign::ClientWidth, TprgOptionsDesign::ClientHeight);
  setModal(false);
  // The F1 handler finds the help context of the active window through this property.
  setProperty("HelpContext", TprgOptionsDesign::HelpContext);
  connect(ui_->btnClose, &QPushButton::clicked, this, &TprgOptionForm::btnCloseClick);
}

TprgOptionForm::~TprgOptionForm() = default;

std::string TprgOptionForm::PrefixText() const {
  return TextOf(ui_->edtPrefix);
}
void TprgOptionForm::SetPrefixText(const std::string& text) {
  SetTextOf(ui_->edtPrefix, text);
}
std::string TprgOptionForm::EolText() const {
  return TextOf(ui_->edtEol);
}
void TprgOptionForm::SetEolText(const std::string& text) {
  SetTextOf(ui_->edtEol, text);
}
std::string TprgOptionForm::CheckText() const {
  return TextOf(ui_->edtCheck);
}
void TprgOptionForm::SetCheckText(const std::string& text) {
  SetTextOf(ui_->edtCheck, text);
}
std::string TprgOptionForm::GoodText() const {
  return TextOf(ui_->edtGood);
}
void TprgOptionForm::SetGoodText(const std::string& text) {
  SetTextOf(ui_->edtGood, text);
}

int32_t TprgOptionForm::DecSubstIndex() const {
  return ui_->comboDecSubst->currentIndex();
}
void TprgOptionForm::SetDecSubstIndex(int32_t index) {
  SelectIndex(ui_->comboDecSubst, index);
}
int32_t TprgOptionForm::CursMoveIndex() const {
  return ui_->comboCursMove->currentIndex();
}
void TprgOptionForm::SetCursMoveIndex(int32_t index) {
  SelectIndex(ui_->comboCursMove, index);
}

int32_t TprgOptionForm::Left() const {
  return x();
}
int32_t TprgOptionForm::Top() const {
  return y();
}
void TprgOptionForm::SetLeft(int32_t left) {
  move(left, y());
}
void TprgOptionForm::SetTop(int32_t top) {
  move(x(), top);
}

void TprgOptionForm::btnCloseClick() {
  hide();
}
