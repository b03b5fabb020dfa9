#include "main/StateDump.h"

void InstallStateDump(TfrmMain&) {}
