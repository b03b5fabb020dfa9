// The desktop portal for tests: a private session bus that activates nothing, the real
// xdg-desktop-portal on it, and the test backend (portal/remote_desktop_backend.py) behind it,
// which grants or refuses and records the keysyms it is sent. Stopped by the destructor.
#pragma once

#include <sys/types.h>

#include <QDBusConnection>

#include <memory>
#include <string>
#include <vector>

class TPortalRig {
 public:
  static constexpr const char* kFrontend = "/usr/libexec/xdg-desktop-portal";

  TPortalRig() = default;
  ~TPortalRig();
  TPortalRig(const TPortalRig&) = delete;
  TPortalRig& operator=(const TPortalRig&) = delete;

  // Why the rig cannot run here, or empty.
  static std::string Missing();

  // Starts the bus in `dir` (a QCoreApplication must exist); false with the reason in Error().
  bool StartBus(const std::string& dir);
  // The backend in the given mode ("grant" or "refuse"), and the portal in front of it.
  bool StartPortal(const std::string& mode);
  // Ends the portal, as when it crashes or the session ends it.
  void EndFrontend();
  void Stop();

  // DBUS_SESSION_BUS_ADDRESS of the bus.
  const std::string& Address() const { return address_; }
  QDBusConnection& Bus() { return *connection_; }
  const std::string& Error() const { return error_; }

  // The keysyms pressed so far, once there are `count` (or the time is up).
  std::vector<uint32_t> Pressed(size_t count);
  // "asked" or "restored" for each session start the backend saw.
  std::vector<std::string> Starts() const;
  // The version of the portal's remote-desktop interface.
  unsigned Version();

 private:
  bool Registered(const char* name);
  std::string Log() const { return dir_ + "/services.log"; }

  std::string dir_, address_, record_, error_;
  pid_t bus_ = -1, backend_ = -1, frontend_ = -1;
  std::unique_ptr<QDBusConnection> connection_;
};
