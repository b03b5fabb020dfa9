// The Qt side of the window-message facility of the serial subsystem.
//
// Serial threads queue their blocking sends and posted messages in the facility; the pump wakes
// Qt's event loop for them and handles them there, on the GUI thread. While the GUI thread waits
// for a serial thread (PumpUntil: stopping threads, a deferred close) it keeps handling the
// facility's messages and lets Qt process its own events once per turn, so neither side blocks
// the other.
#pragma once

#include <QEvent>
#include <QObject>

#include <memory>

class TQtWndMsgPump : public QObject {
  Q_OBJECT

 public:
  // Installs the pump for the running QCoreApplication on its (the calling, GUI) thread and
  // returns it; a second call returns the same pump. The pump is a child of the application
  // object and uninstalls itself when destroyed.
  static TQtWndMsgPump* Install();
  // The installed pump, or null.
  static TQtWndMsgPump* Instance();

  ~TQtWndMsgPump() override;

 protected:
  bool event(QEvent* e) override;

 private:
  struct TShared;

  explicit TQtWndMsgPump(QObject* parent);
  void Drain();

  std::shared_ptr<TShared> shared_;
};

// Points the serial subsystem's user interaction at Qt: exceptions raised in port event handlers
// are shown in a message box, and a port opened without a number asks through the port selection
// dialog.
void InstallQtSerialDialogs();
