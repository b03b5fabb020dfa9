// Stand-ins for the windows and the port that are still to come. They hold the configuration
// values so that loading and saving work end to end; the real windows replace them.
#pragma once

#include <QDialog>

#include "app/CaptureViews.h"

namespace placeholder {

class TserOptionForm : public QDialog, public IPortOptionsView {
  Q_OBJECT

 public:
  explicit TserOptionForm(QWidget* parent = nullptr);
  int32_t Left() const override { return x(); }
  int32_t Top() const override { return y(); }
  void SetLeft(int32_t left) override { move(left, y()); }
  void SetTop(int32_t top) override { move(x(), top); }
  std::string PortText() const override { return port_; }
  void SetPortText(const std::string& text) override { port_ = text; }
  std::string BaudText() const override { return baud_; }
  void SetBaudText(const std::string& text) override { baud_ = text; }
  std::string DatabitsText() const override { return databits_; }
  void SetDatabitsText(const std::string& text) override { databits_ = text; }
  int32_t ParityIndex() const override { return parity_; }
  void SetParityIndex(int32_t index) override { parity_ = index; }
  std::string StopText() const override { return stop_; }
  void SetStopText(const std::string& text) override { stop_ = text; }
  int32_t XonXoffIndex() const override { return xonXoff_; }
  void SetXonXoffIndex(int32_t index) override { xonXoff_ = index; }
  bool UseDTR() const override { return dtr_; }
  void SetUseDTR(bool on) override { dtr_ = on; }
  bool UseRTS() const override { return rts_; }
  void SetUseRTS(bool on) override { rts_ = on; }
  bool ReqDSR() const override { return dsr_; }
  void SetReqDSR(bool on) override { dsr_ = on; }
  bool ReqCTS() const override { return cts_; }
  void SetReqCTS(bool on) override { cts_ = on; }
  void getComPorts() override {}

 private:
  std::string port_ = "1", baud_ = "9600", databits_ = "8", stop_ = "1";
  int32_t parity_ = 0, xonXoff_ = 0;
  bool dtr_ = false, rts_ = false, dsr_ = false, cts_ = false;
};

// Keeps the values the configuration gives the port.
class TComms : public ICommsPort {
 public:
  void SetComNumber(uint16_t number) override { comNumber_ = number; }
  void SetBaud(int32_t baud) override { baud_ = baud; }
  void SetDataBits(uint16_t bits) override { dataBits_ = bits; }
  void SetParity(int32_t parity) override { parity_ = parity; }
  void SetStopBits(uint16_t bits) override { stopBits_ = bits; }
  void SetSWFlowOptions(int32_t options) override { swFlow_ = options; }
  void SetHWFlowOptions(uint8_t options) override { hwFlow_ = options; }
  void SetAutoOpen(bool on) override { autoOpen_ = on; }
  void SetOpen(bool open) override { open_ = open; }

 private:
  uint16_t comNumber_ = 0, dataBits_ = 8, stopBits_ = 1;
  int32_t baud_ = 19200, parity_ = 0, swFlow_ = 0;
  uint8_t hwFlow_ = 0;
  bool autoOpen_ = true, open_ = false;
};

// An empty hidden window with the object name of the window it stands for.
QDialog* NamedDialog(const char* objectName, QWidget* parent = nullptr);

}  // namespace placeholder
