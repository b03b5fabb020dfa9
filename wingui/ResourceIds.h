// The identifiers of the program's Win32 resources (resources/windows/Tarvolin.rc) that the
// windows load: icon, button glyphs, cursors. Shared by the resource script and the code.
#pragma once

#define TARVOLIN_IDI_PROGRAM 1
#define TARVOLIN_IDB_GLYPH_START 101
#define TARVOLIN_IDB_GLYPH_STOP 102
#define TARVOLIN_IDB_GLYPH_CLOSE 103
#define TARVOLIN_IDB_PREVIEW_FIRST 111
#define TARVOLIN_IDB_PREVIEW_PREV 112
#define TARVOLIN_IDB_PREVIEW_NEXT 113
#define TARVOLIN_IDB_PREVIEW_LAST 114
#define TARVOLIN_IDB_PREVIEW_PRINT 115
#define TARVOLIN_IDC_MAGNIFIER 121
