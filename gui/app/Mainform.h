// The main window TfrmMain: starts and stops capture, shows the captured and filtered text of the
// last result, shows in a coloured indicator whether results are typed and into which window,
// and carries the menus for the settings dialogs, saving and loading, the report, help and the
// about box. Closing it ends the program.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

#include "app/CaptureViews.h"

class IForegroundWindow;
class IPortControl;
class ISound;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

class TfrmMain : public QMainWindow, public IMainView {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 6;
  static constexpr int kFileHelpContext = 9;
  static constexpr int kConfigHelpContext = 10;
  static constexpr int kHelpMenuHelpContext = 26;
  static constexpr int kTimerIntervalMs = 500;
  // Designed client area below the menu bar; its height may grow by kExtraHeight.
  static constexpr int kClientWidth = 376;
  static constexpr int kClientHeight = 126;
  static constexpr int kExtraHeight = 32;
  static constexpr int kMinimumWidth = 192;

  // What the window works with. Every pointer must outlive the window; a missing one makes its
  // commands do nothing.
  struct TServices {
    IPortControl* comms = nullptr;
    ISound* sound = nullptr;
    IForegroundWindow* foreground = nullptr;
    IMessageBoxes* boxes = nullptr;
    // The settings dialogs, shown by the menu and recognised as own windows in front.
    QWidget* serOptionForm = nullptr;
    QWidget* prgOptionForm = nullptr;
    QWidget* frmAbout = nullptr;
    std::function<void()> saveConfig;
    std::function<void()> loadConfig;
    // The qualification report's generate.
    std::function<void()> generateIqReport;
    // Why typed keys would reach no program (no display, no key injection), for the user;
    // empty when they can. Start refuses while there is a reason.
    std::function<std::string()> typingProblem;
    // The program's window that is active as the toolkit knows it, or null. A settings window
    // or the main window active counts as an own window in front whatever the desktop says: on
    // desktops that tell no window ids this is the only way to know.
    std::function<const QWidget*()> activeWindow;
  };

  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  void SetServices(TServices services);

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
  void showRunState() override;

  std::string StatusText() const;
  std::string CaptText() const;
  std::string FiltText() const;
  // How often the indicator's colour or text was assigned since the window was created.
  int LedAssignments() const { return ledAssignments_; }
  int HelpContext() const { return kHelpContext; }

  // Handlers.
  void btnMessClick();
  void timerTimer();
  void menFileIQClick();
  void menConfigPortClick();
  void Options1Click();
  void menConfigSaveClick();
  void menConfigLoadClick();
  void menHelpAppClick();
  void menHelpAboutClick();

 protected:
  // F1 anywhere in the program: help at the context of the window (or open menu) it was pressed
  // in.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing the main window ends the program: capture stops, the port closes and every other
  // window of the program closes with it, whether it has a parent or not.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  bool IsOwnWindow(uint64_t window) const;
  bool OwnWindowActive() const;
  // Tells the user why a capture could type nothing, and whether that is so.
  bool RefuseStart();
  void ReportLostDevice();
  void ReportStartFailure(const std::string& cause);
  // After a stop: the status line names the trace and log files written, or why not.
  void ReportRecorderFiles();
  // Whether a click that found the port open (`stopping`) has closed it.
  bool Stopped(bool stopping) const;

  QLineEdit* edtCapt;
  QLineEdit* edtFilt;
  QPushButton* BitBtn2;
  QLabel* pnlLED;
  QLabel* statusText_;
  QTimer* timer;
  QMenu* menFile;
  QMenu* menConfig;
  QMenu* menHelp;
  TColor ledColor_ = ledInactive;
  int ledAssignments_ = 0;
  bool deviceLostReported_ = false;
  uint32_t deviceReturns_ = 0;
  TServices services_;
};

// The main window as the result filter sees it. Before a result goes to the window the indicator
// names, the foreground check runs once more: a switch to one of the program's own windows (or to
// none) since the last tick then stops the result instead of typing it into a settings dialog.
// A stale "not typed" is left as it is: it loses nothing.
class TResultView : public IMainView {
 public:
  explicit TResultView(TfrmMain& form) : form_(form) {}

  int32_t Left() const override { return form_.Left(); }
  int32_t Top() const override { return form_.Top(); }
  void SetLeft(int32_t left) override { form_.SetLeft(left); }
  void SetTop(int32_t top) override { form_.SetTop(top); }
  void SetCaption(const std::string& caption) override { form_.SetCaption(caption); }
  void SetStatusText(const std::string& text) override { form_.SetStatusText(text); }
  void SetCaptText(const std::string& text) override { form_.SetCaptText(text); }
  void SetFiltText(const std::string& text) override { form_.SetFiltText(text); }
  TColor LedColor() const override;
  void SetLedColor(TColor color) override { form_.SetLedColor(color); }
  std::string LedText() const override { return form_.LedText(); }
  void SetLedText(const std::string& text) override { form_.SetLedText(text); }
  void showRunState() override { form_.showRunState(); }

 private:
  TfrmMain& form_;
};

// CP1252 text of the core to Qt and back.
QString FromCp1252(const std::string& s);
std::string ToCp1252(const QString& s);
