#include "wingui/dialogs/serOptions.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "app/CaptureApp.h"
#include "serial/AwFactory.h"
#include "wingui/dialogs/serOptionsIds.h"

namespace {

using wingui::CreateControl;
using wingui::TDesignRect;

constexpr const wchar_t* kClassName = L"TserOptionForm";

// The general error display of a dialog without one: a message box over the dialog.
class TWinErrorDisplay : public IErrorDisplay {
 public:
  explicit TWinErrorDisplay(HWND owner) : owner_(owner) {}
  void ShowException(const Exception& e) override {
    MessageBoxW(owner_, wingui::Wide(e.Message()).c_str(), wingui::Wide(ApplicationTitle).c_str(),
                MB_OK | MB_ICONERROR);
  }

 private:
  HWND owner_;
};

// A control's place in the client area.
TDesignRect PlaceOf(std::string_view name) {
  const TControlPlace p = ClientPlace(SerOptionsPlaces, name);
  return {p.Left, p.Top, p.Width, p.Height};
}

struct TComboControl {
  const char* Name;
  int Id, LabelId;
};
// The boxes from top to bottom, each after its label in tab and z-order.
constexpr TComboControl kCombos[] = {
    {"comboPort", SEROPT_COMBO_PORT, SEROPT_LBL_PORT},
    {"comboBaud", SEROPT_COMBO_BAUD, SEROPT_LBL_BAUD},
    {"comboDatabits", SEROPT_COMBO_DATABITS, SEROPT_LBL_DATABITS},
    {"comboParity", SEROPT_COMBO_PARITY, SEROPT_LBL_PARITY},
    {"comboStop", SEROPT_COMBO_STOP, SEROPT_LBL_STOP},
    {"comboXonXoff", SEROPT_COMBO_XONXOFF, SEROPT_LBL_XONXOFF},
};
// Rows of an open list; the port list holds at most nine entries.
constexpr int kListRows = 10;
constexpr int kRowHeight = 14;

struct TCheckControl {
  const char* Name;
  int Id;
};
constexpr TCheckControl kChecks[] = {
    {"hwUseDTR", SEROPT_HW_USEDTR},
    {"hwUseRTS", SEROPT_HW_USERTS},
    {"hwReqDSR", SEROPT_HW_REQDSR},
    {"hwReqCTS", SEROPT_HW_REQCTS},
};

// The lamps in the order of the light set, left to right in the frame "Status".
constexpr const char* kLampNames[TLightSet::LightCount] = {
    "ledCTS", "ledDSR", "ledDCD", "ledRING", "ledTxD", "ledRxD", "ledERROR", "ledBREAK"};

template <typename Table>
const auto& Named(const Table& table, const char* name) {
  for (const auto& entry : table) {
    if (std::strcmp(entry.Name, name) == 0) return entry;
  }
  return table[0];
}

const TComboLabel& LabelOf(const char* combo) {
  for (const TComboLabel& label : SerOptionsLabels) {
    if (std::strcmp(label.Combo, combo) == 0) return label;
  }
  return SerOptionsLabels[0];
}

std::string ComboItemText(HWND combo, int index) {
  const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return wingui::Cp1252(text);
}

void AddItem(HWND combo, const std::string& text) {
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wingui::Wide(text).c_str()));
}

void SelectIndex(HWND combo, int32_t index) {
  const auto count = static_cast<int32_t>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  const bool valid = index >= 0 && index < count;
  SendMessageW(combo, CB_SETCURSEL, valid ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1),
               0);
  if (!valid) wingui::SetWindowText(combo, "");
}

