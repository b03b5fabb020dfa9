// The port settings dialog TserOptionForm as a modeless Win32 window: its controls and their
// notifications. What its boxes hold and do is decided in dialogs/serOptions.h; it owns the
// program's port component comms and its status light controller, and its CommsTriggerAvail is
// where received data enters the capture path. Control ids: wingui/dialogs/serOptionsIds.h.
// Runs on the GUI thread.
#pragma once

#include <array>
#include <memory>

#include "app/CaptureViews.h"
#include "dialogs/serOptions.h"
#include "dialogs/serOptionsPort.h"
#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogWindow.h"
#include "wingui/serial/AdStatLt.h"

class IPortList;

class TserOptionForm : public TDialogWindow, public IPortOptionsView {
 public:
  // Created hidden, owned by `owner` (the main window), and served by the dialog navigation of
  // the message loop. Showing it (ShowWindow) starts the lamps, hiding it stops them.
  explicit TserOptionForm(HWND owner = nullptr);
  ~TserOptionForm() override;

  // IPortOptionsView. Texts are CP1252; setting a control does not run its change handler.
  // Left and Top are the window frame's position on the screen.
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
  // Lists COM1 to COM9 that can be opened now; the port box's tooltip names the device of the
  // port it shows.
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

  // The lamp at `index` of the light set (TLightSet::CtsIndex ...).
  TApdStatusLight& Lamp(int index) { return *lamps_.at(static_cast<size_t>(index)); }
  // The text the tooltip of the port box shows.
  std::string PortTooltip() const;

  void comboPortChange();
  void comboBaudChange();
  void comboDatabitsChange();
  void comboParityChange();
  void comboStopChange();
  void comboXonXoffChange();
  void setHwHandshake();
  void btnCloseClick();

 protected:
  void CloseRequested() override { btnCloseClick(); }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls(int dpi);
  void Command(int id, int code);
  void FormShow();
  void FormHide();
  void ShowPortDevice();
  // The look at the ports taken by the last getComPorts (or the first tooltip); null without a
  // device layer.
  IPortList* Ports();
  HWND Item(int id) const { return GetDlgItem(Handle(), id); }

  // False until every member exists: notifications sent while the window is being built are
  // not handled.
  bool ready_ = false;
  // Made with the window, before port_, which takes the lamps.
  std::array<std::unique_ptr<TApdStatusLight>, TLightSet::LightCount> lamps_;
  HWND tooltips_ = nullptr;
  TserOptionPort port_;
  std::unique_ptr<IErrorDisplay> defaultErrors_;
  TserOptionsController controller_;
  std::unique_ptr<IPortList> ports_;
};
