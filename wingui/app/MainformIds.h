// Control and command ids of the main window TfrmMain, for its code and for tests that drive it
// by messages (GetDlgItem, BM_CLICK, WM_COMMAND, WM_GETTEXT, SB_GETTEXT).
#pragma once

// Window class of the main window (FindWindow).
#define MAIN_WINDOW_CLASS L"TfrmMain"

#define MAIN_LBL_CAPTURED 1001
#define MAIN_EDT_CAPT 1002
#define MAIN_LBL_FILTERED 1003
#define MAIN_EDT_FILT 1004
#define MAIN_BTN_RUN 1005  // BitBtn2
#define MAIN_PNL_LED 1006
#define MAIN_STATUSBAR 1007

// Menu commands (WM_COMMAND to the main window), in the order of the menu bar.
#define MAIN_MEN_FILE_IQ 1101
#define MAIN_MEN_FILE_EXIT 1102
#define MAIN_MEN_CONFIG_PORT 1111
#define MAIN_MEN_CONFIG_FILTER 1112
#define MAIN_MEN_CONFIG_SAVE 1113
#define MAIN_MEN_CONFIG_LOAD 1114
#define MAIN_MEN_HELP_APP 1121
#define MAIN_MEN_HELP_ABOUT 1122

// The 500 ms foreground check.
#define MAIN_TIMER 1
