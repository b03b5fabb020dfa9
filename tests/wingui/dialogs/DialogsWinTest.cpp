// The Win32 filter settings dialog, port selection and about box, and what the four windows share:
// tab order, labels that name their fields, help contexts and hiding instead of closing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wingui/dialogs/prgOptions.h"
#include "wingui/dialogs/prgOptionsIds.h"
#include "wingui/dialogs/serOptions.h"
#include "wingui/dialogs/serOptionsIds.h"
#include "wingui/qualification/winAbout.h"
#include "wingui/qualification/winAboutIds.h"
#include "wingui/serial/AdSelCom.h"
#include "wingui/serial/AdSelComIds.h"

namespace {

std::vector<int> TabOrder(HWND dialog) {
  std::vector<int> ids;
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  for (HWND w = first; w && ids.size() < 32;) {
    ids.push_back(GetDlgCtrlID(w));
    w = GetNextDlgTabItem(dialog, w, FALSE);
    if (w == first) break;
  }
  return ids;
}

// The label a field's accessible name comes from: the static control just before it.
int LabelBefore(HWND dialog, int id) {
  HWND previous = GetWindow(GetDlgItem(dialog, id), GW_HWNDPREV);
  wchar_t cls[16] = {};
  GetClassNameW(previous, cls, 16);
  return std::wstring(cls) == L"Static" ? GetDlgCtrlID(previous) : 0;
}

std::string Text(HWND dialog, int id) {
  return wingui::WindowText(GetDlgItem(dialog, id));
}

struct TWindowCase {
  const char* Name;
  std::vector<int> Tabs;
  std::vector<std::pair<int, int>> Buddies;  // field, its label
};

TEST(WinDialogs, TabOrderAndTheLabelsThatNameTheFields) {
  TserOptionForm ser;
  TprgOptionForm prg;
  TfrmAbout about;
  TComSelectForm select(nullptr, TComPortList{[](int n) { return n == 2; }, nullptr, nullptr});
  const std::pair<HWND, TWindowCase> cases[] = {
      {ser.Handle(),
       {"serOptionForm",
        {SEROPT_COMBO_PORT, SEROPT_COMBO_BAUD, SEROPT_COMBO_DATABITS, SEROPT_COMBO_PARITY,
         SEROPT_COMBO_STOP, SEROPT_COMBO_XONXOFF, SEROPT_HW_USEDTR, SEROPT_HW_USERTS,
         SEROPT_HW_REQDSR, SEROPT_HW_REQCTS, SEROPT_BTN_CLOSE},
        {{SEROPT_COMBO_PORT, SEROPT_LBL_PORT},
         {SEROPT_COMBO_BAUD, SEROPT_LBL_BAUD},
         {SEROPT_COMBO_DATABITS, SEROPT_LBL_DATABITS},
         {SEROPT_COMBO_PARITY, SEROPT_LBL_PARITY},
         {SEROPT_COMBO_STOP, SEROPT_LBL_STOP},
         {SEROPT_COMBO_XONXOFF, SEROPT_LBL_XONXOFF},
         {SEROPT_LED_CTS, SEROPT_LBL_LED_FIRST},
         {SEROPT_LED_BREAK, SEROPT_LBL_LED_FIRST + 7}}}},
      {prg.Handle(),
       {"prgOptionForm",
        {PRGOPT_EDT_PREFIX, PRGOPT_EDT_EOL, PRGOPT_EDT_CHECK, PRGOPT_EDT_GOOD,
         PRGOPT_COMBO_DECSUBST, PRGOPT_COMBO_CURSMOVE, PRGOPT_BTN_CLOSE},
        {{PRGOPT_EDT_PREFIX, PRGOPT_LBL_PREFIX},
         {PRGOPT_EDT_EOL, PRGOPT_LBL_EOL},
         {PRGOPT_EDT_CHECK, PRGOPT_LBL_CHECK},
         {PRGOPT_EDT_GOOD, PRGOPT_LBL_GOOD},
         {PRGOPT_COMBO_DECSUBST, PRGOPT_LBL_DECSUBST},
         {PRGOPT_COMBO_CURSMOVE, PRGOPT_LBL_CURSMOVE}}}},
      {about.Handle(), {"frmAbout", {ABOUT_BTN_CLOSE}, {}}},
      {select.Handle(),
       {"TComSelectForm",
        {SELCOM_OK_BTN, SELCOM_ABORT_BTN, SELCOM_PORTS_COMBO},
        {{SELCOM_PORTS_COMBO, SELCOM_LABEL2}}}},
  };
  for (const auto& [wnd, c] : cases) {
    EXPECT_EQ(TabOrder(wnd), c.Tabs) << c.Name;
    for (const auto& [field, label] : c.Buddies)
      EXPECT_EQ(LabelBefore(wnd, field), label) << c.Name << " field " << field;
    EXPECT_FALSE(IsWindowVisible(wnd)) << c.Name << " is created hidden";
  }
  EXPECT_EQ(Text(ser.Handle(), SEROPT_BTN_CLOSE),
            "Schlie\xDF"
            "en");
  EXPECT_EQ(Text(prg.Handle(), PRGOPT_BTN_CLOSE),
            "&Schlie\xDF"
            "en");
}

TEST(WinDialogs, DialogsCarryTheirHelpContextAndOnlyHide) {
  TserOptionForm ser;
  TprgOptionForm prg;
  TfrmAbout about;
  const struct {
    HWND Wnd;
    int Field, Close, Help;
    const char* Caption;
    SIZE Client;
  } cases[] = {
      {ser.Handle(),
       SEROPT_COMBO_BAUD,
       SEROPT_BTN_CLOSE,
       3,
       "Tarvolin: Schnittstelle konfigurieren",
       {345, 229}},
      {prg.Handle(),
       PRGOPT_EDT_GOOD,
       PRGOPT_BTN_CLOSE,
       2,
       "Tarvolin: Filter konfigurieren",
       {321, 258}},
      {about.Handle(),
       ABOUT_LBL_VERSION,
       ABOUT_BTN_CLOSE,
       0,
       "Tarvolin: \xDC"
       "ber",
       {267, 223}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wingui::WindowText(c.Wnd), c.Caption);
    RECT client{};
    GetClientRect(c.Wnd, &client);
    const int dpi = wingui::WindowDpi(c.Wnd);
    EXPECT_EQ(client.right, wingui::Scale(c.Client.cx, dpi)) << c.Caption;
    EXPECT_EQ(client.bottom, wingui::Scale(c.Client.cy, dpi)) << c.Caption;
    EXPECT_EQ(wingui::HelpContextOf(GetDlgItem(c.Wnd, c.Field)), c.Help) << c.Caption;
    ShowWindow(c.Wnd, SW_SHOWNOACTIVATE);
    SendMessageW(GetDlgItem(c.Wnd, c.Close), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowVisible(c.Wnd)) << c.Caption;
    // Esc in a field, through the message loop's dialog navigation.
    ShowWindow(c.Wnd, SW_SHOWNOACTIVATE);
    MSG esc{GetDlgItem(c.Wnd, c.Field), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(wingui::PreTranslate(esc)) << c.Caption;
    EXPECT_FALSE(IsWindowVisible(c.Wnd)) << c.Caption;
    SendMessageW(c.Wnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(c.Wnd)) << c.Caption << ": the close box only hides";
  }
}

TEST(WinDialogs, FilterDialogGivesTheCaptureItsFieldsAsTheyStand) {
  TprgOptionForm prg;
  EXPECT_EQ(prg.PrefixText(), "255");
  EXPECT_EQ(prg.EolText(), "10");
  EXPECT_EQ(prg.CheckText(), "g");
  EXPECT_EQ(prg.GoodText(), "0123456789.");
  EXPECT_EQ(prg.DecSubstIndex(), 0);
  EXPECT_EQ(prg.CursMoveIndex(), 0);
  wingui::SetWindowText(GetDlgItem(prg.Handle(), PRGOPT_EDT_EOL), "13");
  EXPECT_EQ(prg.EolText(), "13");
  SendMessageW(GetDlgItem(prg.Handle(), PRGOPT_COMBO_CURSMOVE), CB_SETCURSEL, 9, 0);
  EXPECT_EQ(prg.CursMoveIndex(), 9);
  prg.SetDecSubstIndex(3);
  EXPECT_EQ(prg.DecSubstIndex(), -1) << "an index outside the list selects nothing";
  prg.SetGoodText("0123456789,");
  EXPECT_EQ(Text(prg.Handle(), PRGOPT_EDT_GOOD), "0123456789,");
}

// Ports 3, 7 and 12 exist.
TComPortList ThreePorts() {
  return TComPortList{[](int n) { return n == 3 || n == 7 || n == 12; }, nullptr, nullptr};
}

HWND watched = nullptr;  // a window of the program beside the port selection
bool watchedEnabledWhileShown = true;

// Clicks `button` of the port selection as soon as it is shown, from inside its own loop.
void ClickWhenShown(int button) {
  static int pending = 0;
  pending = button;
  SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindWindowW(L"TComSelectForm", nullptr);
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, id);
    if (watched) watchedEnabledWhileShown = IsWindowEnabled(watched);
    SendMessageW(GetDlgItem(dialog, pending), BM_CLICK, 0, 0);
  });
}

