// The main window TfrmMain: its widgets, layout and signal wiring. What it does is decided by
// TMainController (app/Mainform.h). Closing it ends the program.
#pragma once

#include <QMainWindow>

#include <string>

#include "app/Mainform.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

class TfrmMain : public QMainWindow, public IMainWindowView {
  Q_OBJECT

 public:
  // What the window works with; the settings dialogs are shown by the menu and recognised as own
  // windows in front. Every pointer must outlive the window.
  struct TServices : TMainServices {
    QWidget* serOptionForm = nullptr;
    QWidget* prgOptionForm = nullptr;
    QWidget* frmAbout = nullptr;
    // The program's window that is active as the toolkit knows it, or null (QApplication's
    // active window unless a test says otherwise).
    std::function<const QWidget*()> activeWindow;
  };

  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  void SetServices(TServices services);
  TMainController& Controller() { return controller_; }

  // IMainView
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
  void showRunState() override { controller_.showRunState(); }

  // IMainWindowView
  void ShowRunButton(bool capturing) override;
  void SetTimerEnabled(bool on) override;
  void SetMenusEnabled(bool on) override;
  bool OwnWindowInFront(WindowId foreground) const override;
  void ShowPortSettings() override;
  void ShowFilterSettings() override;
  void ShowAbout() override;
  void ShowHelpTopic(const std::string& topic) override;
  void CloseWindow() override { close(); }

  std::string StatusText() const;
  std::string CaptText() const;
  std::string FiltText() const;

 protected:
  // F1 anywhere in the program: help at the context of the window (or open menu) it was pressed
  // in.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing the main window ends the program: capture stops, the port closes and every other
  // window of the program closes with it, whether it has a parent or not.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  static void Show(QWidget* window);
  bool OwnWindowActive() const override;

  QLineEdit* edtCapt;
  QLineEdit* edtFilt;
  QPushButton* BitBtn2;
  QLabel* pnlLED;
  QLabel* statusText_;
  QTimer* timer;
  QList<QMenu*> menus_;
  TColor ledColor_ = ledInactive;
  TServices services_;
  TMainController controller_{*this};
};
