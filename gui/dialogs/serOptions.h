// The port settings dialog: the serial port and its line settings, applied to the port at every
// change, and lamps that follow the line while the dialog is shown. It owns the program's port
// component comms and its status light controller, and its CommsTriggerAvail is where received
// data enters the capture path.
#pragma once

#include <QDialog>

#include <memory>

#include "app/CaptureViews.h"
#include "gui/dialogs/serOptionsPort.h"

class QComboBox;
class TResultFilter;
class IPortList;

namespace Ui {
class TserOptionForm;
}

class TserOptionForm : public QDialog, public IPortOptionsView {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 3;
  static constexpr int kClientWidth = 345;
  static constexpr int kClientHeight = 229;

  explicit TserOptionForm(QWidget* parent = nullptr);
  ~TserOptionForm() override;

  // IPortOptionsView. Texts are CP1252; setting a control does not run its change handler.
  int32_t Left() const override;
  int32_t Top() const override;
  void SetLeft(int32_t left) override;
  void SetTop(int32_t top) override;
  std::string PortText() const override;
  void SetPortText(const std::string& text) override;
  std::string BaudText() const override;
  void SetBaudText(const std::string& text) override;
  std::string DatabitsText() const override;
  void SetDatabitsText(const std::string& text) override;
  // The entry whose text the box shows, or -1: a typed text selects the entry it spells.
  int32_t ParityIndex() const override;
  void SetParityIndex(int32_t index) override;
  std::string StopText() const override;
  void SetStopText(const std::string& text) override;
  int32_t XonXoffIndex() const override;
  void SetXonXoffIndex(int32_t index) override;
  bool UseDTR() const override;
  void SetUseDTR(bool on) override;
  bool UseRTS() const override;
  void SetUseRTS(bool on) override;
  bool ReqDSR() const override;
  void SetReqDSR(bool on) override;
  bool ReqCTS() const override;
  void SetReqCTS(bool on) override;
  // Lists COM1 to COM9 that can be opened now, each entry with a tooltip naming its device.
  void getComPorts() override;

  // The port component as the capture logic sets it and reads from it.
  ICommsPort& commsSettings();
  ICharSource& commsInput();
  // comms and ledController with their settings in plain types.
  TserOptionPort& port() { return port_; }
  TApdComPort& comms() { return port_.comms(); }

  // Received data goes to `filter`; without one it stays in the port's buffer.
  void SetResultFilter(TResultFilter* filter) { filter_ = filter; }
  // Where the handlers report failures; without one a message box shows them.
  void SetErrorDisplay(IErrorDisplay* errors) { errors_ = errors; }

  // OnTriggerAvail of comms: hands the count to the capture path.
  void CommsTriggerAvail(TObject* CP, uint16_t Count);

 public slots:
  void comboPortChange();
  void comboBaudChange();
  void comboDatabitsChange();
  void comboParityChange();
  void comboStopChange();
  void comboXonXoffChange();
  void setHwHandshake();
  void btnCloseClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  class TComms;

  void FormShow();
  void FormHide();
  // Runs a handler; its failure goes to the error display and the dialog goes on.
  template <typename F>
  void Guarded(F&& handler);
  void ShowPortDevice();
  // The look at the ports taken by the last getComPorts (or the first tooltip); null without a
  // device layer.
  IPortList* Ports();

  std::unique_ptr<Ui::TserOptionForm> ui_;
  TserOptionPort port_;
  std::unique_ptr<TComms> commsAdapter_;
  std::unique_ptr<IErrorDisplay> defaultErrors_;
  std::unique_ptr<IPortList> ports_;
  TResultFilter* filter_ = nullptr;
  IErrorDisplay* errors_ = nullptr;
  uint32_t deviceReturns_ = 0;
};
