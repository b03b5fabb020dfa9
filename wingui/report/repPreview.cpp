#include "wingui/report/repPreview.h"

#include <commctrl.h>

#include <vector>

#include "platform/Sound.h"
#include "report/PreviewWindow.h"
#include "wingui/ResourceIds.h"
#include "wingui/report/repPreviewIds.h"

namespace wingui {

TfrmPreview* frmPreview = nullptr;

namespace {

// How each control of the tool bar is made: id, window class, style, glyph (0: none) and the
// text a picture button shows while the program's resources lack its glyph.
struct TToolMaking {
  int Id;
  const wchar_t* Class;
  DWORD Style;
  int Glyph;
  const char* Fallback;
};

TToolMaking MakingOf(std::string_view name) {
  constexpr DWORD flat = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
  if (name == "btnPrintNow")
    return {REPPREV_BTN_PRINTNOW, WC_BUTTONW, flat, TARVOLIN_IDB_PREVIEW_PRINT, "Dr"};
  if (name == "Label1") return {REPPREV_LBL_ZOOM, WC_STATICW, SS_LEFT, 0, nullptr};
  // Left out of the Tab order: the window opens with it focused.
  if (name == "cbxScale")
    return {REPPREV_CBX_SCALE, WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0,
            nullptr};
  if (name == "spbfirst")
    return {REPPREV_SPB_FIRST, WC_BUTTONW, flat, TARVOLIN_IDB_PREVIEW_FIRST, "|<"};
  if (name == "spbPrev")
    return {REPPREV_SPB_PREV, WC_BUTTONW, flat, TARVOLIN_IDB_PREVIEW_PREV, "<"};
  if (name == "Panel1")
    return {REPPREV_PANEL_PAGE, WC_STATICW, SS_CENTER | SS_CENTERIMAGE, 0, nullptr};
  if (name == "spbNext")
    return {REPPREV_SPB_NEXT, WC_BUTTONW, flat, TARVOLIN_IDB_PREVIEW_NEXT, ">"};
  if (name == "spbLast")
    return {REPPREV_SPB_LAST, WC_BUTTONW, flat, TARVOLIN_IDB_PREVIEW_LAST, ">|"};
  return {REPPREV_BTN_CLOSE, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0, nullptr};
}

// Design sizes the toolkit chooses where the window's data leaves them open.
TDesignRect DesignRectOf(const TPreviewToolControl& c) {
  if (std::string_view(c.Name) == "Label1") return {c.Left, c.Top, 30, 13};
  if (std::string_view(c.Name) == "cbxScale") return {c.Left, c.Top, c.Width, 150};
  return {c.Left, c.Top, c.Width, c.Height};
}

// A tool bar glyph, drawn for 16 by 16 at 96 dpi, at `dpi`; its transparent face grey becomes
// the button's colour.
HBITMAP LoadGlyph(int resource, int dpi) {
  const int size = Scale(16, dpi);
  return static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                         IMAGE_BITMAP, size, size, LR_LOADMAP3DCOLORS));
}

std::string ComboText(HWND combo, WPARAM notification) {
  if (HIWORD(notification) != CBN_SELCHANGE) return WindowText(combo);
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return WindowText(combo);
  std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0)), L'\0');
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return Cp1252(text);
}

}  // namespace

TfrmPreview* TfrmPreview::Create(ISound* sound) {
  auto* window = new TfrmPreview(sound);
  if (!window->Build()) {
    delete window;
    return nullptr;
  }
  return window;
}

TfrmPreview::TfrmPreview(ISound* sound)
    : sound_(sound), control_(static_cast<IPreviewWindow&>(*this), previewer_.Control()) {
  printDialog_ = [this](TPrintChoice& choice, TPrinterSetup& setup) {
    return RunSystemPrintDialog(Handle(), choice, setup);
  };
  errorDisplay_ = [this](const std::string& message) {
    MessageBoxW(Handle(), Wide(message).c_str(), L"Tarvolin", MB_OK | MB_ICONERROR);
  };
  previewer_.SetPrinterSource(
      [this] { return printer_.Empty() ? DefaultPrinterSetup() : printer_; });
}

TfrmPreview::~TfrmPreview() {
  if (frmPreview == this) frmPreview = nullptr;
  for (const TGlyphButton& g : glyphs_) DeleteObject(g.Bitmap);
}

