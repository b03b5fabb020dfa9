#include "wingui/app/Mainform.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "app/Help.h"
#include "wingui/ResourceIds.h"
#include "wingui/app/HelpViewer.h"
#include "wingui/app/MainformIds.h"

namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;

// The menu entries' command ids, in the order of MainMenus().
int CommandId(TMainCommand command) {
  switch (command) {
    case TMainCommand::FileIQ:
      return MAIN_MEN_FILE_IQ;
    case TMainCommand::FileExit:
      return MAIN_MEN_FILE_EXIT;
    case TMainCommand::ConfigPort:
      return MAIN_MEN_CONFIG_PORT;
    case TMainCommand::ConfigFilter:
      return MAIN_MEN_CONFIG_FILTER;
    case TMainCommand::ConfigSave:
      return MAIN_MEN_CONFIG_SAVE;
    case TMainCommand::ConfigLoad:
      return MAIN_MEN_CONFIG_LOAD;
    case TMainCommand::HelpApp:
      return MAIN_MEN_HELP_APP;
    case TMainCommand::HelpAbout:
      return MAIN_MEN_HELP_ABOUT;
  }
  return 0;
}

COLORREF ToColorRef(TColor c) {
  // The panel's colour values are laid out as the platform's: red in the lowest byte.
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

// Keeps the text readable on the dark green of the stopped state.
COLORREF TextOn(TColor c) {
  const int r = static_cast<int>(c & 0xFF), g = static_cast<int>((c >> 8) & 0xFF),
            b = static_cast<int>((c >> 16) & 0xFF);
  return (r * 299 + g * 587 + b * 114) / 1000 < 96 ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

// The glyph's transparent pixels are the face grey, which loading maps to the button's colour.
// Drawn for 16 by 16 at 96 dpi, scaled for the window's.
HBITMAP Glyph(int id, int dpi) {
  static std::map<std::pair<int, int>, HBITMAP> glyphs;
  if (auto it = glyphs.find({id, dpi}); it != glyphs.end()) return it->second;
  const int size = wingui::Scale(16, dpi);
  auto bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                IMAGE_BITMAP, size, size, LR_LOADMAP3DCOLORS));
  glyphs.emplace(std::make_pair(id, dpi), bitmap);
  return bitmap;
}

}  // namespace

TfrmMain::TfrmMain() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CreateMenus();
  const int dpi = wingui::WindowDpi(nullptr);
  const SIZE outer = OuterSize(TMainDesign::ClientWidth, TMainDesign::ClientHeight, dpi);
  Create(MAIN_WINDOW_CLASS, MainCaption, kStyle, 0, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
         outer.cy, nullptr, menuBar_);
  dpi_ = wingui::WindowDpi(Handle());
  if (dpi_ != dpi) {
    const SIZE scaled = OuterSize(TMainDesign::ClientWidth, TMainDesign::ClientHeight, dpi_);
    SetWindowPos(Handle(), nullptr, 0, 0, scaled.cx, scaled.cy, SWP_NOMOVE | SWP_NOZORDER);
  }
  wingui::SetHelpContext(Handle(), MainHelpContext);
  CreateControls();
  Layout(dpi_);
  // The panel starts dark green and without text.
  SetLedColor(ledInactive);
  ShowRunButton(false);
  // Tab order and mnemonics as in a dialog box.
  wingui::AddDialogWindow(Handle());
}

TfrmMain::~TfrmMain() {
  // Without a window the id would name a thread timer.
  if (Handle()) KillTimer(Handle(), MAIN_TIMER);
}

void TfrmMain::CreateMenus() {
  menuBar_ = CreateMenu();
  for (const TMenuDesign& design : MainMenus()) {
    HMENU popup = CreatePopupMenu();
    for (const TMenuEntry& entry : design.Entries) {
      if (entry.Name == nullptr) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(CommandId(entry.Command)),
                  wingui::Wide(entry.Caption).c_str());
    }
    AppendMenuW(menuBar_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                wingui::Wide(design.Caption).c_str());
    popups_.push_back(popup);
  }
}

void TfrmMain::CreateControls() {
  using wingui::CreateControl;
  HWND wnd = Handle();
  HFONT font = wingui::DefaultFont(dpi_);
  // Each label precedes its field, which names the field for screen readers.
  CreateControl(wnd, WC_STATICW, CapturedLabel, SS_LEFT, MAIN_LBL_CAPTURED, {}, dpi_, font);
  CreateControl(wnd, WC_EDITW, "", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, MAIN_EDT_CAPT, {},
                dpi_, font, WS_EX_CLIENTEDGE);
  CreateControl(wnd, WC_STATICW, FilteredLabel, SS_LEFT, MAIN_LBL_FILTERED, {}, dpi_, font);
  CreateControl(wnd, WC_EDITW, "", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, MAIN_EDT_FILT, {},
                dpi_, font, WS_EX_CLIENTEDGE);
  CreateControl(wnd, WC_BUTTONW, "Start", BS_PUSHBUTTON | WS_TABSTOP, MAIN_BTN_RUN, {}, dpi_, font);
  // Owner-drawn for its colour and raised edge; its window text stays readable (WM_GETTEXT).
  CreateControl(wnd, WC_STATICW, "", SS_OWNERDRAW, MAIN_PNL_LED, {}, dpi_,
                wingui::DesignFont("MS Sans Serif", 8, dpi_, true));
  HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(MAIN_STATUSBAR)),
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // One panel over the whole width; its text is the bar's window text, which other programs and
  // screen readers can read (WM_GETTEXT), unlike a simple-mode text.
  int right[] = {-1};
  SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(right));
}

