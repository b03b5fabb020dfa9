// Control ids of the port selection dialog TComSelectForm. OK and Cancel carry the system's ids,
// so that Enter and Esc reach them through dialog navigation.
#pragma once

#include <windows.h>

#define SELCOM_OK_BTN IDOK
#define SELCOM_ABORT_BTN IDCANCEL
#define SELCOM_BEVEL1 1201
#define SELCOM_LABEL1 1202
#define SELCOM_LABEL2 1203
#define SELCOM_PORTS_COMBO 1204
