#include "wingui/qualification/winAbout.h"

#include <map>

#include "platform/win32/SystemInfoWin32.h"
#include "qualification/IqChecks.h"
#include "qualification/zanExeinfo.h"
#include "wingui/qualification/winAboutIds.h"

namespace {

constexpr const wchar_t* kClassName = L"TfrmAbout";

// The product's font: "MS Sans Serif" at a character height in pixels, kept for the program's
// life per resolution, as the design fonts are.
HFONT ProductFont(int dpi) {
  static std::map<int, HFONT> fonts;
  if (auto it = fonts.find(dpi); it != fonts.end()) return it->second;
  LOGFONTW lf{};
  lf.lfHeight = -wingui::Scale(TAboutDesign::ProductFontPixels, dpi);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(lf.lfFaceName, L"MS Sans Serif");
  HFONT font = CreateFontIndirectW(&lf);
  fonts.emplace(dpi, font);
  return font;
}

}  // namespace

TfrmAbout::TfrmAbout(HWND owner, const std::string& programFile) {
  // A fixed dialog border: no resizing, no help button.
  Create(kClassName, AboutCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner,
         nullptr);
  HWND wnd = Handle();
  const int dpi = dpi_.SizeClient(wnd, TAboutDesign::ClientWidth, TAboutDesign::ClientHeight);
  HFONT font = wingui::DefaultFont(dpi);
  SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // First in tab order, and the default button.
  wingui::CreateControl(wnd, L"BUTTON", AboutCloseCaption, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
                        ABOUT_BTN_CLOSE,
                        {TAboutDesign::CloseLeft, TAboutDesign::CloseTop, TAboutDesign::CloseWidth,
                         TAboutDesign::CloseHeight},
                        dpi, font);
  int id = ABOUT_LBL_FIRST;
  for (const TAboutLabel& design : AboutLabels) {
    // The design-time text is the label's name; the version block's texts may hold "&".
    wingui::CreateControl(
        wnd, L"STATIC", design.Name, SS_CENTER | SS_NOPREFIX, id++,
        {TAboutDesign::LabelLeft, design.Top, TAboutDesign::LabelWidth, design.Height}, dpi, font);
  }
  SendMessageW(GetDlgItem(wnd, ABOUT_LBL_PRODUCT), WM_SETFONT,
               reinterpret_cast<WPARAM>(ProductFont(dpi)), FALSE);
  wingui::AddDialogWindow(wnd);
  FormCreate(programFile.empty() ? ProgramFileName() : programFile);
}

void TfrmAbout::FormCreate(const std::string& programFile) {
  TZanExeInfo info;
  info.getInfoFromFile(programFile);
  const TAboutTexts texts = AboutTexts(info);
  int id = ABOUT_LBL_FIRST;
  for (const TAboutLabel& design : AboutLabels)
    wingui::SetWindowText(GetDlgItem(Handle(), id++), texts.*design.Text);
}

void TfrmAbout::btnCloseClick() {
  ShowWindow(Handle(), SW_HIDE);
}

LRESULT TfrmAbout::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      // The button, Enter (the default button) and Esc.
      if (LOWORD(wParam) == ABOUT_BTN_CLOSE || LOWORD(wParam) == IDOK ||
          LOWORD(wParam) == IDCANCEL) {
        if (HIWORD(wParam) == BN_CLICKED) btnCloseClick();
      }
      return 0;
    default:
      return TDialogWindow::HandleMessage(msg, wParam, lParam);
  }
}
