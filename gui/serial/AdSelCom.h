// The port selection dialog TComSelectForm: lists the COM ports 1 to 50 that exist and lets the
// user pick one when a port is to be opened without a port number. Its list and the number an
// item stands for come from serial/AdSelCom.h.
#pragma once

#include <QDialog>

#include <memory>

#include "serial/AdSelCom.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace Ui {
class TComSelectForm;
}

class TComSelectForm : public QDialog {
  Q_OBJECT

 public:
  // Tests the ports (all of them before the dialog can be shown) and lists the present ones, the
  // first one selected.
  explicit TComSelectForm(QWidget* owner = nullptr, TComPortList ports = TComPortList::System());
  ~TComSelectForm() override;

  // The number of the selected item after the dialog closed with OK; 0 when there is none.
  int SelectedComNumber() const;

  QLabel* Label1() const;
  QLabel* Label2() const;
  QFrame* Bevel1() const;
  QComboBox* PortsComboBox() const;
  QPushButton* OkBtn() const;
  QPushButton* AbortBtn() const;

 private:
  void FormCreate();

  std::unique_ptr<Ui::TComSelectForm> ui_;
  TComPortList ports_;
};

// Shows the dialog modally and returns the chosen port number, or -2011 (no port selected) when
// it was closed in any way but OK, or with OK on an empty list.
int PromptForComNumber(QWidget* owner = nullptr, TComPortList ports = TComPortList::System());
