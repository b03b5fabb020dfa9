// The remote-desktop portal client against the real xdg-desktop-portal on a private session bus,
// with a test backend (portal/remote_desktop_backend.py) behind it that grants or refuses and
// records the keysyms it is sent.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Keystrokes.h"
#include "platform/fake/FakeForegroundWindow.h"
#include "platform/wayland/DeliveringForeground.h"
#include "platform/wayland/OwnKeymap.h"
#include "platform/wayland/PortalKeyInjector.h"
#include "tests/wayland/Sway.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kTimeout = std::chrono::seconds(15);
constexpr const char* kFrontend = "/usr/libexec/xdg-desktop-portal";
constexpr const char* kBackendName = "org.freedesktop.impl.portal.desktop.tarvolintest";

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

QCoreApplication& Application() {
  static int argc = 1;
  static char name[] = "test_wayland";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

class PortalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kFrontend, X_OK) != 0) GTEST_SKIP() << "not installed: " << kFrontend;
    if (const std::string missing = XServer::MissingPrograms({"dbus-daemon"}); !missing.empty())
      GTEST_SKIP() << missing;
    Application();
    dir_ = fs::path(::testing::TempDir()) / ("tarvolin_portal_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    address_ = "unix:path=" + (dir_ / "bus").string();
    // A bus of its own that activates nothing: the test starts every service itself.
    std::ofstream(dir_ / "bus.conf")
        << "<busconfig><type>session</type><listen>" << address_
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\""
           "/><allow eavesdrop=\"true\"/><allow own=\"*\"/><allow user=\"*\"/></policy>"
           "</busconfig>\n";
    fs::copy_file(fs::path(TARVOLIN_PORTAL_DIR) / "tarvolintest.portal",
                  dir_ / "tarvolintest.portal");
    bus_ =
        Spawn({"dbus-daemon", "--nofork", "--config-file=" + (dir_ / "bus.conf").string()}, Log());
    // The socket appears a moment before the daemon listens on it.
    ASSERT_TRUE(XServer::PollUntil(
        [&] {
          QDBusConnection::disconnectFromBus(Name());
          connection_ = std::make_unique<QDBusConnection>(
              QDBusConnection::connectToBus(QString::fromStdString(address_), Name()));
          return connection_->isConnected();
        },
        kTimeout))
        << ReadWholeFile(Log());
    record_ = (dir_ / "keys").string();
    token_ = (dir_ / "config" / "remote-desktop.token").string();
  }

  void TearDown() override {
    injector_.reset();
    End(frontend_);
    End(backend_);
    if (connection_) {
      connection_.reset();
      QDBusConnection::disconnectFromBus(Name());
    }
    End(bus_);
    // Kept after a failure for the services' log.
    std::error_code ignored;
    if (!dir_.empty() && !HasFailure()) fs::remove_all(dir_, ignored);
  }

  static QString Name() { return QStringLiteral("portal-test"); }
  std::string Log() const { return (dir_ / "services.log").string(); }

  bool Registered(const char* name) {
    return XServer::PollUntil(
        [&] {
          return connection_->interface()->isServiceRegistered(QString::fromLatin1(name)).value();
        },
        kTimeout);
  }

  // The backend in the given mode ("grant" or "refuse"), and the portal in front of it.
  void StartPortal(const std::string& mode) {
    const std::string bus = "DBUS_SESSION_BUS_ADDRESS=" + address_;
    backend_ =
        Spawn({"env", bus, "/usr/bin/python3", TARVOLIN_PORTAL_DIR "/remote_desktop_backend.py",
               kBackendName, record_, mode},
              Log());
    ASSERT_TRUE(Registered(kBackendName)) << ReadWholeFile(Log());
    frontend_ = Spawn({"env", bus, "XDG_DESKTOP_PORTAL_DIR=" + dir_.string(),
                       "XDG_CURRENT_DESKTOP=tarvolintest", kFrontend, "--replace"},
                      Log());
    ASSERT_TRUE(Registered(TPortalKeyInjector::kPortalService)) << ReadWholeFile(Log());
  }

  void NewInjector() {
    injector_.reset();
    injector_ = std::make_unique<TPortalKeyInjector>(keymap_, token_, *connection_);
  }

  // The keysyms pressed so far, as the backend recorded them.
  std::vector<uint32_t> Pressed(size_t count) {
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

  std::vector<std::string> Starts() {
    std::vector<std::string> starts;
    std::istringstream in(ReadWholeFile(record_ + ".starts"));
    for (std::string line; std::getline(in, line);) starts.push_back(line);
    return starts;
  }

  fs::path dir_;
  std::string address_, record_, token_;
  pid_t bus_ = -1, backend_ = -1, frontend_ = -1;
  std::unique_ptr<QDBusConnection> connection_;
  TOwnKeymap keymap_;
  std::unique_ptr<TPortalKeyInjector> injector_;
};