SIZE TfrmMain::OuterSize(int clientWidth, int clientHeight, int dpi) const {
  RECT r{0, 0, wingui::Scale(clientWidth, dpi), wingui::Scale(clientHeight, dpi)};
  AdjustWindowRectExForDpi(&r, kStyle, TRUE, 0, static_cast<UINT>(dpi));
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void TfrmMain::Layout(int dpi) {
  RECT client{};
  GetClientRect(Handle(), &client);
  // The fields and the panel stretch with the width, in design units.
  const int width = std::max(MulDiv(client.right, 96, dpi), TMainDesign::MinimumWidth);
  const struct {
    int id;
    wingui::TDesignRect rect;
  } places[] = {
      {MAIN_LBL_CAPTURED, {8, 12, 62, 13}}, {MAIN_EDT_CAPT, {72, 8, width - 80, 21}},
      {MAIN_LBL_FILTERED, {8, 38, 62, 13}}, {MAIN_EDT_FILT, {72, 34, width - 80, 21}},
      {MAIN_BTN_RUN, {8, 62, 90, 27}},      {MAIN_PNL_LED, {104, 62, width - 112, 27}},
  };
  HFONT font = wingui::DefaultFont(dpi);
  for (const auto& p : places) {
    const RECT r = wingui::ScaleRect(p.rect, dpi);
    HWND control = Item(p.id);
    SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(p.id == MAIN_PNL_LED
                                              ? wingui::DesignFont("MS Sans Serif", 8, dpi, true)
                                              : font),
                 TRUE);
  }
  HWND status = Item(MAIN_STATUSBAR);
  SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageW(status, WM_SIZE, 0, 0);
}

void TfrmMain::SetServices(TServices services) {
  services_ = std::move(services);
  controller_.SetServices(services_);
}

void TfrmMain::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  SetForegroundWindow(Handle());
}

