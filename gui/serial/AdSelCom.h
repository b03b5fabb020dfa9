// The port selection dialog: lists the COM ports 1 to 50 that exist and lets the user pick one
// when a port is to be opened without a port number.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace Ui {
class TComSelectForm;
}

// Where the dialog learns which ports there are.
struct TComPortList {
  std::function<bool(int comNumber)> PortExists;
  // Tooltip of a port's item (CP1252), for example the device path it stands for; may be empty.
  std::function<std::string(int comNumber)> Describe;
  // The name of the adapter behind a port (CP1252), shown beside its number; may be empty.
  std::function<std::string(int comNumber)> Name;

  // The system's ports, as the installed device layer sees them.
  static TComPortList System();
};

class TComSelectForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHighestPort = 50;

  // Tests the ports 1 to kHighestPort in ascending order (all of them before the dialog can be
  // shown) and lists the present ones as "COM<n>", followed by the adapter's name where it has
  // one ("COM3: FTDI FT232R USB UART"), the first one selected.
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