TEST(WinDialogs, PortSelectionGivesTheChosenNumberOrNoPortSelected) {
  TComSelectForm form(nullptr, ThreePorts());
  HWND combo = GetDlgItem(form.Handle(), SELCOM_PORTS_COMBO);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(form.SelectedComNumber(), 3) << "the first item is selected";
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(form.SelectedText(), "COM12");
  EXPECT_EQ(form.SelectedComNumber(), 12);
  EXPECT_EQ(Text(form.Handle(), SELCOM_LABEL1), "The configured serial port is not valid.");
  EXPECT_EQ(wingui::WindowText(form.Handle()), "Select Port");

  // A modeless dialog that is open meanwhile takes no input.
  TprgOptionForm prg;
  ShowWindow(prg.Handle(), SW_SHOWNOACTIVATE);
  watched = prg.Handle();
  ClickWhenShown(SELCOM_OK_BTN);
  EXPECT_EQ(PromptForComNumber(nullptr, ThreePorts()), 3);
  watched = nullptr;
  EXPECT_FALSE(watchedEnabledWhileShown);
  EXPECT_TRUE(IsWindowEnabled(prg.Handle()));
  ClickWhenShown(SELCOM_ABORT_BTN);
  EXPECT_EQ(PromptForComNumber(nullptr, ThreePorts()), -2011);
  ClickWhenShown(SELCOM_OK_BTN);
  EXPECT_EQ(PromptForComNumber(nullptr, TComPortList{[](int) { return false; }, nullptr, nullptr}),
            -2011)
      << "OK on an empty list chooses nothing";
}