TEST_F(PortalTest, AGrantedSessionTypesEveryCharacterAsItsKeysym) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("grant"));
  NewInjector();
  std::string waited;
  ASSERT_EQ(injector_->Start([&](const std::string& s) { waited = s; }), "");
  EXPECT_NE(waited.find("Warte"), std::string::npos) << waited;
  TKeystrokes keys(*injector_);
  keys.typeText("AbC 12,5\xB5\r");
  const std::vector<uint32_t> expected{'A', 'b', 'C', ' ', '1', '2', ',', '5', 0xB5, 0xFF0D};
  EXPECT_EQ(Pressed(expected.size()), expected);
  EXPECT_EQ(Starts(), std::vector<std::string>{"asked"});
}

TEST_F(PortalTest, ARefusalIsAStartThatFailsWithItsCause) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("refuse"));
  NewInjector();
  const std::string why = injector_->Start();
  EXPECT_NE(why.find("abgelehnt"), std::string::npos) << why;
  TKeystrokes keys(*injector_);
  keys.typeText("1\r");
  EXPECT_TRUE(ReadWholeFile(record_).empty()) << "keys were sent without a grant";
  EXPECT_FALSE(fs::exists(token_));
}

// Where the portal keeps grants (version 2 of its interface), the next start brings the token
// and is not asked again; an older portal keeps none and asks every time.
TEST_F(PortalTest, TheNextStartBringsTheGrantsRestoreToken) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("grant"));
  NewInjector();
  ASSERT_EQ(injector_->Start(), "");
  NewInjector();
  ASSERT_EQ(injector_->Start(), "");
  QDBusMessage get = QDBusMessage::createMethodCall(
      QString::fromLatin1(TPortalKeyInjector::kPortalService),
      QStringLiteral("/org/freedesktop/portal/desktop"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get.setArguments(
      {QStringLiteral("org.freedesktop.portal.RemoteDesktop"), QStringLiteral("version")});
  const uint version =
      connection_->call(get).arguments().value(0).value<QDBusVariant>().variant().toUInt();
  if (version >= 2) {
    EXPECT_EQ(Starts(), (std::vector<std::string>{"asked", "restored"}));
    EXPECT_EQ(ReadWholeFile(token_), "tarvolin-test-token\n");
  } else {
    EXPECT_EQ(Starts(), (std::vector<std::string>{"asked", "asked"}));
    EXPECT_FALSE(fs::exists(token_));
  }
}

TEST_F(PortalTest, APortalThatVanishesMidCaptureIsSaidOnceAndNothingCountsAsSent) {
  ASSERT_NO_FATAL_FAILURE(StartPortal("grant"));
  NewInjector();
  ASSERT_EQ(injector_->Start(), "");
  FakeForegroundWindow windows;
  windows.SetForeground(7);
  TDeliveringForeground foreground(windows, [&] { return injector_->LostCause(); });
  std::vector<std::string> notices;
  foreground.SetNotice([&](const std::string& s) { notices.push_back(s); });
  EXPECT_EQ(foreground.Foreground(), 7u);

  End(frontend_);
  for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(foreground.Foreground(), 0u);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("Portal"), std::string::npos) << notices[0];
  // The portal cannot be reached: a result is not typed, and keys go nowhere.
  TKeystrokes keys(*injector_);
  keys.typeText("1\r");
  EXPECT_TRUE(ReadWholeFile(record_).empty());
}

}  // namespace
