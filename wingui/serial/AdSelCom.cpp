#include "wingui/serial/AdSelCom.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "serial/SerialContext.h"
#include "wingui/serial/AdSelComIds.h"

namespace {

constexpr const wchar_t* kClassName = L"TComSelectForm";

const TComSelectControl& ControlOf(const char* name) {
  for (const TComSelectControl& control : ComSelectControls) {
    if (std::strcmp(control.Name, name) == 0) return control;
  }
  return ComSelectControls[0];
}

wingui::TDesignRect RectOf(const TComSelectControl& c) {
  return {c.Left, c.Top, c.Width, c.Height};
}

}  // namespace

TComSelectForm::TComSelectForm(HWND owner, TComPortList ports)
    : ports_(std::move(ports)), owner_(owner ? GetAncestor(owner, GA_ROOT) : nullptr) {
  // A fixed dialog border with only the system menu's close box.
  Create(kClassName, ComSelectCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, 0, 0, owner_, nullptr);
  HWND wnd = Handle();
  const int dpi =
      dpi_.SizeClient(wnd, TComSelectDesign::ClientWidth, TComSelectDesign::ClientHeight);
  // Centred on the screen.
  RECT frame{};
  RECT screen{};
  GetWindowRect(wnd, &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  SetWindowPos(wnd, nullptr,
               screen.left + (screen.right - screen.left - (frame.right - frame.left)) / 2,
               screen.top + (screen.bottom - screen.top - (frame.bottom - frame.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  HFONT font = wingui::DefaultFont(dpi);
  SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  using wingui::CreateControl;
  // Z-order is tab order: OK, Cancel, then the list, which the request above it names.
  const TComSelectControl& bevel = ControlOf("Bevel1");
  CreateControl(wnd, L"STATIC", "", SS_ETCHEDFRAME, SELCOM_BEVEL1, RectOf(bevel), dpi, font);
  const TComSelectControl& label1 = ControlOf("Label1");
  CreateControl(wnd, L"STATIC", label1.Text, SS_LEFT | SS_NOPREFIX, SELCOM_LABEL1, RectOf(label1),
                dpi, font);
  const TComSelectControl& ok = ControlOf("OkBtn");
  CreateControl(wnd, L"BUTTON", ok.Text, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, SELCOM_OK_BTN,
                RectOf(ok), dpi, font);
  const TComSelectControl& abort = ControlOf("AbortBtn");
  CreateControl(wnd, L"BUTTON", abort.Text, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, SELCOM_ABORT_BTN,
                RectOf(abort), dpi, font);
  const TComSelectControl& label2 = ControlOf("Label2");
  CreateControl(wnd, L"STATIC", label2.Text, SS_LEFT | SS_NOPREFIX, SELCOM_LABEL2, RectOf(label2),
                dpi, font);
  wingui::TDesignRect list = RectOf(ControlOf("PortsComboBox"));
  list.Height += 10 * 14;  // the open list
  CreateControl(wnd, L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                SELCOM_PORTS_COMBO, list, dpi, font);
  FormCreate();
}

void TComSelectForm::FormCreate() {
  HWND combo = GetDlgItem(Handle(), SELCOM_PORTS_COMBO);
  HDC dc = GetDC(combo);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (const TComSelectItem& item : ComSelectItems(ports_)) {
    const std::wstring text = wingui::Wide(item.Text);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    itemTooltips_.push_back(item.Tooltip);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    widest = std::max(widest, static_cast<int>(extent.cx));
  }
  SelectObject(dc, old);
  ReleaseDC(combo, dc);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  // The open list may be wider than the box, so that the adapters' names show whole.
  const int margin = GetSystemMetrics(SM_CXVSCROLL) + 8;
  SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margin), 0);

  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(combo);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  ShowItemTooltip();
}

void TComSelectForm::ShowItemTooltip() {
  HWND combo = GetDlgItem(Handle(), SELCOM_PORTS_COMBO);
  const auto index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  const std::wstring text = index >= 0 && static_cast<size_t>(index) < itemTooltips_.size()
                                ? wingui::Wide(itemTooltips_[static_cast<size_t>(index)])
                                : std::wstring();
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(combo);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string TComSelectForm::SelectedText() const {
  HWND combo = GetDlgItem(Handle(), SELCOM_PORTS_COMBO);
  const auto index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return wingui::Cp1252(text);
}

int TComSelectForm::SelectedComNumber() const {
  return ComNumberOfItem(SelectedText());
}

bool TComSelectForm::ShowModal() {
  done_ = false;
  accepted_ = false;
  // Modal for the whole program: its other windows, the modeless dialogs among them, take no
  // input while the question is open.
  std::vector<HWND> disabled;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND wnd, LPARAM list) -> BOOL {
        if (IsWindowVisible(wnd) && IsWindowEnabled(wnd))
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabled));
  if (owner_ && IsWindowEnabled(owner_) &&
      std::find(disabled.begin(), disabled.end(), owner_) == disabled.end())
    disabled.push_back(owner_);
  for (HWND wnd : disabled) EnableWindow(wnd, FALSE);
  ShowWindow(Handle(), SW_SHOW);
  SetFocus(GetDlgItem(Handle(), SELCOM_OK_BTN));
  MSG msg;
  while (!done_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: leave the quit for the main loop.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (IsDialogMessageW(Handle(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The windows are enabled before the dialog goes, so that the owner becomes active again.
  for (HWND wnd : disabled) EnableWindow(wnd, TRUE);
  ShowWindow(Handle(), SW_HIDE);
  return accepted_;
}

void TComSelectForm::Close(bool accepted) {
  accepted_ = accepted;
  done_ = true;
}

LRESULT TComSelectForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      // Enter and Esc arrive as IDOK and IDCANCEL, the buttons' ids.
      if (LOWORD(wParam) == SELCOM_OK_BTN || LOWORD(wParam) == SELCOM_ABORT_BTN) {
        if (HIWORD(wParam) == BN_CLICKED) Close(LOWORD(wParam) == SELCOM_OK_BTN);
      } else if (LOWORD(wParam) == SELCOM_PORTS_COMBO && HIWORD(wParam) == CBN_SELCHANGE) {
        ShowItemTooltip();
      }
      return 0;
    default:
      return TDialogWindow::HandleMessage(msg, wParam, lParam);
  }
}

int PromptForComNumber(HWND owner, TComPortList ports) {
  TComSelectForm form(owner, std::move(ports));
  const bool accepted = form.ShowModal();
  return ComSelectResult(accepted, form.SelectedText());
}

void InstallWinPortPrompt() {
  SetPortPrompt([] { return PromptForComNumber(GetActiveWindow()); });
}
