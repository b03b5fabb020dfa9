#include "gui/dialogs/serOptions.h"

#include <QComboBox>
#include <QHideEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QSignalBlocker>

#include "gui/QtText.h"
#include "gui/app/QtServices.h"
#include "serial/AwFactory.h"
#include "ui_serOptions.h"

namespace {

std::string TextOf(const QComboBox* combo) {
  return ToCp1252(combo->currentText());
}

// Sets the box's text as the program does, without running its change handler.
void SetTextOf(QComboBox* combo, const std::string& text) {
  const QSignalBlocker blocker(combo);
  combo->setEditText(FromCp1252(text));
}

void Fill(QComboBox* combo, const TComboDesign& design) {
  const QSignalBlocker blocker(combo);
  for (const char* item : design.Items) combo->addItem(FromCp1252(item));
  combo->setEditText(FromCp1252(design.Initial));
}

void SelectIndex(QComboBox* combo, int32_t index) {
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
  if (combo->currentIndex() < 0) combo->setEditText(QString());
}

}  // namespace

TserOptionForm::TserOptionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TserOptionForm>()),
      port_(TserOptionPort::TAvailHandler::Bind<&TserOptionForm::CommsTriggerAvail>(this),
            [this] {
              ui_->setupUi(this);
              return TserOptionPort::TLamps{ui_->ledCTS, ui_->ledDSR, ui_->ledDCD,   ui_->ledRING,
                                            ui_->ledTxD, ui_->ledRxD, ui_->ledERROR, ui_->ledBREAK};
            }()),
      defaultErrors_(std::make_unique<TQtErrorDisplay>(this)),
      controller_(*this, port_, *defaultErrors_) {
  setObjectName(QStringLiteral("serOptionForm"));
  setWindowTitle(FromCp1252(SerOptionsCaption));
  setFixedSize(TserOptionsDesign::ClientWidth, TserOptionsDesign::ClientHeight);
  setModal(false);
  // The F1 handler finds the help context of the active window through this property.
  setProperty("HelpContext", TserOptionsDesign::HelpContext);

  ui_->comboPort->setEditText(FromCp1252(PortInitialText));
  for (const TComboDesign& design : SerOptionsCombos)
    Fill(findChild<QComboBox*>(QString::fromLatin1(design.Name)), design);
  const TColor lit = TserOptionsDesign::LampLitColor;
  for (auto* lamp : {ui_->ledCTS, ui_->ledDSR, ui_->ledDCD, ui_->ledRING, ui_->ledTxD, ui_->ledRxD,
                     ui_->ledERROR, ui_->ledBREAK})
    lamp->SetLitColor(QColor(static_cast<int>(lit & 0xFF), static_cast<int>((lit >> 8) & 0xFF),
                             static_cast<int>((lit >> 16) & 0xFF)));

  // Each typed text applies as it stands: no completion to an entry ("1" is not 19200), and
  // Enter adds nothing to a list (the boxes have no insert policy). The close button is no
  // default button, so Enter in a box does not hide the dialog.
  for (QComboBox* box : {ui_->comboPort, ui_->comboBaud, ui_->comboDatabits, ui_->comboParity,
                         ui_->comboStop, ui_->comboXonXoff})
    box->setCompleter(nullptr);

  // Every keystroke in a box applies it, as picking an entry does.
  connect(ui_->comboPort, &QComboBox::editTextChanged, this, &TserOptionForm::comboPortChange);
  connect(ui_->comboBaud, &QComboBox::editTextChanged, this, &TserOptionForm::comboBaudChange);
  connect(ui_->comboDatabits, &QComboBox::editTextChanged, this,
          &TserOptionForm::comboDatabitsChange);
  connect(ui_->comboParity, &QComboBox::editTextChanged, this, &TserOptionForm::comboParityChange);
  connect(ui_->comboStop, &QComboBox::editTextChanged, this, &TserOptionForm::comboStopChange);
  connect(ui_->comboXonXoff, &QComboBox::editTextChanged, this,
          &TserOptionForm::comboXonXoffChange);
  for (auto* box : {ui_->hwUseDTR, ui_->hwUseRTS, ui_->hwReqDSR, ui_->hwReqCTS})
    connect(box, &QCheckBox::clicked, this, &TserOptionForm::setHwHandshake);
  connect(ui_->btnClose, &QPushButton::clicked, this, &TserOptionForm::btnCloseClick);
}

TserOptionForm::~TserOptionForm() = default;

