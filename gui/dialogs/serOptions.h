// The port settings dialog TserOptionForm: its widgets and signal wiring. What its boxes hold and
// do is decided in dialogs/serOptions.h; it owns the program's port component comms and its status
// light controller, and its CommsTriggerAvail is where received data enters the capture path.
#pragma once

#include <QDialog>

#include <memory>

#include "app/CaptureViews.h"
#include "dialogs/serOptions.h"
#include "dialogs/serOptionsPort.h"

class IPortList;

namespace Ui {
class TserOptionForm;
}

class TserOptionForm : public QDialog, public IPortOptionsView {
  Q_OBJECT

 public:
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

  // comms and ledController with their settings in plain types; the port as the capture logic
  // sets it and reads from it.
  TserOptionPort& port() { return port_; }
  TApdComPort& comms() { return port_.comms(); }

  // Received data goes to `filter`; without one it stays in the port's buffer.
  void SetResultFilter(TResultFilter* filter) { controller_.SetResultFilter(filter); }
  // Where the handlers report failures; without one a message box shows them.
  void SetErrorDisplay(IErrorDisplay& errors) { controller_.SetErrorDisplay(errors); }

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
  void FormShow();
  void FormHide();
  void ShowPortDevice();
  // The look at the ports taken by the last getComPorts (or the first tooltip); null without a
  // device layer.
  IPortList* Ports();

  std::unique_ptr<Ui::TserOptionForm> ui_;
  TserOptionPort port_;
  std::unique_ptr<IErrorDisplay> defaultErrors_;
  TserOptionsController controller_;
  std::unique_ptr<IPortList> ports_;
};
