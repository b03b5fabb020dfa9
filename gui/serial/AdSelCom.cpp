#include "gui/serial/AdSelCom.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>

#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "serial/AwFactory.h"
#include "ui_AdSelCom.h"

namespace {

QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

}  // namespace

TComPortList TComPortList::System() {
  TComPortList list;
  IDeviceLayer* layer = DeviceLayer();
  if (layer == nullptr) return list;
  std::shared_ptr<IPortList> ports = layer->Ports();
  list.PortExists = [ports](int comNumber) {
    return ::PortExists(comNumber, [&](int n) { return ports->ProbePort(n); });
  };
  list.Describe = [ports](int comNumber) { return ports->Describe(comNumber); };
  list.Name = [ports](int comNumber) { return ports->Name(comNumber); };
  return list;
}

TComSelectForm::TComSelectForm(QWidget* owner, TComPortList ports)
    : QDialog(owner), ui_(std::make_unique<Ui::TComSelectForm>()), ports_(std::move(ports)) {
  // Fixed dialog border with only the system menu's close box. Before the controls exist:
  // changing the flags re-parents the window and would reshuffle their tab order.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui_->setupUi(this);
  // The request above the list names it for assistive technology.
  ui_->Label2->setBuddy(ui_->PortsComboBox);
  setFixedSize(size());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  connect(ui_->OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->AbortBtn, &QPushButton::clicked, this, &QDialog::reject);
  FormCreate();
}

TComSelectForm::~TComSelectForm() = default;

void TComSelectForm::FormCreate() {
  QComboBox* combo = ui_->PortsComboBox;
  for (int n = 1; n <= kHighestPort; ++n) {
    if (!ports_.PortExists || !ports_.PortExists(n)) continue;
    // Two adapters of one kind differ in their names, not in anything else the user sees.
    const std::string name = ports_.Name ? ports_.Name(n) : std::string();
    combo->addItem(FromCp1252(Format("COM%d", n) + (name.empty() ? "" : ": " + name)));
    if (ports_.Describe)
      combo->setItemData(combo->count() - 1, FromCp1252(ports_.Describe(n)), Qt::ToolTipRole);
  }
  combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
  // The open list may be wider than the box, so that the names show whole.
  combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 8);
}

int TComSelectForm::SelectedComNumber() const {
  // The number after the item's first three characters ("COM"), up to the adapter's name.
  std::string text = Utf16ToCp1252(ui_->PortsComboBox->currentText().toStdU16String());
  if (text.size() <= 3) return 0;
  std::string_view digits = std::string_view(text).substr(3);
  digits = digits.substr(0, digits.find(':'));
  return StrToIntDef(digits, 0);
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
