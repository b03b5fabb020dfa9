#include "gui/dialogs/serOptions.h"

#include <QComboBox>
#include <QHideEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QSignalBlocker>

#include <array>

#include "app/PortSettings.h"
#include "app/ResultFilter.h"
#include "base/Cp1252.h"
#include "base/SysUtils.h"
#include "gui/app/QtServices.h"
#include "serial/AwFactory.h"
#include "ui_serOptions.h"

namespace {

constexpr std::array<const char*, 10> kBaudItems = {"   150", "   300", "   600", " 1200", " 2400",
                                                    " 4800",  " 9600",  "19200",  "38400", "57600"};
constexpr std::array<const char*, 4> kDatabitsItems = {"5", "6", "7", "8"};
constexpr std::array<const char*, 5> kParityItems = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char*, 2> kStopItems = {"1", "2"};
constexpr std::array<const char*, 4> kXonXoffItems = {"Kein", "nur Empfangen", "nur Senden",
                                                      "Beide"};
const QColor kLampLit(0, 255, 0);

QString FromCp1252(const std::string& s) {
  return QString::fromStdU16String(Cp1252ToUtf16(s));
}

std::string TextOf(const QComboBox* combo) {
  return Utf16ToCp1252(combo->currentText().toStdU16String());
}

// Sets the box's text as the program does, without running its change handler.
void SetTextOf(QComboBox* combo, const std::string& text) {
  const QSignalBlocker blocker(combo);
  combo->setEditText(FromCp1252(text));
}

template <size_t N>
void Fill(QComboBox* combo, const std::array<const char*, N>& items, const char* initial) {
  const QSignalBlocker blocker(combo);
  for (const char* item : items) combo->addItem(QString::fromLatin1(item));
  combo->setEditText(QString::fromLatin1(initial));
}

// The entry whose text the box shows; typing an entry's text selects it, as picking it does.
int32_t IndexOf(const QComboBox* combo) {
  return combo->findText(combo->currentText(), Qt::MatchFixedString);
}

void SelectIndex(QComboBox* combo, int32_t index) {
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
  if (combo->currentIndex() < 0) combo->setEditText(QString());
}

}  // namespace

// comms as the capture logic sees it.
class TserOptionForm::TComms : public ICommsPort, public ICharSource {
 public:
  explicit TComms(TserOptionPort& port) : port_(port) {}
  void SetComNumber(uint16_t number) override { port_.SetComNumber(number); }
  void SetBaud(int32_t baud) override { port_.SetBaud(baud); }
  void SetDataBits(uint16_t bits) override { port_.SetDataBits(bits); }
  void SetParity(int32_t parity) override { port_.SetParity(parity); }
  void SetStopBits(uint16_t bits) override { port_.SetStopBits(bits); }
  void SetSWFlowOptions(int32_t options) override { port_.SetSWFlowOptions(options); }
  void SetHWFlowOptions(uint8_t options) override { port_.SetHWFlowOptions(options); }
  void SetAutoOpen(bool on) override { port_.SetAutoOpen(on); }
  void SetOpen(bool open) override { port_.SetOpen(open); }
  void SetRecorders(const TRecorderConfig& recorders) override { port_.SetRecorders(recorders); }
  char ReadChar() override { return port_.ReadChar(); }
  int32_t InputCount() override { return static_cast<int32_t>(port_.InputCount()); }

 private:
  TserOptionPort& port_;
};

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
      commsAdapter_(std::make_unique<TComms>(port_)),
      defaultErrors_(std::make_unique<TQtErrorDisplay>(this)),
      errors_(defaultErrors_.get()) {
  setObjectName(QStringLiteral("serOptionForm"));
  setFixedSize(kClientWidth, kClientHeight);
  setModal(false);
  // The F1 handler finds the help context of the active window through this property.
  setProperty("HelpContext", kHelpContext);

  ui_->comboPort->setEditText(QStringLiteral("1"));
  Fill(ui_->comboBaud, kBaudItems, "9600");
  Fill(ui_->comboDatabits, kDatabitsItems, "8");
  Fill(ui_->comboParity, kParityItems, "None");
  Fill(ui_->comboStop, kStopItems, "1");
  Fill(ui_->comboXonXoff, kXonXoffItems, "Kein");
  for (auto* lamp : {ui_->ledCTS, ui_->ledDSR, ui_->ledDCD, ui_->ledRING, ui_->ledTxD, ui_->ledRxD,
                     ui_->ledERROR, ui_->ledBREAK})
    lamp->SetLitColor(kLampLit);

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

ICommsPort& TserOptionForm::commsSettings() {
  return *commsAdapter_;
}

ICharSource& TserOptionForm::commsInput() {
  return *commsAdapter_;
}

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
  return IndexOf(ui_->comboParity);
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
  return IndexOf(ui_->comboXonXoff);
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
  IPortList* ports = Ports();
  QComboBox* combo = ui_->comboPort;
  const QSignalBlocker blocker(combo);
  const QString shown = combo->currentText();
  combo->clear();
  for (int n = 1; n <= 9; ++n) {
    // Only a port that opens now: one held by another program is left out.
    if (ports == nullptr || ports->ProbePort(n) != 0) continue;
    combo->addItem(QString::number(n));
    combo->setItemData(combo->count() - 1, FromCp1252(ports->Describe(n)), Qt::ToolTipRole);
  }
  combo->setEditText(shown);
  ShowPortDevice();
}

void TserOptionForm::ShowPortDevice() {
  IPortList* ports = Ports();
  int32_t number = 0;
  const bool valid =
      ports != nullptr && TryStrToInt(PortText(), number) && number > 0 && number <= 65535;
  ui_->comboPort->setToolTip(valid ? FromCp1252(ports->Describe(number)) : QString());
}

template <typename F>
void TserOptionForm::Guarded(F&& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    errors_->ShowException(e);
  } catch (const std::exception& e) {
    errors_->ShowException(Exception(e.what()));
  }
}

void TserOptionForm::comboPortChange() {
  ShowPortDevice();
  Guarded([this] { ::comboPortChange(*this, *commsAdapter_); });
}
void TserOptionForm::comboBaudChange() {
  Guarded([this] { ::comboBaudChange(*this, *commsAdapter_); });
}
void TserOptionForm::comboDatabitsChange() {
  Guarded([this] { ::comboDatabitsChange(*this, *commsAdapter_); });
}
void TserOptionForm::comboParityChange() {
  Guarded([this] { ::comboParityChange(*this, *commsAdapter_); });
}
void TserOptionForm::comboStopChange() {
  Guarded([this] { ::comboStopChange(*this, *commsAdapter_); });
}
void TserOptionForm::comboXonXoffChange() {
  Guarded([this] { ::comboXonXoffChange(*this, *commsAdapter_); });
}
void TserOptionForm::setHwHandshake() {
  Guarded([this] { ::setHwHandshake(*this, *commsAdapter_); });
}

void TserOptionForm::btnCloseClick() {
  hide();
}

void TserOptionForm::CommsTriggerAvail(TObject*, uint16_t Count) {
  if (!filter_) return;
  // A result cut off by an unplugged adapter is not joined to the first one after its return.
  const uint32_t returns = port_.DeviceReturns();
  if (returns > deviceReturns_) filter_->dropPartialResult();
  deviceReturns_ = returns;
  filter_->processReceived(Count);
}

void TserOptionForm::FormShow() {
  Guarded([this] { port_.SetMonitoring(true); });
}

void TserOptionForm::FormHide() {
  Guarded([this] { port_.SetMonitoring(false); });
}

void TserOptionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TserOptionForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormHide();
}
