#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "main/EndOnSignal.h"

namespace {

int wakeFds[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here; the GUI thread closes the window.
  [[maybe_unused]] ssize_t n = write(wakeFds[1], &byte, 1);
}

}  // namespace

void EndOnSignals(QWidget& mainWindow) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) return;
  auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&mainWindow] {
    char byte;
    [[maybe_unused]] ssize_t n = read(wakeFds[0], &byte, 1);
    mainWindow.close();
    // A message box or menu of its own may be running a loop of its own: leave every loop.
    QApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}
