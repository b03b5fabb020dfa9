#include "platform/wayland/PortalKeyInjector.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "base/SysUtils.h"
#include "platform/FileReplace.h"

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint kKeyboard = 1;
// Kept until the user revokes it.
constexpr uint kPersistUntilRevoked = 2;
// The portal answers its own calls at once; only the user's dialog takes long.
constexpr int kAnswerTimeoutMs = 30000;
constexpr int kKeyTimeoutMs = 5000;

std::string Text(const QString& s) {
  return s.toStdString();
}

}  // namespace

TPortalKeyInjector::TPortalKeyInjector(const TOwnKeymap& keymap, std::string tokenFile,
                                       QDBusConnection bus)
    : keymap_(keymap), tokenFile_(std::move(tokenFile)), bus_(std::move(bus)) {
  auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kPortalService), bus_,
                                          QDBusServiceWatcher::WatchForUnregistration, this);
  connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
          [this] { Lose("Das Desktop-Portal ist beendet worden."); });
}

TPortalKeyInjector::~TPortalKeyInjector() {
  if (!started_ || !lost_.empty()) return;
  bus_.call(QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), session_, kSession,
                                           QStringLiteral("Close")),
            QDBus::NoBlock);
}

void TPortalKeyInjector::Lose(const std::string& cause) {
  if (started_ && lost_.empty()) lost_ = cause;
  if (pending_ != nullptr && !pending_->answered) {
    pending_->answered = true;
    pending_->error = QString::fromStdString(cause);
  }
}

void TPortalKeyInjector::OnSessionClosed() {
  Lose(
      "Die Arbeitsoberfl\xE4"
      "che hat die Freigabe der Tastatur beendet.");
}

std::string TPortalKeyInjector::LostCause() {
  // A portal that ended since the last look is noticed before its signal is handled.
  if (started_ && lost_.empty() && bus_.interface() != nullptr &&
      !bus_.interface()->isServiceRegistered(QString::fromLatin1(kPortalService)).value()) {
    Lose("Das Desktop-Portal ist beendet worden.");
  }
  return lost_;
}

void TPortalKeyInjector::OnResponse(uint response, const QVariantMap& results) {
  if (pending_ == nullptr || pending_->answered) return;
  pending_->answered = true;
  pending_->response = response;
  pending_->results = results;
}

TPortalKeyInjector::TAnswer TPortalKeyInjector::Request(const QString& method, QVariantList args,
                                                        QVariantMap options, bool forUser) {
  TAnswer answer;
  // The request object's path follows from the token and the connection's name; listening
  // before the call keeps an early answer.
  const QString token = QStringLiteral("tarvolin%1_%2").arg(getpid()).arg(++tokens_);
  QString sender = bus_.baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  const QString request =
      QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
  bus_.connect(QString::fromLatin1(kPortalService), request, kRequest, QStringLiteral("Response"),
               this, SLOT(OnResponse(uint, QVariantMap)));
  options.insert(QStringLiteral("handle_token"), token);
  args.append(options);
  QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), kPath,
                                                     kRemoteDesktop, method);
  call.setArguments(args);
  pending_ = &answer;
  const QDBusMessage reply = bus_.call(call, QDBus::Block, kAnswerTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    answer.answered = true;
    answer.error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
  }
  if (!answer.answered) {
    QEventLoop loop;
    QTimer poll;
    // The answer arrives as a signal; the loop looks for it often, user input stays queued.
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (answer.answered) loop.quit();
    });
    poll.start(10);
    QTimer timeout;
    timeout.setSingleShot(true);
    if (!forUser) {
      QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
        answer.answered = true;
        answer.error = QStringLiteral("keine Antwort");
        loop.quit();
      });
      timeout.start(kAnswerTimeoutMs);
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  pending_ = nullptr;
  bus_.disconnect(QString::fromLatin1(kPortalService), request, kRequest,
                  QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
  return answer;
}

