// The window in front on Wayland, as far as the compositor tells: the activated toplevel of the
// foreign toplevel protocol (wlroots compositors). Where the compositor does not offer it, every
// window is another program's: the program's own windows are recognised through the toolkit
// before this is asked, and Foreground() names one stand-in window whose title says that some
// other program is in front. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ForegroundWindow.h"

class TWaylandConnection;

class TWaylandForeground : public IForegroundWindow {
 public:
  // The title of the stand-in window where the compositor names no windows.
  static constexpr const char* kOtherProgram = "<Anderes Programm im Vordergrund>";
  static constexpr WindowId kOtherProgramWindow = 1;

  TWaylandForeground(TWaylandConnection& connection, std::string ownAppId);
  ~TWaylandForeground() override;

  // Whether the compositor names its windows.
  bool ListsWindows() const;

  // 0 while the connection is gone, no toplevel is activated or the program's own is.
  WindowId Foreground() override;
  bool IsWindow(WindowId window) override;
  // The toplevel's title (UTF-8 from the compositor) in CP1252.
  std::string Title(WindowId window, int maxChars) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
