#include "wingui/app/WinServices.h"

#include "app/CaptureApp.h"
#include "wingui/WinUi.h"

namespace {

// A hidden owner would hide the box: the owner only while it is shown.
HWND VisibleOwner(HWND owner) {
  return owner && IsWindowVisible(owner) ? owner : nullptr;
}

}  // namespace

void TWinMessageBoxes::ShowMessageBox(const std::string& title, const std::string& text,
                                      TMessageKind kind) {
  MessageBoxW(VisibleOwner(owner_), wingui::Wide(text).c_str(), wingui::Wide(title).c_str(),
              MB_OK | (kind == TMessageKind::Error ? MB_ICONERROR : MB_ICONWARNING));
}

void TWinErrorDisplay::ShowException(const Exception& e) {
  MessageBoxW(VisibleOwner(owner_), wingui::Wide(e.Message()).c_str(),
              wingui::Wide(ApplicationTitle).c_str(), MB_OK | MB_ICONERROR);
}
