#include "wingui/dialogs/prgOptions.h"

#include <commctrl.h>

#include <cstring>

#include "wingui/dialogs/prgOptionsIds.h"

namespace {

using wingui::CreateControl;
using wingui::TDesignRect;

constexpr const wchar_t* kClassName = L"TprgOptionForm";
constexpr int kRowHeight = 14;

struct TFieldPlace {
  const char* Name;
  int LabelId, Id, NoteId;  // NoteId 0: no note
  int Top;
  int Width;
};
// In the group "Resultaterkennung ", which lies at 8,2 of the client area.
constexpr TFieldPlace kFields[] = {
    {"edtPrefix", PRGOPT_LBL_PREFIX, PRGOPT_EDT_PREFIX, PRGOPT_LBL_PREFIX_NOTE, 22, 36},
    {"edtEol", PRGOPT_LBL_EOL, PRGOPT_EDT_EOL, PRGOPT_LBL_EOL_NOTE, 45, 36},
    {"edtCheck", PRGOPT_LBL_CHECK, PRGOPT_EDT_CHECK, 0, 68, 217},
    {"edtGood", PRGOPT_LBL_GOOD, PRGOPT_EDT_GOOD, 0, 91, 217},
};

const TFieldDesign& FieldOf(const char* name) {
  for (const TFieldDesign& field : PrgOptionsFields) {
    if (std::strcmp(field.Name, name) == 0) return field;
  }
  return PrgOptionsFields[0];
}

struct TListPlace {
  const char* Group;
  int GroupId, GroupTop;
  const char* Label;
  int LabelId, Id, Rows;
  const TComboDesign& Design;
};

RECT FrameOf(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

}  // namespace

TprgOptionForm::TprgOptionForm(HWND owner) {
  Create(kClassName, PrgOptionsCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 200, 100, 0, 0, owner, nullptr);
  CreateControls(
      dpi_.SizeClient(Handle(), TprgOptionsDesign::ClientWidth, TprgOptionsDesign::ClientHeight));
  wingui::SetHelpContext(Handle(), TprgOptionsDesign::HelpContext);
  wingui::AddDialogWindow(Handle());
}

void TprgOptionForm::CreateControls(int dpi) {
  HWND wnd = Handle();
  HFONT font = wingui::DefaultFont(dpi);
  SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  CreateControl(wnd, L"BUTTON", "Resultaterkennung ", BS_GROUPBOX, PRGOPT_GBOX_RECOG,
                {8, 2, 305, 114}, dpi, font);
  for (const TFieldPlace& place : kFields) {
    const TFieldDesign& field = FieldOf(place.Name);
    // Each label precedes its field, so that it names it.
    CreateControl(wnd, L"STATIC", field.Label, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE,
                  place.LabelId, {18, place.Top, 60, 20}, dpi, font);
    CreateControl(wnd, L"EDIT", field.Initial, ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, place.Id,
                  {84, place.Top, place.Width, 20}, dpi, font, WS_EX_CLIENTEDGE);
    if (field.Note)
      CreateControl(wnd, L"STATIC", field.Note, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE,
                    place.NoteId, {126, place.Top, 183, 20}, dpi, font);
  }

  const TListPlace lists[] = {
      {" Resultatmodifikation ", PRGOPT_GBOX_MODI, 119, "Dezimaltrenner", PRGOPT_LBL_DECSUBST,
       PRGOPT_COMBO_DECSUBST, TprgOptionsDesign::DecSubstRows, PrgOptionsCombos[0]},
      {"nach dem Resultat senden", PRGOPT_GBOX_SEND, 169, "Cursorbewegung", PRGOPT_LBL_CURSMOVE,
       PRGOPT_COMBO_CURSMOVE, TprgOptionsDesign::CursMoveRows, PrgOptionsCombos[1]},
  };
  for (const TListPlace& list : lists) {
    CreateControl(wnd, L"BUTTON", list.Group, BS_GROUPBOX, list.GroupId,
                  {8, list.GroupTop, 305, 47}, dpi, font);
    CreateControl(wnd, L"STATIC", list.Label, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, list.LabelId,
                  {18, list.GroupTop + 20, 100, 20}, dpi, font);
    // Only the selection counts, so the lists take no typed text. The height given is that of
    // the open list for the classic controls; the newer ones take the row count.
    HWND combo = CreateControl(
        wnd, L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, list.Id,
        {124, list.GroupTop + 20, 177, 22 + list.Rows * kRowHeight}, dpi, font);
    for (const char* item : list.Design.Items)
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wingui::Wide(item).c_str()));
    SendMessageW(combo, CB_SETMINVISIBLE, static_cast<WPARAM>(list.Rows), 0);
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(wingui::Wide(list.Design.Initial).c_str()));
  }

  CreateControl(wnd, L"BUTTON",
                "&Schlie\xDF"
                "en",
                BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PRGOPT_BTN_CLOSE, {225, 224, 88, 26}, dpi,
                font);
}