int32_t TserOptionForm::Left() const {
  return x();
}
int32_t TserOptionForm::Top() const {
  return y();
}
void TserOptionForm::SetLeft(int32_t left) {
  move(left, y());
}
void TserOptionForm::SetTop(int32_t top) {
  move(x(), top);
}

std::string TserOptionForm::PortText() const {
  return TextOf(ui_->comboPort);
}
void TserOptionForm::SetPortText(const std::string& text) {
  SetTextOf(ui_->comboPort, text);
  ShowPortDevice();
}
std::string TserOptionForm::BaudText() const {
  return TextOf(ui_->comboBaud);
}
void TserOptionForm::SetBaudText(const std::string& text) {
  SetTextOf(ui_->comboBaud, text);
}
std::string TserOptionForm::DatabitsText() const {
  return TextOf(ui_->comboDatabits);
}
void TserOptionForm::SetDatabitsText(const std::string& text) {
  SetTextOf(ui_->comboDatabits, text);
}
int32_t TserOptionForm::ParityIndex() const {
  return ItemIndexOf(ParityItems, TextOf(ui_->comboParity));
}
void TserOptionForm::SetParityIndex(int32_t index) {
  SelectIndex(ui_->comboParity, index);
}
std::string TserOptionForm::StopText() const {
  return TextOf(ui_->comboStop);
}
void TserOptionForm::SetStopText(const std::string& text) {
  SetTextOf(ui_->comboStop, text);
}
int32_t TserOptionForm::XonXoffIndex() const {
  return ItemIndexOf(XonXoffItems, TextOf(ui_->comboXonXoff));
}
void TserOptionForm::SetXonXoffIndex(int32_t index) {
  SelectIndex(ui_->comboXonXoff, index);
}
bool TserOptionForm::UseDTR() const {
  return ui_->hwUseDTR->isChecked();
}
void TserOptionForm::SetUseDTR(bool on) {
  ui_->hwUseDTR->setChecked(on);
}
bool TserOptionForm::UseRTS() const {
  return ui_->hwUseRTS->isChecked();
}
void TserOptionForm::SetUseRTS(bool on) {
  ui_->hwUseRTS->setChecked(on);
}
bool TserOptionForm::ReqDSR() const {
  return ui_->hwReqDSR->isChecked();
}
void TserOptionForm::SetReqDSR(bool on) {
  ui_->hwReqDSR->setChecked(on);
}
bool TserOptionForm::ReqCTS() const {
  return ui_->hwReqCTS->isChecked();
}
void TserOptionForm::SetReqCTS(bool on) {
  ui_->hwReqCTS->setChecked(on);
}

IPortList* TserOptionForm::Ports() {
  if (!ports_ && DeviceLayer() != nullptr) ports_ = DeviceLayer()->Ports();
  return ports_.get();
}

void TserOptionForm::getComPorts() {
  ports_.reset();
  QComboBox* combo = ui_->comboPort;
  const QSignalBlocker blocker(combo);
  const QString shown = combo->currentText();
  combo->clear();
  for (const TListedPort& port : ListOpenablePorts(Ports())) {
    combo->addItem(QString::number(port.Number));
    combo->setItemData(combo->count() - 1, FromCp1252(port.Description), Qt::ToolTipRole);
  }
  combo->setEditText(shown);
  ShowPortDevice();
}

void TserOptionForm::ShowPortDevice() {
  ui_->comboPort->setToolTip(FromCp1252(PortDescription(Ports(), PortText())));
}

void TserOptionForm::comboPortChange() {
  ShowPortDevice();
  controller_.comboPortChange();
}
void TserOptionForm::comboBaudChange() {
  controller_.comboBaudChange();
}
void TserOptionForm::comboDatabitsChange() {
  controller_.comboDatabitsChange();
}
void TserOptionForm::comboParityChange() {
  controller_.comboParityChange();
}
void TserOptionForm::comboStopChange() {
  controller_.comboStopChange();
}
void TserOptionForm::comboXonXoffChange() {
  controller_.comboXonXoffChange();
}
void TserOptionForm::setHwHandshake() {
  controller_.setHwHandshake();
}

void TserOptionForm::btnCloseClick() {
  hide();
}

void TserOptionForm::CommsTriggerAvail(TObject*, uint16_t Count) {
  controller_.CommsTriggerAvail(Count, port_.DeviceReturns());
}

void TserOptionForm::FormShow() {
  controller_.Guarded([this] { port_.SetMonitoring(true); });
}

void TserOptionForm::FormHide() {
  controller_.Guarded([this] { port_.SetMonitoring(false); });
}

void TserOptionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TserOptionForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormHide();
}
