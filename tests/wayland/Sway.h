// A private headless sway for tests, and the Wayland clients a test starts on it. Sway refuses
// to run as root, so a test run as root starts it, and every client, as the user "nobody"; the
// test process itself connects to the compositor's socket by its path. Everything started is
// stopped again by the destructor.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/x11/XServer.h"

class TSway {
 public:
  TSway() = default;
  ~TSway();
  TSway(const TSway&) = delete;
  TSway& operator=(const TSway&) = delete;

  // Starts sway with one 1280x1024 headless output and waits until it serves; false with the
  // reason in Error() when it does not.
  bool Start();
  void Stop();

  // The compositor's socket, an absolute path usable as WAYLAND_DISPLAY.
  const std::string& Socket() const { return socket_; }
  const std::string& RuntimeDir() const { return runtimeDir_; }
  // A directory the clients may write to.
  const std::string& WorkDir() const { return workDir_; }
  const std::string& Error() const { return error_; }

  // Starts a client as the compositor's user with WAYLAND_DISPLAY and XDG_RUNTIME_DIR set and
  // the given "NAME=value" settings; killed by Stop(). Its output goes to logFile. -1 on failure.
  pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& settings = {},
              const std::string& logFile = {});
  // Whether the client still runs.
  bool Running(pid_t pid);
  void Kill(pid_t pid);
  // Runs swaymsg with the arguments; true when it succeeds.
  bool Message(const std::vector<std::string>& args);

 private:
  pid_t Launch(const std::vector<std::string>& argv, const std::string& logFile);

  pid_t sway_ = -1;
  std::vector<pid_t> clients_;
  std::string base_, runtimeDir_, workDir_, socket_, ipc_, error_;
};
