// The main window TfrmMain: captured and filtered text, the indicator, the start button and the
// status line. A first version: the menus and start/stop arrive with the port.
#pragma once

#include <QMainWindow>

#include "app/CaptureViews.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmMain : public QMainWindow, public IMainView {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);

  int32_t Left() const override;
  int32_t Top() const override;
  void SetLeft(int32_t left) override;
  void SetTop(int32_t top) override;
  void SetCaption(const std::string& caption) override;
  void SetStatusText(const std::string& text) override;
  void SetCaptText(const std::string& text) override;
  void SetFiltText(const std::string& text) override;
  TColor LedColor() const override;
  void SetLedColor(TColor color) override;
  std::string LedText() const override;
  void SetLedText(const std::string& text) override;
  void showRunState() override;

  QString StatusText() const;

 private:
  QLineEdit* edtCapt;
  QLineEdit* edtFilt;
  QPushButton* BitBtn2;
  QLabel* pnlLED;
  QLabel* statusText_;
  TColor ledColor_ = ledInactive;
};

// CP1252 text of the core to Qt and back.
QString FromCp1252(const std::string& s);
std::string ToCp1252(const QString& s);