bool TfrmPreview::Build() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  if (!TWindow::Create(REPPREV_WINDOW_CLASS, kPreviewCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                       0, CW_USEDEFAULT, CW_USEDEFAULT, 600, 400, nullptr, nullptr))
    return false;
  const int dpi = dpi_.SizeClient(Handle(), kPreviewClientWidth, kPreviewClientHeight);

  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                          nullptr, GetModuleHandleW(nullptr), nullptr);
  HFONT font = DefaultFont(dpi);
  const TPreviewToolControl* scale = nullptr;
  for (const TPreviewToolControl& c : kPreviewToolControls) {
    const TToolMaking m = MakingOf(c.Name);
    HBITMAP glyph = m.Glyph ? LoadGlyph(m.Glyph, dpi) : nullptr;
    // A picture button is known by its hint: assistive technology reads the window text.
    const char* text = glyph ? c.Hint : m.Fallback ? m.Fallback : c.Text ? c.Text : "";
    HWND control = CreateControl(Handle(), m.Class, text, m.Style | (glyph ? BS_BITMAP : 0), m.Id,
                                 DesignRectOf(c), dpi, font,
                                 m.Id == REPPREV_PANEL_PAGE ? WS_EX_STATICEDGE : 0);
    if (!control) return false;
    if (glyph) {
      glyphs_.push_back({control, m.Glyph, glyph});
      SendMessageW(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
    }
    if (*c.Hint) AddHint(control, c.Hint);
    SetWindowSubclass(control, &TfrmPreview::KeyPreview, 0, reinterpret_cast<DWORD_PTR>(this));
    if (m.Id == REPPREV_CBX_SCALE) {
      cbxScale_ = control;
      scale = &c;
    }
    if (m.Id == REPPREV_PANEL_PAGE) panel1_ = control;
  }
  for (const char* item : kPreviewZoomItems)
    SendMessageW(cbxScale_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  if (!scale) return false;
  SetWindowText(cbxScale_, scale->Text);
  // The mouse is over the box's edit field, which has the box's hint too.
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(cbxScale_, &info) && info.hwndItem) {
    SetWindowSubclass(info.hwndItem, &TfrmPreview::KeyPreview, 0,
                      reinterpret_cast<DWORD_PTR>(this));
    AddHint(info.hwndItem, scale->Hint);
  }

  RECT client;
  GetClientRect(Handle(), &client);
  const int top = Scale(kPreviewToolBarHeight, dpi);
  if (!previewer_.CreateIn(Handle(), REPPREV_PREVIEWER, {0, top, client.right, client.bottom}, dpi))
    return false;
  ShowPageIndicator(previewer_.PageIndicator());
  AddDialogWindow(Handle());
  return true;
}

void TfrmPreview::AddHint(HWND control, const char* hint) {
  std::wstring text = Wide(hint);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text.data();
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TfrmPreview::LayOut() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int top = Scale(kPreviewToolBarHeight, dpi_.Dpi());
  MoveWindow(previewer_.Handle(), 0, top, client.right, std::max<int>(client.bottom - top, 0),
             TRUE);
}

// The window sees the keys of its table before the control that has the focus; the dialog
// navigation hands them to the control, which passes them here.
LRESULT CALLBACK TfrmPreview::KeyPreview(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
  auto* form = reinterpret_cast<TfrmPreview*>(self);
  if (msg == WM_GETDLGCODE && lParam) {
    const MSG* m = reinterpret_cast<const MSG*>(lParam);
    if (m->message == WM_KEYDOWN &&
        PreviewKeyAction(static_cast<uint16_t>(m->wParam)) != TPreviewKeyAction::None)
      return DefSubclassProc(wnd, msg, wParam, lParam) | DLGC_WANTMESSAGE;
  }
  if (msg == WM_KEYDOWN && form->FormKeyDown(static_cast<uint16_t>(wParam))) return 0;
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(wnd, &TfrmPreview::KeyPreview, 0);
  return DefSubclassProc(wnd, msg, wParam, lParam);
}

void TfrmPreview::Show() {
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  SetFocus(cbxScale_);
}

void TfrmPreview::ShowFirstPage() {
  control_.ShowFirstPage();
}

void TfrmPreview::btnCloseClick() {
  CloseWindow();
}

void TfrmPreview::spbfirstClick() {
  control_.spbfirstClick();
}

void TfrmPreview::spbPrevClick() {
  control_.spbPrevClick();
}

void TfrmPreview::spbNextClick() {
  control_.spbNextClick();
}

void TfrmPreview::spbLastClick() {
  control_.spbLastClick();
}

void TfrmPreview::cbxScaleChange(std::string_view text) {
  control_.cbxScaleChange(text);
}

void TfrmPreview::btnPrintNowClick() {
  // The print dialog and a printer's own prompts run message loops of their own: a close that
  // arrives there must not free the window under them.
  struct TPrintRequest {
    explicit TPrintRequest(int& count) : count_(++count) {}
    ~TPrintRequest() { --count_; }
    int& count_;
  } request(printRequests_);
  control_.btnPrintNowClick();
}

