#include "wingui/dialogs/prgOptions.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <string_view>

#include "wingui/dialogs/prgOptionsIds.h"

namespace {

using wingui::CreateControl;
using wingui::TDesignRect;

constexpr const wchar_t* kClassName = L"TprgOptionForm";
constexpr int kRowHeight = 14;

// A control's place in the client area.
TDesignRect PlaceOf(std::string_view name) {
  const TControlPlace p = ClientPlace(PrgOptionsPlaces, name);
  return {p.Left, p.Top, p.Width, p.Height};
}

struct TFieldControl {
  const char* Name;
  int LabelId, Id, NoteId;  // NoteId 0: no note
  const char* NoteName;
};
constexpr TFieldControl kFields[] = {
    {"edtPrefix", PRGOPT_LBL_PREFIX, PRGOPT_EDT_PREFIX, PRGOPT_LBL_PREFIX_NOTE, "lblPrefixNote"},
    {"edtEol", PRGOPT_LBL_EOL, PRGOPT_EDT_EOL, PRGOPT_LBL_EOL_NOTE, "lblEolNote"},
    {"edtCheck", PRGOPT_LBL_CHECK, PRGOPT_EDT_CHECK, 0, nullptr},
    {"edtGood", PRGOPT_LBL_GOOD, PRGOPT_EDT_GOOD, 0, nullptr},
};

const TFieldDesign& FieldOf(const char* name) {
  for (const TFieldDesign& field : PrgOptionsFields) {
    if (std::strcmp(field.Name, name) == 0) return field;
  }
  return PrgOptionsFields[0];
}

// Where the lists of PrgOptionsListGroups go, in their order.
struct TListControl {
  int GroupId, LabelId, Id;
};
constexpr TListControl kLists[] = {
    {PRGOPT_GBOX_MODI, PRGOPT_LBL_DECSUBST, PRGOPT_COMBO_DECSUBST},
    {PRGOPT_GBOX_SEND, PRGOPT_LBL_CURSMOVE, PRGOPT_COMBO_CURSMOVE},
};
static_assert(std::size(kLists) == std::size(PrgOptionsListGroups));

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

  CreateControl(wnd, L"BUTTON", RecognitionGroupCaption, BS_GROUPBOX, PRGOPT_GBOX_RECOG,
                PlaceOf(RecognitionGroupName), dpi, font);
  for (const TFieldControl& place : kFields) {
    const TFieldDesign& field = FieldOf(place.Name);
    // Each label precedes its field, so that it names it.
    CreateControl(wnd, L"STATIC", field.Label, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE,
                  place.LabelId, PlaceOf(field.LabelName), dpi, font);
    CreateControl(wnd, L"EDIT", field.Initial, ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, place.Id,
                  PlaceOf(place.Name), dpi, font, WS_EX_CLIENTEDGE);
    if (field.Note && place.NoteName)
      CreateControl(wnd, L"STATIC", field.Note, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE,
                    place.NoteId, PlaceOf(place.NoteName), dpi, font);
  }

  for (size_t i = 0; i < std::size(kLists); ++i) {
    const TListControl& place = kLists[i];
    const TListGroupDesign& list = PrgOptionsListGroups[i];
    CreateControl(wnd, L"BUTTON", list.Group, BS_GROUPBOX, place.GroupId, PlaceOf(list.GroupName),
                  dpi, font);
    CreateControl(wnd, L"STATIC", list.Label, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, place.LabelId,
                  PlaceOf(list.LabelName), dpi, font);
    // Only the selection counts, so the lists take no typed text. The height given is that of
    // the open list for the classic controls; the newer ones take the row count.
    TDesignRect r = PlaceOf(list.Combo.Name);
    r.Height += list.Rows * kRowHeight;
    HWND combo =
        CreateControl(wnd, L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                      place.Id, r, dpi, font);
    for (const char* item : list.Combo.Items)
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wingui::Wide(item).c_str()));
    SendMessageW(combo, CB_SETMINVISIBLE, static_cast<WPARAM>(list.Rows), 0);
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(wingui::Wide(list.Combo.Initial).c_str()));
  }

  CreateControl(wnd, L"BUTTON", PrgOptionsCloseCaption, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
                PRGOPT_BTN_CLOSE, PlaceOf("btnClose"), dpi, font);
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
    default:
      return TDialogWindow::HandleMessage(msg, wParam, lParam);
  }
}
