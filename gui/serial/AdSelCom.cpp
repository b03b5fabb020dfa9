#include "gui/serial/AdSelCom.h"

#include <QGuiApplication>
#include <QScreen>

#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "platform/posix/PortProbe.h"
#include "platform/posix/SerialPortMap.h"
#include "serial/AdErrCodes.h"
#include "ui_AdSelCom.h"

namespace {

QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

}  // namespace

TComPortList TComPortList::System() {
  auto map = std::make_shared<const TSerialPortMap>();
  TPortOpenProbe probe = ExclusiveOpenProbe(map);
  TComPortList list;
  list.PortExists = [probe](int comNumber) { return ::PortExists(comNumber, probe); };
  list.Describe = [map](int comNumber) { return map->Describe(comNumber); };
  return list;
}

TComSelectForm::TComSelectForm(QWidget* owner, TComPortList ports)
    : QDialog(owner), ui_(std::make_unique<Ui::TComSelectForm>()), ports_(std::move(ports)) {
  // Fixed dialog border with only the system menu's close box. Before the controls exist:
  // changing the flags re-parents the window and would reshuffle their tab order.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui_->setupUi(this);
  setFixedSize(size());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  connect(ui_->OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->AbortBtn, &QPushButton::clicked, this, &QDialog::reject);
  FormCreate();
}

TComSelectForm::~TComSelectForm() = default;

void TComSelectForm::FormCreate() {
  for (int n = 1; n <= kHighestPort; ++n) {
    if (!ports_.PortExists || !ports_.PortExists(n)) continue;
    ui_->PortsComboBox->addItem(FromCp1252(Format("COM%d", n)));
    if (ports_.Describe)
      ui_->PortsComboBox->setItemData(ui_->PortsComboBox->count() - 1,
                                      FromCp1252(ports_.Describe(n)), Qt::ToolTipRole);
  }
  ui_->PortsComboBox->setCurrentIndex(ui_->PortsComboBox->count() > 0 ? 0 : -1);
}

int TComSelectForm::SelectedComNumber() const {
  // The item text without its first three characters ("COM").
  std::string text = Utf16ToCp1252(ui_->PortsComboBox->currentText().toStdU16String());
  return text.size() > 3 ? StrToIntDef(std::string_view(text).substr(3), 0) : 0;
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
  if (form.exec() != QDialog::Accepted) return ecNoPortSelected;
  // OK on an empty list chooses nothing: the same as Cancel.
  int chosen = form.SelectedComNumber();
  return chosen > 0 ? chosen : ecNoPortSelected;
}
