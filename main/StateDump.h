// For end-to-end tests: with TARVOLIN_STATE_DUMP naming a file, the signal SIGUSR1 makes the
// program write what its main window shows into that file (UTF-8, one "name=value" line per
// control, control characters as \xNN, where the start button's centre lies in the window, the
// help file that the help window shows, the page indicator of the report preview that is open,
// and the text of a message box on screen), replacing it whole.
#pragma once

class TfrmMain;

void InstallStateDump(TfrmMain& form);