bool TfrmPreview::PrintWithoutDialog(TPrinterSetup setup) {
  TPrintDialogRunner dialog = std::move(printDialog_);
  TErrorDisplay display = std::move(errorDisplay_);
  const TPrinterSetup chosen = printer_;
  bool failed = false;
  printDialog_ = [&setup](TPrintChoice&, TPrinterSetup& printer) {
    printer = setup;
    return !setup.Empty();
  };
  errorDisplay_ = [&failed](const std::string&) { failed = true; };
  btnPrintNowClick();
  printDialog_ = std::move(dialog);
  errorDisplay_ = std::move(display);
  printer_ = chosen;
  return !failed && !setup.Empty();
}

bool TfrmPreview::FormCloseQuery() {
  if (printRequests_ > 0) {
    WarningBeep();
    return false;
  }
  return control_.FormCloseQuery();
}

void TfrmPreview::FormClose() {
  if (frmPreview == this) frmPreview = nullptr;
}

bool TfrmPreview::FormKeyDown(uint16_t virtualKey) {
  return control_.FormKeyDown(virtualKey);
}

void TfrmPreview::RepaintPageView() {
  previewer_.Refresh();
}

void TfrmPreview::ShowPageIndicator(const std::string& text) {
  SetWindowText(panel1_, text);
}

void TfrmPreview::CloseWindow() {
  // Posted: the window frees itself when it closes, which must not happen inside a handler.
  PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TfrmPreview::WarningBeep() {
  if (sound_)
    sound_->MessageBeep();
  else
    ::MessageBeep(MB_ICONEXCLAMATION);
}

std::string TfrmPreview::Caption() const {
  return WindowText(Handle());
}

bool TfrmPreview::RunPrintDialog(TPrintChoice& choice) {
  return printDialog_(choice, printer_);
}

std::unique_ptr<IPrintTarget> TfrmPreview::NewPrintJob() {
  return previewer_.NewPrintJob();
}

void TfrmPreview::ShowError(const std::string& message) {
  errorDisplay_(message);
}

int TfrmPreview::ScrollPosition(TScrollAxis axis) const {
  return previewer_.ScrollPosition(axis);
}

void TfrmPreview::SetScrollPosition(TScrollAxis axis, int position) {
  previewer_.SetScrollPosition(axis, position);
}

LRESULT TfrmPreview::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case REPPREV_BTN_CLOSE:
        case IDCANCEL:
          btnCloseClick();
          return 0;
        case REPPREV_BTN_PRINTNOW:
          btnPrintNowClick();
          return 0;
        case REPPREV_SPB_FIRST:
          spbfirstClick();
          return 0;
        case REPPREV_SPB_PREV:
          spbPrevClick();
          return 0;
        case REPPREV_SPB_NEXT:
          spbNextClick();
          return 0;
        case REPPREV_SPB_LAST:
          spbLastClick();
          return 0;
        case REPPREV_CBX_SCALE:
          if (HIWORD(wParam) == CBN_EDITCHANGE || HIWORD(wParam) == CBN_SELCHANGE)
            cbxScaleChange(ComboText(cbxScale_, wParam));
          return 0;
        default:
          break;
      }
      break;
    case WM_KEYDOWN:
      if (FormKeyDown(static_cast<uint16_t>(wParam))) return 0;
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == panel1_) {
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      }
      break;
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_DPICHANGED:
      dpi_.Changed(Handle(), wParam, lParam);
      previewer_.SetDpi(dpi_.Dpi());
      for (TGlyphButton& g : glyphs_) {
        if (HBITMAP scaled = LoadGlyph(g.Resource, dpi_.Dpi())) {
          SendMessageW(g.Button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled));
          DeleteObject(g.Bitmap);
          g.Bitmap = scaled;
        }
      }
      LayOut();
      return 0;
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data->dwData != REPPREV_COPYDATA_PRINT_TO_FILE || data->cbData < sizeof(wchar_t)) break;
      std::wstring file(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
      file.resize(wcsnlen(file.c_str(), file.size()));
      TPrinterSetup setup = printer_.Empty() ? DefaultPrinterSetup() : printer_;
      setup.OutputFile = file;
      return PrintWithoutDialog(std::move(setup)) ? TRUE : FALSE;
    }
    case WM_CLOSE:
      if (FormCloseQuery()) {
        FormClose();
        delete this;
      }
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(msg, wParam, lParam);
}

}  // namespace wingui
