#include "main/StateDump.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "gui/QtText.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/Mainform.h"
#include "gui/report/repPreview.h"

namespace {

int wakeFds[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here; the GUI thread writes the file.
  [[maybe_unused]] ssize_t n = write(wakeFds[1], &byte, 1);
}

std::string Escaped(const std::string& cp1252) {
  std::string out;
  for (unsigned char c : cp1252) {
    if (c < 0x20 || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The help file the help window shows open at a topic; empty while it is closed or tells of a
// missing file or topic. The window is looked up, not created.
std::string ShownHelpFile() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    const auto* viewer = qobject_cast<THelpViewer*>(window);
    if (viewer != nullptr && viewer->isVisible() && viewer->Found()) {
      return ToCp1252(viewer->HelpFile());
    }
  }
  return {};
}

void Dump(TfrmMain& form, const QString& path) {
  auto* button = form.findChild<QPushButton*>(QStringLiteral("BitBtn2"));
  const QPoint center = button->mapTo(&form, button->rect().center());
  const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  const std::pair<const char*, std::string> lines[] = {
      {"button", ToCp1252(button->text())},
      {"buttonAt", std::to_string(center.x()) + "," + std::to_string(center.y())},
      {"led", form.LedText()},
      {"ledColor", std::to_string(form.LedColor())},
      {"capt", form.CaptText()},
      {"filt", form.FiltText()},
      {"status", form.StatusText()},
      {"help", ShownHelpFile()},
      // The page indicator of the latest report's preview, while it is open.
      {"preview", frmPreview ? frmPreview->Previewer()->PageIndicator() : std::string()},
      {"box", box != nullptr ? ToCp1252(box->text()) : std::string()},
  };
  std::string text;
  for (const auto& [name, value] : lines) text += std::string(name) + "=" + Escaped(value) + "\n";
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(FromCp1252(text).toUtf8());
  file.commit();
}

}  // namespace

void InstallStateDump(TfrmMain& form) {
  const char* path = std::getenv("TARVOLIN_STATE_DUMP");
  if (path == nullptr || *path == '\0') return;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) return;
  auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, &form);
  const QString file = QFile::decodeName(path);
  QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form, file] {
    char drain[64];
    [[maybe_unused]] ssize_t n = read(wakeFds[0], drain, sizeof drain);
    Dump(form, file);
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGUSR1, &action, nullptr);
}
