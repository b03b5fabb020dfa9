// The main window's behaviour below its toolkit: starting and stopping capture with its failure
// and file texts, the run state, the foreground check that drives the indicator, lost-device
// reporting and the menu commands. A window of either GUI is the view; TMainController decides.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <utility>

#include "app/CaptureViews.h"
#include "platform/ForegroundWindow.h"

class IPortControl;
class ISound;

// The window's design: client area below the menu bar, whose height may grow by ExtraHeight.
struct TMainDesign {
  static constexpr int ClientWidth = 376;
  static constexpr int ClientHeight = 126;
  static constexpr int ExtraHeight = 32;
  static constexpr int MinimumWidth = 192;
  static constexpr int TimerIntervalMs = 500;
  // The run button; the indicator panel beside it is as high.
  static constexpr int RunButtonWidth = 90;
  static constexpr int RunButtonHeight = 27;
  // GetWindowTextA into a buffer of 80 bytes.
  static constexpr int TitleChars = 79;
};

inline constexpr const char* MainCaption = "Tarvolin";
inline constexpr const char* CapturedLabel = "Erfasst: ";
inline constexpr const char* FilteredLabel = "Gefiltert: ";
// The run button says what a click does.
constexpr const char* RunButtonCaption(bool capturing) {
  return capturing ? "Stop" : "Start";
}

enum class TMainCommand {
  FileIQ,
  FileExit,
  ConfigPort,
  ConfigFilter,
  ConfigSave,
  ConfigLoad,
  HelpApp,
  HelpAbout,
};

// One entry of a menu; a separator has no name.
struct TMenuEntry {
  const char* Name;
  const char* Caption;  // CP1252
  TMainCommand Command;
  const char* Hint = nullptr;
};

struct TMenuDesign {
  const char* Name;
  const char* Caption;
  int HelpContext;
  std::span<const TMenuEntry> Entries;
};

// The menu bar, left to right, each menu's entries in order.
std::span<const TMenuDesign> MainMenus();

// The main window as its controller drives it, beyond what the start-up and the capture path
// use (IMainView).
class IMainWindowView : public IMainView {
 public:
  // BitBtn2: "Stop" with the cross glyph while capturing, else "Start" with the tick.
  virtual void ShowRunButton(bool capturing) = 0;
  virtual void SetTimerEnabled(bool on) = 0;
  // The three menus, all alike.
  virtual void SetMenusEnabled(bool on) = 0;
  // Whether `foreground` is the main window or one of the two settings dialogs, in front of
  // which nothing is typed. A toolkit that knows its active window may answer from that.
  virtual bool OwnWindowInFront(WindowId foreground) const = 0;
  // Whether the toolkit has one of those three windows active. It counts as an own window in
  // front whatever the desktop names: desktops that tell no window ids (Wayland) leave no other
  // way to know.
  virtual bool OwnWindowActive() const = 0;
  // The menu's windows, each modeless.
  virtual void ShowPortSettings() = 0;
  virtual void ShowFilterSettings() = 0;
  virtual void ShowAbout() = 0;
  virtual void ShowHelpTopic(const std::string& topic) = 0;
  // Closes the main window, which ends the program.
  virtual void CloseWindow() = 0;
};

// What the controller works with. Every pointer must outlive the controller; a missing one makes
// its commands do nothing.
struct TMainServices {
  IPortControl* comms = nullptr;
  ISound* sound = nullptr;
  IForegroundWindow* foreground = nullptr;
  IMessageBoxes* boxes = nullptr;
  std::function<void()> saveConfig;
  std::function<void()> loadConfig;
  // The qualification report's generate.
  std::function<void()> generateIqReport;
  // Why typed keys would reach no program (no display, no key injection), for the user; empty
  // when they can. Start refuses while there is a reason.
  std::function<std::string()> typingProblem;
};

// Runs on the user-interface thread, like every call into the view.
class TMainController {
 public:
  explicit TMainController(IMainWindowView& view) : view_(view) {}

  void SetServices(TMainServices services) { services_ = std::move(services); }
  IMainWindowView& View() const { return view_; }

  // Start or stop: opens a closed port, closes an open one. A Start that fails beeps and warns
  // with the port's number and its reason; a Stop that fails leaves capture running.
  void btnMessClick();
  // Button, timer, menus, status line and indicator in line with the port's open state.
  void showRunState();
  // The 500 ms check: the indicator from the foreground window; a device that went away or came
  // back is reported once.
  void timerTimer();
  void Command(TMainCommand command);
  // The main window closes: capture stops and the port closes, whatever that raises.
  void FormClose();

 private:
  // Tells the user why a capture could type nothing, and whether that is so.
  bool RefuseStart();
  void ReportStartFailure(const std::string& cause);
  // After a stop: the status line names the trace and log files written, or why not.
  void ReportRecorderFiles();
  void ReportLostDevice();
  // Whether a click that found the port open (`stopping`) has closed it.
  bool Stopped(bool stopping) const;
  void Warn(const std::string& text);

  IMainWindowView& view_;
  TMainServices services_;
  bool deviceLostReported_ = false;
  uint32_t deviceReturns_ = 0;
};

// The main window as the result filter sees it. Before a result goes to the window the indicator
// names, the foreground check runs once more: a switch to one of the program's own windows (or to
// none) since the last tick then stops the result instead of typing it into a settings dialog.
// A stale "not typed" is left as it is: it loses nothing.
class TResultView : public IMainView {
 public:
  explicit TResultView(TMainController& main) : main_(main), view_(main.View()) {}

  int32_t Left() const override { return view_.Left(); }
  int32_t Top() const override { return view_.Top(); }
  void SetLeft(int32_t left) override { view_.SetLeft(left); }
  void SetTop(int32_t top) override { view_.SetTop(top); }
  void SetCaption(const std::string& caption) override { view_.SetCaption(caption); }
  void SetStatusText(const std::string& text) override { view_.SetStatusText(text); }
  void SetCaptText(const std::string& text) override { view_.SetCaptText(text); }
  void SetFiltText(const std::string& text) override { view_.SetFiltText(text); }
  TColor LedColor() const override;
  void SetLedColor(TColor color) override { view_.SetLedColor(color); }
  std::string LedText() const override { return view_.LedText(); }
  void SetLedText(const std::string& text) override { view_.SetLedText(text); }
  void showRunState() override { main_.showRunState(); }

 private:
  TMainController& main_;
  IMainWindowView& view_;
};