TEST(WinDialogs, AboutBoxWithoutAVersionBlockShowsTheBareLines) {
  // The test program carries no version block.
  TfrmAbout about;
  EXPECT_EQ(Text(about.Handle(), ABOUT_LBL_PRODUCT), "");
  EXPECT_EQ(Text(about.Handle(), ABOUT_LBL_VERSION), ", Build ");
  EXPECT_EQ(Text(about.Handle(), ABOUT_LBL_COPYRIGHT), "\xA9 ");
  EXPECT_EQ(Text(about.Handle(), ABOUT_LBL_VENDOR), "");
  EXPECT_EQ(Text(about.Handle(), ABOUT_LBL_DESCRIPTION), "");
}

}  // namespace

namespace {

RECT ClientPlace(HWND dialog, int id) {
  RECT r{};
  HWND control = GetDlgItem(dialog, id);
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LONG FontHeight(HWND control) {
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf.lfHeight;
}

TEST(WinDialogs, MovedToAMonitorOfDoubleResolutionEveryControlScales) {
  TserOptionForm ser;
  HWND wnd = ser.Handle();
  const RECT button = ClientPlace(wnd, SEROPT_BTN_CLOSE);
  const LONG height = FontHeight(GetDlgItem(wnd, SEROPT_BTN_CLOSE));
  const int dpi = wingui::WindowDpi(wnd);
  RECT frame{};
  GetWindowRect(wnd, &frame);
  frame.right = frame.left + 2 * (frame.right - frame.left);
  frame.bottom = frame.top + 2 * (frame.bottom - frame.top);
  SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&frame));

  const RECT scaled = ClientPlace(wnd, SEROPT_BTN_CLOSE);
  EXPECT_EQ(scaled.left, 2 * button.left);
  EXPECT_EQ(scaled.top, 2 * button.top);
  EXPECT_EQ(scaled.right - scaled.left, 2 * (button.right - button.left));
  EXPECT_EQ(FontHeight(GetDlgItem(wnd, SEROPT_BTN_CLOSE)), 2 * height);
  RECT list{};
  SendMessageW(GetDlgItem(wnd, SEROPT_COMBO_BAUD), CB_GETDROPPEDCONTROLRECT, 0,
               reinterpret_cast<LPARAM>(&list));
  EXPECT_GT(list.bottom - list.top, 2 * 21 * dpi / 96) << "the open list keeps its rows";
}

// Win32 has no nested frames: controls of a group stand in the client area, at their group's
// offset plus their place in it.
TEST(WinDialogs, ControlsStandWhereTheirGroupsPutThem) {
  TserOptionForm ser;
  TprgOptionForm prg;
  const int dpi = wingui::WindowDpi(ser.Handle());
  const struct {
    HWND Dialog;
    int Id;
    RECT Design;
  } cases[] = {
      {ser.Handle(), SEROPT_LBL_XONXOFF, {8, 140, 72, 157}},
      {ser.Handle(), SEROPT_BTN_CLOSE, {232, 134, 337, 159}},
      {ser.Handle(), SEROPT_HW_REQCTS, {276, 72, 332, 91}},
      {ser.Handle(), SEROPT_LED_BREAK, {309, 186, 322, 199}},
      {ser.Handle(), SEROPT_LBL_LED_FIRST, {16, 201, 56, 216}},
      {prg.Handle(), PRGOPT_LBL_EOL_NOTE, {126, 45, 309, 65}},
      {prg.Handle(), PRGOPT_EDT_GOOD, {84, 91, 301, 111}},
      {prg.Handle(), PRGOPT_LBL_CURSMOVE, {18, 189, 118, 209}},
  };
  for (const auto& c : cases) {
    const RECT r = ClientPlace(c.Dialog, c.Id);
    EXPECT_EQ(r.left, wingui::Scale(c.Design.left, dpi)) << c.Id;
    EXPECT_EQ(r.top, wingui::Scale(c.Design.top, dpi)) << c.Id;
    EXPECT_EQ(r.right, wingui::Scale(c.Design.right, dpi)) << c.Id;
    EXPECT_EQ(r.bottom, wingui::Scale(c.Design.bottom, dpi)) << c.Id;
  }
}

}  // namespace
