#include "gui/app/HelpViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Help.h"
#include "gui/QtText.h"

THelpViewer::THelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(FromCp1252(HelpWindowTitle({}, false, false)));
  browser_->setObjectName(QStringLiteral("browser"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 560);
}

void THelpViewer::SetHelpFile(const QString& path) {
  helpFile_ = path;
}

void THelpViewer::ShowProblem(const QString& text) {
  browser_->clear();
  browser_->setPlainText(text);
}

bool THelpViewer::Load() {
  QFileInfo info(helpFile_);
  if (helpFile_.isEmpty() || !info.isFile() || !info.isReadable()) {
    // The path as it is, whatever characters it has.
    ShowProblem(FromCp1252(HelpFileProblem("%1")).arg(QDir::toNativeSeparators(helpFile_)));
    return false;
  }
  // The file is HTML whatever its extension says; reloading picks up a replaced file.
  const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
  if (browser_->source() == url) {
    browser_->reload();
  } else {
    browser_->setSource(url, QTextDocument::HtmlResource);
  }
  return true;
}

bool THelpViewer::HasAnchor(const QString& name) const {
  for (QTextBlock b = browser_->document()->begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat().anchorNames().contains(name)) return true;
    }
  }
  return false;
}

bool THelpViewer::ShowTopic(const std::string& topic) {
  show();
  raise();
  activateWindow();
  const QString anchor = QString::fromStdString(topic);
  const bool loaded = Load();
  found_ = loaded && HasAnchor(anchor);
  setWindowTitle(FromCp1252(HelpWindowTitle(topic, loaded, found_)));
  if (found_)
    browser_->scrollToAnchor(anchor);
  else if (loaded)
    browser_->verticalScrollBar()->setValue(0);
  return found_;
}

bool THelpViewer::ShowContext(int context) {
  return ShowTopic(HelpContextTopic(context));
}

namespace {

QPointer<THelpViewer>& Instance() {
  static QPointer<THelpViewer> viewer;
  return viewer;
}

QString& ApplicationHelpFile() {
  static QString path;
  return path;
}

}  // namespace

THelpViewer& ApplicationHelpViewer() {
  auto& viewer = Instance();
  if (!viewer) {
    // Like the program's other windows it lives until the process ends.
    viewer = new THelpViewer();
    viewer->SetHelpFile(ApplicationHelpFile());
  }
  return *viewer;
}

void SetApplicationHelpFile(const QString& path) {
  ApplicationHelpFile() = path;
  if (Instance()) Instance()->SetHelpFile(path);
}

void ShowHelpFor(const QWidget* active) {
  for (const QWidget* w = active; w; w = w->parentWidget()) {
    bool ok = false;
    int context = w->property("HelpContext").toInt(&ok);
    if (ok) {
      ApplicationHelpViewer().ShowContext(context);
      return;
    }
  }
  ApplicationHelpViewer().ShowTopic(HelpOverviewTopic);
}
