// The help window: shows the help document (HTML, kept as Tarvolin.hlp beside the executable) as
// text at a topic or at the section of a help context. One non-modal instance serves the
// program; Esc and the close box hide it.
#pragma once

#include <string>

#include "wingui/WinUi.h"

class THelpViewer : public wingui::TWindow {
 public:
  // Created hidden.
  THelpViewer();

  std::string HelpFile() const { return helpFile_; }
  // CP1252 path; takes effect at the next ShowTopic / ShowContext, which (re)read the file.
  void SetHelpFile(const std::string& path) { helpFile_ = path; }

  // Shows the window at the anchor named topic ("overview"). A missing file or topic is
  // reported in the window; returns whether the topic was found.
  bool ShowTopic(const std::string& topic);
  // Shows the section of a help context; its anchor is "ctx" followed by the number.
  bool ShowContext(int context);

  // Whether the last ShowTopic / ShowContext found the file and the anchor.
  bool Found() const { return found_; }
  // The topic asked for last.
  std::string Topic() const { return topic_; }
  HWND Text() const { return text_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  HWND text_ = nullptr;
  std::string helpFile_;
  std::string topic_;
  bool found_ = false;
};

// The program's help window, created on first use. Its help file is the one set with
// SetApplicationHelpFile (start-up sets the program directory plus "Tarvolin.hlp").
THelpViewer& ApplicationHelpViewer();
// Whether the help window exists yet (without creating it).
THelpViewer* ApplicationHelpViewerIfAny();
void SetApplicationHelpFile(const std::string& path);

// F1: shows the section of the help context of `wnd` (a control or window of the program), found
// through its parents and owners; the overview otherwise.
void ShowHelpFor(HWND wnd);
