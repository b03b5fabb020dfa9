// The help window: shows the help document (HTML, kept as Tarvolin.hlp beside the executable)
// at a topic or at the section of a help context. One non-modal instance serves the program.
#pragma once

#include <QString>
#include <QWidget>

#include <string>

class QTextBrowser;

class THelpViewer : public QWidget {
  Q_OBJECT

 public:
  explicit THelpViewer(QWidget* parent = nullptr);

  QString HelpFile() const { return helpFile_; }
  // Takes effect at the next ShowTopic / ShowContext, which (re)load the file.
  void SetHelpFile(const QString& path);

  // Shows the window at the anchor named topic ("overview"). A missing file or topic is
  // reported in the window; returns whether the topic was found.
  bool ShowTopic(const std::string& topic);
  // Shows the section of a help context; its anchor is "ctx" followed by the number.
  bool ShowContext(int context);

  QTextBrowser* Browser() const { return browser_; }
  // Whether the last ShowTopic / ShowContext found the file and the anchor.
  bool Found() const { return found_; }

 private:
  bool Load();
  bool HasAnchor(const QString& name) const;
  void ShowProblem(const QString& text);

  QTextBrowser* browser_;
  QString helpFile_;
  bool found_ = false;
};

// The program's help window, created on first use. Its help file is the one set with
// SetApplicationHelpFile (start-up sets the program directory plus "Tarvolin.hlp").
THelpViewer& ApplicationHelpViewer();
void SetApplicationHelpFile(const QString& path);

// F1: shows the section of the help context of `active` (the active window, or a highlighted
// menu): its nearest ancestor with an integer property "HelpContext"; the overview otherwise.
void ShowHelpFor(const QWidget* active);