bool Checked(HWND box) {
  return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void SetChecked(HWND box, bool on) {
  SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void AddTool(HWND tooltips, HWND owner, HWND control, const std::wstring& text) {
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void UpdateTool(HWND tooltips, HWND owner, HWND control, const std::wstring& text) {
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tooltips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The edit field of an editable box, which is what the mouse is over.
HWND EditOf(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  return GetComboBoxInfo(combo, &info) ? info.hwndItem : nullptr;
}

}  // namespace

TserOptionForm::TserOptionForm(HWND owner)
    : port_(TserOptionPort::TAvailHandler::Bind<&TserOptionForm::CommsTriggerAvail>(this),
            [this, owner] {
              Create(kClassName, SerOptionsCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 200, 100, 0, 0, owner, nullptr);
              CreateControls(dpi_.SizeClient(Handle(), TserOptionsDesign::ClientWidth,
                                             TserOptionsDesign::ClientHeight));
              TserOptionPort::TLamps lamps{};
              for (size_t i = 0; i < lamps.size(); ++i) lamps[i] = lamps_[i].get();
              return lamps;
            }()),
      defaultErrors_(std::make_unique<TWinErrorDisplay>(Handle())),
      controller_(*this, port_, *defaultErrors_) {
  wingui::SetHelpContext(Handle(), TserOptionsDesign::HelpContext);
  wingui::AddDialogWindow(Handle());
  ready_ = true;
}

TserOptionForm::~TserOptionForm() {
  ready_ = false;
}

void TserOptionForm::CreateControls(int dpi) {
  HWND wnd = Handle();
  HFONT font = wingui::DefaultFont(dpi);
  SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const INITCOMMONCONTROLSEX classes{static_cast<DWORD>(sizeof(INITCOMMONCONTROLSEX)),
                                     ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);

  for (const TComboControl& place : kCombos) {
    const TComboLabel& label = LabelOf(place.Name);
    CreateControl(wnd, L"STATIC", label.Text, SS_LEFT | SS_NOPREFIX, place.LabelId,
                  PlaceOf(label.Name), dpi, font);
    // The height given is that of the open list.
    TDesignRect r = PlaceOf(place.Name);
    r.Height += kListRows * kRowHeight;
    HWND combo = CreateControl(wnd, L"COMBOBOX", "",
                               CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                               place.Id, r, dpi, font);
    if (place.Id == SEROPT_COMBO_PORT) {
      wingui::SetWindowText(combo, PortInitialText);
      continue;
    }
    const TComboDesign& design = Named(SerOptionsCombos, place.Name);
    for (const char* item : design.Items) AddItem(combo, item);
    wingui::SetWindowText(combo, design.Initial);
  }

  CreateControl(wnd, L"BUTTON", Named(HandshakeBoxes, "hwUseDTR").Group, BS_GROUPBOX,
                SEROPT_GBOX_HWRECV, PlaceOf("gboxHwRecv"), dpi, font);
  for (int i = 0; i < 2; ++i) {
    const TCheckControl& place = kChecks[i];
    CreateControl(wnd, L"BUTTON", Named(HandshakeBoxes, place.Name).Caption,
                  BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, place.Id, PlaceOf(place.Name), dpi,
                  font);
  }
  CreateControl(wnd, L"BUTTON", Named(HandshakeBoxes, "hwReqDSR").Group, BS_GROUPBOX,
                SEROPT_GBOX_HWSEND, PlaceOf("gboxHwSend"), dpi, font);
  for (int i = 2; i < 4; ++i) {
    const TCheckControl& place = kChecks[i];
    CreateControl(wnd, L"BUTTON", Named(HandshakeBoxes, place.Name).Caption,
                  BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, place.Id, PlaceOf(place.Name), dpi,
                  font);
  }
  // Not a default button: Enter in a box does not hide the dialog.
  CreateControl(wnd, L"BUTTON", SerOptionsCloseCaption, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
                SEROPT_BTN_CLOSE, PlaceOf("btnClose"), dpi, font);

  CreateControl(wnd, L"BUTTON", StatusFrameCaption, BS_GROUPBOX, SEROPT_GBOX_STATUS,
                PlaceOf("gboxStatus"), dpi, font);
  for (int i = 0; i < TLightSet::LightCount; ++i) {
    const std::string_view name = kLampNames[i];
    const char* caption = Named(SerOptionsLamps, kLampNames[i]).Caption;
    // The caption ("lbl" for the lamp's "led") precedes its lamp, whose accessible name it is.
    CreateControl(wnd, L"STATIC", caption, SS_CENTER | SS_NOPREFIX, SEROPT_LBL_LED_FIRST + i,
                  PlaceOf("lbl" + std::string(name.substr(3))), dpi, font);
    const TDesignRect at = PlaceOf(name);
    auto lamp =
        std::make_unique<TApdStatusLight>(wnd, SEROPT_LED_FIRST + i, at.Left, at.Top, caption);
    lamp->SetLitColor(TserOptionsDesign::LampLitColor);
    lamps_[static_cast<size_t>(i)] = std::move(lamp);
  }

  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, wnd,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const TCheckControl& place : kChecks)
    AddTool(tooltips_, wnd, Item(place.Id), wingui::Wide(Named(HandshakeBoxes, place.Name).Hint));
  HWND portBox = Item(SEROPT_COMBO_PORT);
  AddTool(tooltips_, wnd, portBox, std::wstring());
  if (HWND edit = EditOf(portBox)) AddTool(tooltips_, wnd, edit, std::wstring());
}

namespace {

RECT FrameOf(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

}  // namespace

int32_t TserOptionForm::Left() const {
  return FrameOf(Handle()).left;
}
int32_t TserOptionForm::Top() const {
  return FrameOf(Handle()).top;
}
void TserOptionForm::SetLeft(int32_t left) {
  SetWindowPos(Handle(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TserOptionForm::SetTop(int32_t top) {
  SetWindowPos(Handle(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TserOptionForm::PortText() const {
  return wingui::WindowText(Item(SEROPT_COMBO_PORT));
}
void TserOptionForm::SetPortText(const std::string& text) {
  wingui::SetWindowText(Item(SEROPT_COMBO_PORT), text);
  ShowPortDevice();
}
std::string TserOptionForm::BaudText() const {
  return wingui::WindowText(Item(SEROPT_COMBO_BAUD));
}
void TserOptionForm::SetBaudText(const std::string& text) {
  wingui::SetWindowText(Item(SEROPT_COMBO_BAUD), text);
}
std::string TserOptionForm::DatabitsText() const {
  return wingui::WindowText(Item(SEROPT_COMBO_DATABITS));
}
void TserOptionForm::SetDatabitsText(const std::string& text) {
  wingui::SetWindowText(Item(SEROPT_COMBO_DATABITS), text);
}
int32_t TserOptionForm::ParityIndex() const {
  return ItemIndexOf(ParityItems, wingui::WindowText(Item(SEROPT_COMBO_PARITY)));
}
void TserOptionForm::SetParityIndex(int32_t index) {
  SelectIndex(Item(SEROPT_COMBO_PARITY), index);
}
std::string TserOptionForm::StopText() const {
  return wingui::WindowText(Item(SEROPT_COMBO_STOP));
}
void TserOptionForm::SetStopText(const std::string& text) {
  wingui::SetWindowText(Item(SEROPT_COMBO_STOP), text);
}
int32_t TserOptionForm::XonXoffIndex() const {
  return ItemIndexOf(XonXoffItems, wingui::WindowText(Item(SEROPT_COMBO_XONXOFF)));
}
void TserOptionForm::SetXonXoffIndex(int32_t index) {
  SelectIndex(Item(SEROPT_COMBO_XONXOFF), index);
}
bool TserOptionForm::UseDTR() const {
  return Checked(Item(SEROPT_HW_USEDTR));
}
void TserOptionForm::SetUseDTR(bool on) {
  SetChecked(Item(SEROPT_HW_USEDTR), on);
}
bool TserOptionForm::UseRTS() const {
  return Checked(Item(SEROPT_HW_USERTS));
}
void TserOptionForm::SetUseRTS(bool on) {
  SetChecked(Item(SEROPT_HW_USERTS), on);
}
bool TserOptionForm::ReqDSR() const {
  return Checked(Item(SEROPT_HW_REQDSR));
}
void TserOptionForm::SetReqDSR(bool on) {
  SetChecked(Item(SEROPT_HW_REQDSR), on);
}
bool TserOptionForm::ReqCTS() const {
  return Checked(Item(SEROPT_HW_REQCTS));
}
void TserOptionForm::SetReqCTS(bool on) {
  SetChecked(Item(SEROPT_HW_REQCTS), on);
}

IPortList* TserOptionForm::Ports() {
  if (!ports_ && DeviceLayer() != nullptr) ports_ = DeviceLayer()->Ports();
  return ports_.get();
}

void TserOptionForm::getComPorts() {
  ports_.reset();
  HWND combo = Item(SEROPT_COMBO_PORT);
  // Emptying the list empties the edit field too; the shown number stays.
  const std::string shown = wingui::WindowText(combo);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const TListedPort& listed : ListOpenablePorts(Ports()))
    AddItem(combo, std::to_string(listed.Number));
  wingui::SetWindowText(combo, shown);
  ShowPortDevice();
}

void TserOptionForm::ShowPortDevice() {
  const std::wstring text = wingui::Wide(PortDescription(Ports(), PortText()));
  HWND portBox = Item(SEROPT_COMBO_PORT);
  UpdateTool(tooltips_, Handle(), portBox, text);
  if (HWND edit = EditOf(portBox)) UpdateTool(tooltips_, Handle(), edit, text);
}

std::string TserOptionForm::PortTooltip() const {
  wchar_t text[256] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(Item(SEROPT_COMBO_PORT));
  tool.lpszText = text;
  SendMessageW(tooltips_, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
  return wingui::Cp1252(text);
}

void TserOptionForm::comboPortChange() {
  ShowPortDevice();
  controller_.comboPortChange();
}
void TserOptionForm::comboBaudChange() {
  controller_.comboBaudChange();
}
void TserOptionForm::comboDatabitsChange() {
  controller_.comboDatabitsChange();
}
void TserOptionForm::comboParityChange() {
  controller_.comboParityChange();
}
void TserOptionForm::comboStopChange() {
  controller_.comboStopChange();
}
void TserOptionForm::comboXonXoffChange() {
  controller_.comboXonXoffChange();
}
void TserOptionForm::setHwHandshake() {
  controller_.setHwHandshake();
}

void TserOptionForm::btnCloseClick() {
  ShowWindow(Handle(), SW_HIDE);
}

void TserOptionForm::CommsTriggerAvail(TObject*, uint16_t Count) {
  controller_.CommsTriggerAvail(Count, port_.DeviceReturns());
}

void TserOptionForm::FormShow() {
  controller_.Guarded([this] { port_.SetMonitoring(true); });
}

void TserOptionForm::FormHide() {
  controller_.Guarded([this] { port_.SetMonitoring(false); });
}

void TserOptionForm::Command(int id, int code) {
  if (id == SEROPT_BTN_CLOSE && code == BN_CLICKED) return btnCloseClick();
  if (id == IDCANCEL) return btnCloseClick();  // Esc
  if ((id == SEROPT_HW_USEDTR || id == SEROPT_HW_USERTS || id == SEROPT_HW_REQDSR ||
       id == SEROPT_HW_REQCTS) &&
      code == BN_CLICKED)
    return setHwHandshake();
  if (code != CBN_EDITCHANGE && code != CBN_SELCHANGE) return;
  if (code == CBN_SELCHANGE) {
    // The box shows a picked entry only after this notification; its handler reads it now.
    HWND combo = Item(id);
    const auto index = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (index == CB_ERR) return;
    wingui::SetWindowText(combo, ComboItemText(combo, index));
  }
  switch (id) {
    case SEROPT_COMBO_PORT:
      return comboPortChange();
    case SEROPT_COMBO_BAUD:
      return comboBaudChange();
    case SEROPT_COMBO_DATABITS:
      return comboDatabitsChange();
    case SEROPT_COMBO_PARITY:
      return comboParityChange();
    case SEROPT_COMBO_STOP:
      return comboStopChange();
    case SEROPT_COMBO_XONXOFF:
      return comboXonXoffChange();
    default:
      return;
  }
}

LRESULT TserOptionForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!ready_) return TWindow::HandleMessage(msg, wParam, lParam);
  switch (msg) {
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SHOWWINDOW:
      // Only a show or hide asked for by the program; not the owner's minimising.
      if (lParam == 0) {
        if (wParam)
          FormShow();
        else
          FormHide();
      }
      return 0;
    default:
      return TDialogWindow::HandleMessage(msg, wParam, lParam);
  }
}