std::string TprgOptionForm::PrefixText() const {
  return wingui::WindowText(Item(PRGOPT_EDT_PREFIX));
}
void TprgOptionForm::SetPrefixText(const std::string& text) {
  wingui::SetWindowText(Item(PRGOPT_EDT_PREFIX), text);
}
std::string TprgOptionForm::EolText() const {
  return wingui::WindowText(Item(PRGOPT_EDT_EOL));
}
void TprgOptionForm::SetEolText(const std::string& text) {
  wingui::SetWindowText(Item(PRGOPT_EDT_EOL), text);
}
std::string TprgOptionForm::CheckText() const {
  return wingui::WindowText(Item(PRGOPT_EDT_CHECK));
}
void TprgOptionForm::SetCheckText(const std::string& text) {
  wingui::SetWindowText(Item(PRGOPT_EDT_CHECK), text);
}
std::string TprgOptionForm::GoodText() const {
  return wingui::WindowText(Item(PRGOPT_EDT_GOOD));
}
void TprgOptionForm::SetGoodText(const std::string& text) {
  wingui::SetWindowText(Item(PRGOPT_EDT_GOOD), text);
}

namespace {

int32_t Selection(HWND combo) {
  const auto index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int32_t>(index);
}

void Select(HWND combo, int32_t index) {
  const auto count = static_cast<int32_t>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  SendMessageW(combo, CB_SETCURSEL,
               index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1),
               0);
}

}  // namespace

int32_t TprgOptionForm::DecSubstIndex() const {
  return Selection(Item(PRGOPT_COMBO_DECSUBST));
}
void TprgOptionForm::SetDecSubstIndex(int32_t index) {
  Select(Item(PRGOPT_COMBO_DECSUBST), index);
}
int32_t TprgOptionForm::CursMoveIndex() const {
  return Selection(Item(PRGOPT_COMBO_CURSMOVE));
}
void TprgOptionForm::SetCursMoveIndex(int32_t index) {
  Select(Item(PRGOPT_COMBO_CURSMOVE), index);
}

int32_t TprgOptionForm::Left() const {
  return FrameOf(Handle()).left;
}
int32_t TprgOptionForm::Top() const {
  return FrameOf(Handle()).top;
}
void TprgOptionForm::SetLeft(int32_t left) {
  SetWindowPos(Handle(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TprgOptionForm::SetTop(int32_t top) {
  SetWindowPos(Handle(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TprgOptionForm::btnCloseClick() {
  ShowWindow(Handle(), SW_HIDE);
}

LRESULT TprgOptionForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      // The button, Esc; Enter (IDOK without a default button) does nothing.
      if ((LOWORD(wParam) == PRGOPT_BTN_CLOSE && HIWORD(wParam) == BN_CLICKED) ||
          LOWORD(wParam) == IDCANCEL)
        btnCloseClick();
      return 0;
    case WM_CLOSE:
      btnCloseClick();
      return 0;
    case WM_ACTIVATE:
      focus_.Activate(Handle(), wParam);
      return 0;
    case WM_DPICHANGED:
      dpi_.Changed(Handle(), wParam, lParam);
      return 0;
    default:
      return TWindow::HandleMessage(msg, wParam, lParam);
  }
}