int32_t TfrmMain::Left() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  return r.left;
}
int32_t TfrmMain::Top() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  return r.top;
}
void TfrmMain::SetLeft(int32_t left) {
  SetWindowPos(Handle(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TfrmMain::SetTop(int32_t top) {
  SetWindowPos(Handle(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::SetCaption(const std::string& caption) {
  wingui::SetWindowText(Handle(), caption);
}
void TfrmMain::SetStatusText(const std::string& text) {
  statusText_ = text;
  wingui::SetWindowText(Item(MAIN_STATUSBAR), text);
}
void TfrmMain::SetCaptText(const std::string& text) {
  wingui::SetWindowText(Item(MAIN_EDT_CAPT), text);
}
void TfrmMain::SetFiltText(const std::string& text) {
  wingui::SetWindowText(Item(MAIN_EDT_FILT), text);
}

void TfrmMain::SetLedColor(TColor color) {
  ledColor_ = color;
  InvalidateRect(Item(MAIN_PNL_LED), nullptr, TRUE);
}
std::string TfrmMain::LedText() const {
  return wingui::WindowText(Item(MAIN_PNL_LED));
}
void TfrmMain::SetLedText(const std::string& text) {
  wingui::SetWindowText(Item(MAIN_PNL_LED), text);
  InvalidateRect(Item(MAIN_PNL_LED), nullptr, TRUE);
}

void TfrmMain::DrawLed(const DRAWITEMSTRUCT& item) const {
  RECT r = item.rcItem;
  HBRUSH brush = CreateSolidBrush(ToColorRef(ledColor_));
  FillRect(item.hDC, &r, brush);
  DeleteObject(brush);
  DrawEdge(item.hDC, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, TextOn(ledColor_));
  HGDIOBJ old = SelectObject(item.hDC, wingui::DesignFont("MS Sans Serif", 8, dpi_, true));
  const std::wstring text = wingui::Wide(LedText());
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(item.hDC, old);
}

void TfrmMain::ShowRunButton(bool capturing) {
  capturing_ = capturing;
  HWND button = Item(MAIN_BTN_RUN);
  wingui::SetWindowText(button, capturing ? "Stop" : "Start");
  HBITMAP glyph = Glyph(capturing ? TARVOLIN_IDB_GLYPH_STOP : TARVOLIN_IDB_GLYPH_START, dpi_);
  SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
}

void TfrmMain::SetTimerEnabled(bool on) {
  timerOn_ = on;
  if (on)
    SetTimer(Handle(), MAIN_TIMER, TMainDesign::TimerIntervalMs, nullptr);
  else
    KillTimer(Handle(), MAIN_TIMER);
}

void TfrmMain::SetMenusEnabled(bool on) {
  for (UINT i = 0; i < popups_.size(); ++i)
    EnableMenuItem(menuBar_, i, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(Handle());
}

bool TfrmMain::OwnWindowInFront(WindowId foreground) const {
  const HWND own[] = {Handle(), services_.serOptionForm, services_.prgOptionForm};
  return std::any_of(std::begin(own), std::end(own), [foreground](HWND w) {
    return w != nullptr && reinterpret_cast<uintptr_t>(w) == foreground;
  });
}

bool TfrmMain::OwnWindowActive() const {
  // The thread's active window stays set while another program is in front; only the
  // foreground window tells.
  return OwnWindowInFront(reinterpret_cast<uintptr_t>(GetForegroundWindow()));
}

namespace {

void ShowModeless(HWND wnd) {
  if (!wnd) return;
  ShowWindow(wnd, SW_SHOW);
  SetForegroundWindow(wnd);
}

}  // namespace

void TfrmMain::ShowPortSettings() {
  ShowModeless(services_.serOptionForm);
}
void TfrmMain::ShowFilterSettings() {
  ShowModeless(services_.prgOptionForm);
}
void TfrmMain::ShowAbout() {
  ShowModeless(services_.frmAbout);
}
void TfrmMain::ShowHelpTopic(const std::string& topic) {
  ApplicationHelpViewer().ShowTopic(topic);
}
void TfrmMain::CloseWindow() {
  PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TfrmMain::MenuSelect(UINT item, UINT flags, HMENU menu) {
  if (flags == 0xFFFF && !menu) return;  // the menu closed
  const auto menus = MainMenus();
  // An entry's hint shows in the status line while it is highlighted, as a tool tip would.
  const char* hint = nullptr;
  for (size_t i = 0; i < popups_.size() && i < menus.size(); ++i) {
    const bool popupTitle = menu == menuBar_ && (flags & MF_POPUP) && item == i;
    if (popupTitle || menu == popups_[i]) menuHelpContext_ = menus[i].HelpContext;
    if (menu != popups_[i] || (flags & MF_POPUP)) continue;
    for (const TMenuEntry& entry : menus[i].Entries)
      if (entry.Name != nullptr && static_cast<UINT>(CommandId(entry.Command)) == item)
        hint = entry.Hint;
  }
  wingui::SetWindowText(Item(MAIN_STATUSBAR), hint != nullptr ? hint : statusText_);
}

LRESULT TfrmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == MAIN_BTN_RUN && HIWORD(wParam) == BN_CLICKED) {
        controller_.btnMessClick();
        return 0;
      }
      for (const TMenuDesign& design : MainMenus()) {
        for (const TMenuEntry& entry : design.Entries) {
          if (entry.Name != nullptr && CommandId(entry.Command) == id && HIWORD(wParam) == 0) {
            controller_.Command(entry.Command);
            return 0;
          }
        }
      }
      return 0;
    }
    case WM_ACTIVATE:
      focus_.Activate(Handle(), wParam);
      return 0;
    case WM_TIMER:
      if (wParam == MAIN_TIMER) controller_.timerTimer();
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == MAIN_PNL_LED) {
        DrawLed(*item);
        return TRUE;
      }
      break;
    }
    case WM_MENUSELECT:
      MenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      return 0;
    case WM_EXITMENULOOP:
      wingui::SetWindowText(Item(MAIN_STATUSBAR), statusText_);
      return 0;
    case WM_HELP: {
      // F1 inside an open menu. Elsewhere the message loop's F1 handling has already shown the
      // help of the window it was pressed in; the WM_HELP that may follow climbs through parents
      // and owners to this window and must not replace it with the main window's.
      const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
      if (info->iContextType == HELPINFO_MENUITEM && menuHelpContext_ != 0)
        ApplicationHelpViewer().ShowContext(menuHelpContext_);
      return TRUE;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const int dpi = Handle() ? dpi_ : 96;
      const SIZE low = OuterSize(TMainDesign::MinimumWidth, TMainDesign::ClientHeight, dpi);
      const SIZE high = OuterSize(TMainDesign::MinimumWidth,
                                  TMainDesign::ClientHeight + TMainDesign::ExtraHeight, dpi);
      info->ptMinTrackSize = POINT{low.cx, low.cy};
      info->ptMaxTrackSize.y = high.cy;
      return 0;
    }
    case WM_SIZE:
      if (Item(MAIN_STATUSBAR)) Layout(dpi_);
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Layout(dpi_);
      ShowRunButton(capturing_);
      return 0;
    }
    case WM_CLOSE:
      // Closing never asks anything; capture stops and the port closes, whatever that raises.
      controller_.FormClose();
      DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      // The help, preview and dialog windows are the program's: they go with it.
      KillTimer(Handle(), MAIN_TIMER);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(msg, wParam, lParam);
}