std::string TPortalKeyInjector::Start(const std::function<void(const std::string&)>& waiting) {
  if (started_ && LostCause().empty()) return {};
  started_ = false;
  lost_.clear();
  if (!bus_.isConnected() || bus_.interface() == nullptr)
    return "Keine Verbindung zum D-Bus der Sitzung.";
  if (!bus_.interface()->isServiceRegistered(QString::fromLatin1(kPortalService)).value()) {
    // The portal is started on demand where it is installed.
    bus_.interface()->startService(QString::fromLatin1(kPortalService));
  }
  auto failed = [](const TAnswer& a, const char* step) {
    if (!a.error.isEmpty())
      return Format("Das Desktop-Portal antwortet nicht (%s): %s", step, Text(a.error));
    if (a.response == 1)
      return std::string(
          "Der Benutzer hat das Senden von Tastendr\xFC"
          "cken abgelehnt.");
    if (a.response != 0) return Format("Das Desktop-Portal hat abgelehnt (%s).", step);
    return std::string();
  };

  const TAnswer created = Request(
      QStringLiteral("CreateSession"), {},
      {{QStringLiteral("session_handle_token"), QStringLiteral("tarvolin%1").arg(getpid())}},
      false);
  if (std::string why = failed(created, "CreateSession"); !why.empty()) return why;
  session_ = created.results.value(QStringLiteral("session_handle")).toString();
  if (session_.isEmpty()) return "Das Desktop-Portal hat keine Sitzung angelegt.";
  bus_.connect(QString::fromLatin1(kPortalService), session_, kSession, QStringLiteral("Closed"),
               this, SLOT(OnSessionClosed()));

  QVariantMap devices{{QStringLiteral("types"), kKeyboard}};
  // Portals before version 2 of the interface keep no grant.
  QDBusMessage get = QDBusMessage::createMethodCall(
      QString::fromLatin1(kPortalService), kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("Get"));
  get.setArguments({kRemoteDesktop, QStringLiteral("version")});
  const QDBusMessage version = bus_.call(get, QDBus::Block, kAnswerTimeoutMs);
  const uint interfaceVersion =
      version.arguments().isEmpty()
          ? 0
          : version.arguments().first().value<QDBusVariant>().variant().toUInt();
  if (interfaceVersion >= 2) {
    devices.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
    if (const std::string token = ReadToken(); !token.empty())
      devices.insert(QStringLiteral("restore_token"), QString::fromStdString(token));
  }
  const TAnswer selected =
      Request(QStringLiteral("SelectDevices"), {QVariant::fromValue(QDBusObjectPath(session_))},
              devices, false);
  if (std::string why = failed(selected, "SelectDevices"); !why.empty()) return why;

  if (waiting) {
    waiting(
        "Warte auf die Freigabe der Tastatur durch die Arbeitsoberfl\xE4"
        "che ...");
  }
  const TAnswer granted =
      Request(QStringLiteral("Start"), {QVariant::fromValue(QDBusObjectPath(session_)), QString()},
              {}, true);
  if (std::string why = failed(granted, "Start"); !why.empty()) return why;
  if ((granted.results.value(QStringLiteral("devices")).toUInt() & kKeyboard) == 0)
    return "Die Arbeitsoberfl\xE4"
           "che hat keine Tastatur freigegeben.";
  if (const QString token = granted.results.value(QStringLiteral("restore_token")).toString();
      !token.isEmpty()) {
    SaveToken(token.toStdString());
  }
  started_ = true;
  shift_ = false;
  capsLock_ = false;
  return {};
}

void TPortalKeyInjector::KeyEvent(uint8_t virtualKey, bool keyUp) {
  if (!started_ || !lost_.empty()) return;
  // The desktop applies the modifiers a keysym needs; Shift and Caps Lock only choose the case.
  if (virtualKey == 0x10) {
    shift_ = !keyUp;
    return;
  }
  if (virtualKey == 0x14) {
    if (!keyUp) capsLock_ = !capsLock_;
    return;
  }
  if (TOwnKeymap::IsModifier(virtualKey)) return;
  const bool letter = virtualKey >= 'A' && virtualKey <= 'Z';
  const uint32_t keysym = keymap_.Keysym(virtualKey, shift_ != (capsLock_ && letter));
  if (keysym == 0) return;
  QDBusMessage notify =
      QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), kPath, kRemoteDesktop,
                                     QStringLiteral("NotifyKeyboardKeysym"));
  notify.setArguments({QVariant::fromValue(QDBusObjectPath(session_)), QVariantMap(),
                       static_cast<int>(keysym), static_cast<uint>(keyUp ? 0 : 1)});
  // Each key waits for the portal's answer: the portal handles the calls it has received side by
  // side, so keys sent without waiting arrive in another order (measured: "AbC" came as "ACb").
  const QDBusMessage reply = bus_.call(notify, QDBus::Block, kKeyTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    Lose(
        Format("Das Desktop-Portal nimmt keine Tastendr\xFC"
               "cke mehr an: %s",
               Text(reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage())));
  }
}

uint16_t TPortalKeyInjector::VkKeyScan(char ch) {
  return keymap_.VkKeyScan(ch);
}

std::string TPortalKeyInjector::ReadToken() const {
  if (tokenFile_.empty()) return {};
  std::ifstream in(tokenFile_);
  std::string token;
  std::getline(in, token);
  return Trim(token);
}

void TPortalKeyInjector::SaveToken(const std::string& token) const {
  if (tokenFile_.empty() || token == ReadToken()) return;
  // Without the file the user is asked again at the next start: nothing is lost.
  ReplaceFileContents(tokenFile_, token + "\n");
}
