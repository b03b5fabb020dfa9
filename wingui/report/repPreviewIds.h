// Control ids and window classes of the report preview window TfrmPreview, for its code and for
// tests that drive it by messages. The window's caption is "Preview".
#pragma once

// Window classes: the preview window, the preview control (scrolling) and its page view.
#define REPPREV_WINDOW_CLASS L"TfrmPreview"
#define REPPREV_PREVIEWER_CLASS L"tAlPreview"
#define REPPREV_PAGEVIEW_CLASS L"tAlPreviewPage"

#define REPPREV_BTN_PRINTNOW 1502
#define REPPREV_LBL_ZOOM 1503
#define REPPREV_CBX_SCALE 1504
#define REPPREV_SPB_FIRST 1505
#define REPPREV_SPB_PREV 1506
// The page indicator, "1/1": read it with WM_GETTEXT.
#define REPPREV_PANEL_PAGE 1507
#define REPPREV_SPB_NEXT 1508
#define REPPREV_SPB_LAST 1509
#define REPPREV_BTN_CLOSE 1510
#define REPPREV_PREVIEWER 1511
#define REPPREV_PAGEVIEW 1512

// WM_COPYDATA with this dwData and a UTF-16 file name (with its terminating zero) prints every
// page, one copy, on the default printer into that file, without the print dialog; the send
// returns TRUE when the job was printed. For tests, which cannot click the system's dialog.
#define REPPREV_COPYDATA_PRINT_TO_FILE 0x54505246
