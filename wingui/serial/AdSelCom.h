// The port selection dialog TComSelectForm as a modal Win32 window: lists the COM ports 1 to 50
// that exist and lets the user pick one when a port is to be opened without a port number. Its
// list and the number an item stands for come from serial/AdSelCom.h. Control ids:
// wingui/serial/AdSelComIds.h. Runs on the GUI thread.
#pragma once

#include <string>
#include <vector>

#include "serial/AdSelCom.h"
#include "wingui/WinUi.h"
#include "wingui/dialogs/DialogWindow.h"

class TComSelectForm : public TDialogWindow {
 public:
  // Tests the ports (all of them before the dialog can be shown) and lists the present ones, the
  // first one selected. The window is created hidden, centred on the screen.
  explicit TComSelectForm(HWND owner = nullptr, TComPortList ports = TComPortList::System());

  // Shows the dialog with its owner disabled and runs its own message loop until it is closed;
  // true when it was closed with OK.
  bool ShowModal();

  // The number of the selected item; 0 when there is none.
  int SelectedComNumber() const;
  // The selected item's text (CP1252), empty when there is none.
  std::string SelectedText() const;

 protected:
  void CloseRequested() override { Close(false); }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void FormCreate();
  void Close(bool accepted);
  // The list's tooltip names what the selected item stands for.
  void ShowItemTooltip();

  TComPortList ports_;
  HWND owner_;
  std::vector<std::string> itemTooltips_;
  HWND tooltips_ = nullptr;
  bool done_ = false;
  bool accepted_ = false;
};

// Shows the dialog modally and returns the chosen port number, or -2011 (no port selected) when
// it was closed in any way but OK, or with OK on an empty list.
int PromptForComNumber(HWND owner = nullptr, TComPortList ports = TComPortList::System());

// Points the serial subsystem's question for a port at this dialog, owned by the active window.
void InstallWinPortPrompt();
