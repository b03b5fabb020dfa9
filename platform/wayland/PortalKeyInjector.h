// Key injection through the desktop's remote-desktop portal (GNOME, KDE): a keyboard session
// that the user grants in the desktop's own dialog, keys sent as keysyms of the program's own
// keymap (TOwnKeymap), so the desktop picks the keys and modifiers its layout needs. Where the
// portal can keep a grant, its restore token is kept in a file, so later starts ask nothing.
//
// Talks D-Bus through QtDBus on the GUI thread; the waits for the portal's answers run the
// toolkit's event loop without user input, so the windows keep painting while the dialog is open.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <string>

#include "platform/KeyInjector.h"
#include "platform/wayland/OwnKeymap.h"

class TPortalKeyInjector : public QObject, public IKeyInjector {
  Q_OBJECT

 public:
  static constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";

  // `tokenFile` keeps the restore token; empty keeps none.
  TPortalKeyInjector(const TOwnKeymap& keymap, std::string tokenFile,
                     QDBusConnection bus = QDBusConnection::sessionBus());
  ~TPortalKeyInjector() override;

  // Asks for a keyboard session unless one stands; returns when the desktop has answered.
  // Empty when keys can be sent, else why not, for the user. `waiting` is told once that the
  // desktop's dialog may be waiting for the user.
  std::string Start(const std::function<void(const std::string&)>& waiting = {});
  // Why a session that stood is gone (closed by the desktop, or the portal vanished); empty
  // while it stands or before it stood.
  std::string LostCause();

  void KeyEvent(uint8_t virtualKey, bool keyUp) override;
  uint16_t VkKeyScan(char ch) override;
  // The session's own Caps Lock, switched only by this injector.
  bool CapsLockOn() override { return capsLock_; }

 private slots:
  void OnResponse(uint response, const QVariantMap& results);
  void OnSessionClosed();

 private:
  struct TAnswer {
    bool answered = false;
    uint response = 2;
    QVariantMap results;
    QString error;  // the call failed or the portal vanished before answering
  };
  // Calls a portal method that answers through a request object, and waits for the answer.
  TAnswer Request(const QString& method, QVariantList args, QVariantMap options, bool forUser);
  void Lose(const std::string& cause);
  std::string ReadToken() const;
  void SaveToken(const std::string& token) const;

  const TOwnKeymap& keymap_;
  std::string tokenFile_;
  QDBusConnection bus_;
  QString session_;
  bool started_ = false;
  std::string lost_;
  TAnswer* pending_ = nullptr;
  int tokens_ = 0;
  bool shift_ = false;
  bool capsLock_ = false;
};
