#include "main/EndOnSignal.h"

// Windows ends a program at logout through its windows' messages, which close the main window.
void EndOnSignals(QWidget&) {}
