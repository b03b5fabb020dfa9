#include "gui/serial/QtWndMsg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include <atomic>
#include <mutex>

#include "base/Cp1252.h"
#include "gui/serial/AdSelCom.h"
#include "serial/AdPort.h"
#include "serial/AwWndMsg.h"

namespace {

const QEvent::Type DrainEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// GUI thread only.
TQtWndMsgPump* installed = nullptr;

}  // namespace

// What the facility's wake hook shares with the pump: the hook runs on any thread and may still
// be running when the pump goes away.
struct TQtWndMsgPump::TShared {
  std::mutex mutex;
  TQtWndMsgPump* pump = nullptr;
  // A drain event is on its way; more wakes until it runs add nothing.
  std::atomic<bool> posted{false};

  void Wake() {
    std::lock_guard lock(mutex);
    if (pump && !posted.exchange(true)) QCoreApplication::postEvent(pump, new QEvent(DrainEvent));
  }
};

TQtWndMsgPump* TQtWndMsgPump::Install() {
  if (installed) return installed;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return nullptr;
  return new TQtWndMsgPump(app);
}

TQtWndMsgPump* TQtWndMsgPump::Instance() {
  return installed;
}

TQtWndMsgPump::TQtWndMsgPump(QObject* parent)
    : QObject(parent), shared_(std::make_shared<TShared>()) {
  shared_->pump = this;
  installed = this;
  WndMsg().AttachGuiThread();
  WndMsg().SetWakeHook([shared = shared_] { shared->Wake(); });
  WndMsg().SetIdleHook([] { QCoreApplication::processEvents(); });
  // Messages queued before the pump existed.
  if (WndMsg().PendingCount() > 0) shared_->Wake();
}

TQtWndMsgPump::~TQtWndMsgPump() {
  WndMsg().SetWakeHook({});
  WndMsg().SetIdleHook({});
  {
    std::lock_guard lock(shared_->mutex);
    shared_->pump = nullptr;
  }
  if (installed == this) installed = nullptr;
}

bool TQtWndMsgPump::event(QEvent* e) {
  {
    // A drain event was made on the waking thread and comes through Qt's queue, whose locking
    // a race checker cannot see; the wake lock orders the two where it can.
    std::lock_guard lock(shared_->mutex);
  }
  if (e->type() != DrainEvent) return QObject::event(e);
  Drain();
  return true;
}

void TQtWndMsgPump::Drain() {
  shared_->posted.store(false);
  // Only what waits now: a procedure that posts its message again (a deferred close waiting for
  // the dispatch thread to leave) is handled on a later turn, after Qt's own events.
  size_t waiting = WndMsg().PendingCount();
  for (size_t i = 0; i < waiting; ++i)
    if (!WndMsg().HandleOneMessage()) break;
  if (WndMsg().PendingCount() > 0) shared_->Wake();
}

void InstallQtSerialDialogs() {
  SetApplicationExceptionDisplay([](const std::exception& e) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    QString::fromStdU16String(Cp1252ToUtf16(e.what())), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  });
  SetPortPrompt([] { return PromptForComNumber(QApplication::activeWindow()); });
}
