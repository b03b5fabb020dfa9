#include "tests/x11/XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>
#include <thread>

// Xlib last: its macros (None, Bool, Status) break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Waits for a client sent SIGTERM. The program ends on it as on a closed window, which takes
// a moment; one that hangs is killed.
void WaitForExit(pid_t pid) {
  int status = 0;
  if (XServer::PollUntil([&] { return waitpid(pid, &status, WNOHANG) != 0; },
                         std::chrono::seconds(10)))
    return;
  kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

struct DisplayCloser {
  void operator()(::Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<::Display, DisplayCloser>;

// Error handler for the helper's own connections: a window can vanish while it is inspected.
int IgnoreErrors(::Display*, XErrorEvent*) {
  return 0;
}

std::string WindowTitle(::Display* dpy, Window w) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
  if (XGetWindowProperty(dpy, w, netName, 0, 256, False, AnyPropertyType, &type, &format, &items,
                         &after, &data) == Success &&
      data != nullptr && format == 8) {
    title.assign(reinterpret_cast<char*>(data), items);
  }
  if (data != nullptr) XFree(data);
  if (!title.empty()) return title;
  data = nullptr;
  if (XGetWindowProperty(dpy, w, XA_WM_NAME, 0, 256, False, AnyPropertyType, &type, &format, &items,
                         &after, &data) == Success &&
      data != nullptr && format == 8) {
    title.assign(reinterpret_cast<char*>(data), items);
  }
  if (data != nullptr) XFree(data);
  return title;
}

Window FindByTitle(::Display* dpy, Window window, const std::string& title, int depth) {
  if (WindowTitle(dpy, window) == title) return window;
  if (depth == 0) return 0;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(dpy, window, &root, &parent, &children, &count) == 0) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    found = FindByTitle(dpy, children[i], title, depth - 1);
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

XServer* XServerEnvironment::server_ = nullptr;
std::string XServerEnvironment::reason_;

XServer::~XServer() {
  Stop();
}

std::string XServer::MissingPrograms(const std::vector<std::string>& programs) {
  std::string missing;
  for (const std::string& program : programs) {
    if (!OnPath(program)) missing += (missing.empty() ? "" : ", ") + program;
  }
  return missing.empty() ? missing : missing + " not installed";
}

bool XServer::PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ReadFileWhen(const std::string& path,
                         const std::function<bool(const std::string&)>& done,
                         std::chrono::milliseconds timeout) {
  std::string text;
  XServer::PollUntil(
      [&] {
        text = ReadWholeFile(path);
        return done(text);
      },
      timeout);
  return text;
}

std::string ReadLinesWhenThere(const std::string& path, size_t lines,
                               std::chrono::milliseconds timeout) {
  return ReadFileWhen(
      path,
      [lines](const std::string& text) {
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
      },
      timeout);
}

pid_t XServer::SpawnWithFd(const std::vector<std::string>& argv, const std::string& logFile,
                           int keepFd) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // A program started here runs on this server, whatever session or toolkit platform the
  // caller's environment names (a developer often has QT_QPA_PLATFORM=offscreen set).
  static const char* const kSessionVariables[] = {
      "DISPLAY=", "WAYLAND_DISPLAY=", "XDG_SESSION_TYPE=", "QT_QPA_PLATFORM=", "GDK_BACKEND="};
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    if (std::none_of(std::begin(kSessionVariables), std::end(kSessionVariables),
                     [entry](const char* name) { return entry.rfind(name, 0) == 0; }))
      envStrings.emplace_back(entry);
  }
  if (!display_.empty()) envStrings.push_back("DISPLAY=" + display_);
  envStrings.push_back("QT_QPA_PLATFORM=xcb");
  envStrings.push_back("GDK_BACKEND=x11");
  std::vector<char*> env;
  for (std::string& e : envStrings) env.push_back(e.data());
  env.push_back(nullptr);
  const std::string log = logFile.empty() ? "/dev/null" : logFile;

  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int in = open("/dev/null", O_RDONLY);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    if (in >= 0) dup2(in, 0);
    if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
    setpgid(0, 0);
    execvpe(args[0], args.data(), env.data());
    _exit(127);
  }
  return pid;
}

bool XServer::Start(bool windowManager, const std::vector<std::string>& serverOptions) {
  error_ = MissingPrograms(windowManager ? std::vector<std::string>{"Xvfb", "openbox"}
                                         : std::vector<std::string>{"Xvfb"});
  if (!error_.empty()) return false;

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return false;
  }
  std::vector<std::string> xvfb{"Xvfb",    "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp",
                                "-screen", "0",          "1024x768x24",          "-noreset"};
  xvfb.insert(xvfb.end(), serverOptions.begin(), serverOptions.end());
  xvfb_ = SpawnWithFd(xvfb, {}, fds[1]);
  close(fds[1]);
  // Xvfb writes the display number it chose, then a line end, once it accepts connections.
  std::string number;
  const auto deadline = Clock::now() + kStartTimeout;
  while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[16];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    error_ = "Xvfb did not start";
    Stop();
    return false;
  }
  display_ = ":" + number.substr(0, number.find('\n'));
  if (!windowManager) return true;

  clients_.push_back(SpawnWithFd({"openbox"}, {}, -1));
  DisplayPtr dpy(XOpenDisplay(display_.c_str()));
  if (!dpy) {
    error_ = "cannot connect to " + display_;
    Stop();
    return false;
  }
  // openbox names itself on the root before it takes over mapping; a probe window that it
  // manages (it gets WM_STATE) shows that it is ready. A probe mapped too early is mapped again.
  const Window probe =
      XCreateSimpleWindow(dpy.get(), DefaultRootWindow(dpy.get()), 0, 0, 10, 10, 0, 0, 0);
  const Atom wmState = XInternAtom(dpy.get(), "WM_STATE", False);
  const bool managed = PollUntil(
      [&] {
        XUnmapWindow(dpy.get(), probe);
        XMapWindow(dpy.get(), probe);
        XSync(dpy.get(), False);
        return PollUntil(
            [&] {
              Atom type = 0;
              int format = 0;
              unsigned long items = 0, after = 0;
              unsigned char* data = nullptr;
              XGetWindowProperty(dpy.get(), probe, wmState, 0, 1, False, wmState, &type, &format,
                                 &items, &after, &data);
              if (data != nullptr) XFree(data);
              return items > 0;
            },
            std::chrono::milliseconds(200));
      },
      kStartTimeout);
  XDestroyWindow(dpy.get(), probe);
  XSync(dpy.get(), False);
  if (!managed) {
    error_ = "openbox did not start";
    Stop();
    return false;
  }
  return true;
}

