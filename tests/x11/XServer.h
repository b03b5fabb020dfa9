// A private headless X server for tests: Xvfb on a free display (and openbox for the desktop
// conventions), plus the X clients a test starts on it. Everything started is stopped again by
// the destructor. Xlib stays inside XServer.cpp so that Qt tests can use this header as well.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class XServer {
 public:
  using Clock = std::chrono::steady_clock;

  XServer() = default;
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Empty when the programs are installed, else which are not.
  static std::string MissingPrograms(const std::vector<std::string>& programs);

  // Starts Xvfb (and openbox when asked) and waits until they serve; on failure returns false
  // and leaves the reason in Error(). `serverOptions` go to Xvfb ("-extension", "XTEST" starts
  // it without that extension).
  bool Start(bool windowManager, const std::vector<std::string>& serverOptions = {});
  // Kills every client and then the server, waiting for each.
  void Stop();

  const std::string& Display() const { return display_; }
  const std::string& Error() const { return error_; }

  // Starts a program on this server (DISPLAY set, the toolkits pinned to X11, the caller's
  // Wayland session left out), its output going to logFile (or nowhere);
  // it is killed by Stop(). Returns its process id, or -1.
  pid_t Spawn(const std::vector<std::string>& argv, const std::string& logFile = {});
  // Runs a program with DISPLAY set and waits for it; true when it exits with status 0.
  bool Run(const std::vector<std::string>& argv);
  // Ends one spawned client now.
  void Kill(pid_t pid);

  // The top-level client window whose title (WM_NAME or _NET_WM_NAME) is `title`, waiting for it
  // to appear; 0 after the time-out.
  uint64_t WaitForWindow(const std::string& title, std::chrono::milliseconds timeout);
  // Waits until the window manager reports the window as active (or the input focus is in it
  // when no window manager runs).
  bool WaitForActive(uint64_t window, std::chrono::milliseconds timeout);
  // Asks the window manager to activate the window, as a pager would, and waits for it.
  bool Activate(uint64_t window, std::chrono::milliseconds timeout);

  // Polls until the condition holds; false after the time-out.
  static bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

 private:
  pid_t SpawnWithFd(const std::vector<std::string>& argv, const std::string& logFile, int keepFd);

  pid_t xvfb_ = -1;
  std::vector<pid_t> clients_;
  std::string display_;
  std::string error_;
};

// The whole contents of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The contents of a file once `done` holds for them, or as they are when the time is up.
std::string ReadFileWhen(const std::string& path,
                         const std::function<bool(const std::string&)>& done,
                         std::chrono::milliseconds timeout);

// The contents of the file that a receiver of typed keys writes, once it holds `lines` line ends
// or the time is up.
std::string ReadLinesWhenThere(const std::string& path, size_t lines,
                               std::chrono::milliseconds timeout);

// One X server with a window manager for a whole test program, registered by one of its files
// with ::testing::AddGlobalTestEnvironment(new XServerEnvironment). Tests start with
// TARVOLIN_REQUIRE_X_SERVER(...), which skips them with the reason when no server could be
// started or an X client they need is not installed.
class XServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  static XServer* Server() { return server_; }
  static const std::string& Reason() { return reason_; }

 private:
  static XServer* server_;
  static std::string reason_;
};

// Skips the test unless the shared server runs and the listed X clients are installed.
#define TARVOLIN_REQUIRE_X_SERVER(...)                                                           \
  do {                                                                                           \
    if (XServerEnvironment::Server() == nullptr) {                                               \
      GTEST_SKIP() << "no X server: " << XServerEnvironment::Reason();                           \
    }                                                                                            \
    if (const std::string missing = XServer::MissingPrograms({__VA_ARGS__}); !missing.empty()) { \
      GTEST_SKIP() << missing;                                                                   \
    }                                                                                            \
  } while (false)
