// The Win32 main window and help window as other programs and the qualification checks see them:
// by control ids, window texts and menu states.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/Help.h"
#include "wingui/app/HelpViewer.h"
#include "wingui/app/Mainform.h"
#include "wingui/app/MainformIds.h"

namespace {

std::string Text(HWND wnd, int id) {
  return wingui::WindowText(GetDlgItem(wnd, id));
}

bool MenuGreyed(HWND wnd, UINT position) {
  return (GetMenuState(GetMenu(wnd), position, MF_BYPOSITION) & MF_GRAYED) != 0;
}

TEST(WinMainform, ShowsTheRunStateWhereOtherProgramsReadIt) {
  TfrmMain frm;
  HWND wnd = frm.Handle();
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(wingui::WindowText(wnd), "Tarvolin");
  EXPECT_EQ(Text(wnd, MAIN_BTN_RUN), "Start");

  frm.ShowRunButton(true);
  frm.SetMenusEnabled(false);
  frm.SetLedText("***Morvisk***");
  frm.SetStatusText("Stopp! C:\\Daten\\Tarvolin.trc geschrieben.");
  EXPECT_EQ(Text(wnd, MAIN_BTN_RUN), "Stop");
  for (UINT menu = 0; menu < 3; ++menu) EXPECT_TRUE(MenuGreyed(wnd, menu)) << menu;
  EXPECT_EQ(Text(wnd, MAIN_PNL_LED), "***Morvisk***");
  EXPECT_EQ(Text(wnd, MAIN_STATUSBAR), "Stopp! C:\\Daten\\Tarvolin.trc geschrieben.");

  // A highlighted entry's hint shows in its place until the menu closes.
  HMENU file = GetSubMenu(GetMenu(wnd), 0);
  SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(MAIN_MEN_FILE_EXIT, MF_STRING),
               reinterpret_cast<LPARAM>(file));
  EXPECT_EQ(Text(wnd, MAIN_STATUSBAR),
            "Schlie\xDF"
            "t das Program");
  SendMessageW(wnd, WM_EXITMENULOOP, FALSE, 0);
  EXPECT_EQ(Text(wnd, MAIN_STATUSBAR), "Stopp! C:\\Daten\\Tarvolin.trc geschrieben.");

  frm.SetMenusEnabled(true);
  for (UINT menu = 0; menu < 3; ++menu) EXPECT_FALSE(MenuGreyed(wnd, menu)) << menu;
  // F1 on any control finds the main window's context.
  EXPECT_EQ(wingui::HelpContextOf(GetDlgItem(wnd, MAIN_EDT_FILT)), MainHelpContext);
}

TEST(WinMainform, OnlyTheMainWindowAndTheSettingsDialogsAreOwnWindows) {
  TfrmMain frm;
  TfrmMain settings;  // stands for a settings dialog
  TfrmMain other;     // stands for the about box, which counts as foreign
  TfrmMain::TServices services;
  services.prgOptionForm = settings.Handle();
  services.frmAbout = other.Handle();
  frm.SetServices(services);
  auto id = [](HWND w) { return static_cast<WindowId>(reinterpret_cast<uintptr_t>(w)); };
  EXPECT_TRUE(frm.OwnWindowInFront(id(frm.Handle())));
  EXPECT_TRUE(frm.OwnWindowInFront(id(settings.Handle())));
  EXPECT_FALSE(frm.OwnWindowInFront(id(other.Handle())));
  // A settings dialog not made yet must not match "no window".
  EXPECT_FALSE(frm.OwnWindowInFront(0));
}

TEST(WinMainform, ClosingEndsTheMessageLoop) {
  TfrmMain frm;
  SendMessageW(frm.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frm.Handle()));
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit = quit || msg.message == WM_QUIT;
  EXPECT_TRUE(quit);
}

TEST(WinHelpViewer, OpensAtTheSectionOrSaysWhatIsMissing) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "TarvolinHelpTest.hlp";
  {
    std::ofstream out(path, std::ios::binary);
    out << "<h1><a name=\"overview\">\xC3\x9C"
           "berblick</a></h1>";
    for (int i = 0; i < 200; ++i) out << "<p>Zeile " << i << "</p>";
    out << "<h2><a name=\"ctx6\">Hauptfenster</a></h2>";
    for (int i = 0; i < 200; ++i) out << "<p>Text " << i << "</p>";
  }
  THelpViewer viewer;
  viewer.SetHelpFile(path);

  EXPECT_TRUE(viewer.ShowContext(6));
  EXPECT_TRUE(viewer.Found());
  EXPECT_TRUE(IsWindowVisible(viewer.Handle()));
  // The section's heading is the first line shown.
  const auto first = SendMessageW(viewer.Text(), EM_GETFIRSTVISIBLELINE, 0, 0);
  const auto index = SendMessageW(viewer.Text(), EM_LINEINDEX, static_cast<WPARAM>(first), 0);
  const std::string text = wingui::WindowText(viewer.Text());
  EXPECT_EQ(text.substr(static_cast<size_t>(index), 12), "Hauptfenster");
  EXPECT_EQ(text.substr(0, 9),
            "\xDC"
            "berblick");

  EXPECT_FALSE(viewer.ShowContext(99));
  EXPECT_EQ(wingui::WindowText(viewer.Handle()), HelpWindowTitle("ctx99", true, false));

  std::remove(path.c_str());
  EXPECT_FALSE(viewer.ShowTopic(HelpOverviewTopic));
  EXPECT_EQ(wingui::WindowText(viewer.Text()), HelpFileProblem(path));
}

}  // namespace