void XServer::Stop() {
  for (auto it = clients_.rbegin(); it != clients_.rend(); ++it) {
    if (*it > 0) {
      kill(*it, SIGTERM);
      WaitForExit(*it);
    }
  }
  clients_.clear();
  if (xvfb_ > 0) {
    kill(xvfb_, SIGTERM);
    WaitForExit(xvfb_);
    xvfb_ = -1;
  }
}

pid_t XServer::Spawn(const std::vector<std::string>& argv, const std::string& logFile) {
  const pid_t pid = SpawnWithFd(argv, logFile, -1);
  if (pid > 0) clients_.push_back(pid);
  return pid;
}

bool XServer::Run(const std::vector<std::string>& argv) {
  const pid_t pid = SpawnWithFd(argv, {}, -1);
  if (pid <= 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void XServer::Kill(pid_t pid) {
  const auto it = std::find(clients_.begin(), clients_.end(), pid);
  if (it == clients_.end()) return;
  clients_.erase(it);
  kill(pid, SIGTERM);
  WaitForExit(pid);
}

uint64_t XServer::WaitForWindow(const std::string& title, std::chrono::milliseconds timeout) {
  DisplayPtr dpy(XOpenDisplay(display_.c_str()));
  if (!dpy) return 0;
  XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
  Window found = 0;
  PollUntil(
      [&] {
        found = FindByTitle(dpy.get(), DefaultRootWindow(dpy.get()), title, 3);
        return found != 0;
      },
      timeout);
  XSync(dpy.get(), False);
  XSetErrorHandler(previous);
  return found;
}

bool XServer::WaitForActive(uint64_t window, std::chrono::milliseconds timeout) {
  DisplayPtr dpy(XOpenDisplay(display_.c_str()));
  if (!dpy) return false;
  XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
  const Atom active = XInternAtom(dpy.get(), "_NET_ACTIVE_WINDOW", False);
  // A new client may get the window id of one that just ended, so the manager's property alone
  // can be stale: the input focus has to be in the window as well.
  const bool ok = PollUntil(
      [&] {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(dpy.get(), DefaultRootWindow(dpy.get()), active, 0, 1, False, XA_WINDOW,
                           &type, &format, &items, &after, &data);
        long current = 0;
        if (data != nullptr && items == 1) std::memcpy(&current, data, sizeof current);
        if (data != nullptr) XFree(data);
        if (items == 1 && static_cast<uint64_t>(current) != window) return false;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy.get(), &focus, &revert);
        while (focus != 0 && focus != PointerRoot && focus != window) {
          Window root = 0, parent = 0;
          Window* children = nullptr;
          unsigned count = 0;
          if (XQueryTree(dpy.get(), focus, &root, &parent, &children, &count) == 0) return false;
          if (children != nullptr) XFree(children);
          focus = parent == root ? 0 : parent;
        }
        return focus == window;
      },
      timeout);
  XSync(dpy.get(), False);
  XSetErrorHandler(previous);
  return ok;
}

bool XServer::Activate(uint64_t window, std::chrono::milliseconds timeout) {
  DisplayPtr dpy(XOpenDisplay(display_.c_str()));
  if (!dpy) return false;
  const Window root = DefaultRootWindow(dpy.get());
  const bool viewable = PollUntil(
      [&] {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(dpy.get(), static_cast<Window>(window), &attributes) != 0 &&
               attributes.map_state == IsViewable;
      },
      timeout);
  if (!viewable) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<Window>(window);
  event.xclient.message_type = XInternAtom(dpy.get(), "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // request from a pager: not subject to focus stealing rules
  event.xclient.data.l[1] = CurrentTime;
  // Repeated every second until the window has the focus, so that a request a starved manager
  // lost does not fail the caller.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    XSendEvent(dpy.get(), root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(dpy.get());
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (WaitForActive(window, std::min(left, std::chrono::milliseconds(1000)))) return true;
    if (left <= std::chrono::milliseconds(1000)) return false;
  }
}

void XServerEnvironment::SetUp() {
  auto server = std::make_unique<XServer>();
  if (server->Start(true)) {
    server_ = server.release();
  } else {
    reason_ = server->Error();
  }
}

void XServerEnvironment::TearDown() {
  delete server_;
  server_ = nullptr;
}
