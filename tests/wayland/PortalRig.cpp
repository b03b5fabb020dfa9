#include "tests/wayland/PortalRig.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/x11/XServer.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kTimeout = std::chrono::seconds(15);
constexpr const char* kBackendName = "org.freedesktop.impl.portal.desktop.tarvolintest";
constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";

pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setpgid(0, 0);
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

void End(pid_t& pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

QString ConnectionName() {
  return QStringLiteral("portal-rig");
}

}  // namespace

TPortalRig::~TPortalRig() {
  Stop();
}

std::string TPortalRig::Missing() {
  if (access(kFrontend, X_OK) != 0) return std::string("not installed: ") + kFrontend;
  return XServer::MissingPrograms({"dbus-daemon"});
}

bool TPortalRig::StartBus(const std::string& dir) {
  dir_ = dir;
  address_ = "unix:path=" + dir_ + "/bus";
  record_ = dir_ + "/keys";
  std::ofstream(dir_ + "/bus.conf")
      << "<busconfig><type>session</type><listen>" << address_
      << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\""
         "/><allow eavesdrop=\"true\"/><allow own=\"*\"/><allow user=\"*\"/></policy>"
         "</busconfig>\n";
  fs::copy_file(fs::path(TARVOLIN_PORTAL_DIR) / "tarvolintest.portal",
                fs::path(dir_) / "tarvolintest.portal", fs::copy_options::overwrite_existing);
  bus_ = Spawn({"dbus-daemon", "--nofork", "--config-file=" + dir_ + "/bus.conf"}, Log());
  // The socket appears a moment before the daemon listens on it.
  const bool up = XServer::PollUntil(
      [&] {
        QDBusConnection::disconnectFromBus(ConnectionName());
        connection_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromStdString(address_), ConnectionName()));
        return connection_->isConnected();
      },
      kTimeout);
  if (!up) error_ = "no session bus: " + ReadWholeFile(Log());
  return up;
}

bool TPortalRig::Registered(const char* name) {
  return XServer::PollUntil(
      [&] {
        return connection_->interface()->isServiceRegistered(QString::fromLatin1(name)).value();
      },
      kTimeout);
}

bool TPortalRig::StartPortal(const std::string& mode) {
  const std::string bus = "DBUS_SESSION_BUS_ADDRESS=" + address_;
  backend_ = Spawn({"env", bus, "/usr/bin/python3",
                    TARVOLIN_PORTAL_DIR "/remote_desktop_backend.py", kBackendName, record_, mode},
                   Log());
  if (!Registered(kBackendName)) {
    error_ = "the test backend did not start: " + ReadWholeFile(Log());
    return false;
  }
  frontend_ = Spawn({"env", bus, "XDG_DESKTOP_PORTAL_DIR=" + dir_,
                     "XDG_CURRENT_DESKTOP=tarvolintest", kFrontend, "--replace"},
                    Log());
  if (!Registered(kPortalService)) {
    error_ = "the portal did not start: " + ReadWholeFile(Log());
    return false;
  }
  return true;
}

void TPortalRig::EndFrontend() {
  End(frontend_);
}

void TPortalRig::Stop() {
  End(frontend_);
  End(backend_);
  if (connection_) {
    connection_.reset();
    QDBusConnection::disconnectFromBus(ConnectionName());
  }
  End(bus_);
}

std::vector<uint32_t> TPortalRig::Pressed(size_t count) {
  std::vector<uint32_t> pressed;
  XServer::PollUntil(
      [&] {
        QCoreApplication::processEvents();
        pressed.clear();
        std::istringstream in(ReadWholeFile(record_));
        for (uint32_t keysym = 0, state = 0; in >> keysym >> state;) {
          if (state == 1) pressed.push_back(keysym);
        }
        return pressed.size() >= count;
      },
      kTimeout);
  return pressed;
}

std::vector<std::string> TPortalRig::Starts() const {
  std::vector<std::string> starts;
  std::istringstream in(ReadWholeFile(record_ + ".starts"));
  for (std::string line; std::getline(in, line);) starts.push_back(line);
  return starts;
}

unsigned TPortalRig::Version() {
  QDBusMessage get = QDBusMessage::createMethodCall(
      QString::fromLatin1(kPortalService), QStringLiteral("/org/freedesktop/portal/desktop"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get.setArguments(
      {QStringLiteral("org.freedesktop.portal.RemoteDesktop"), QStringLiteral("version")});
  return connection_->call(get).arguments().value(0).value<QDBusVariant>().variant().toUInt();
}
